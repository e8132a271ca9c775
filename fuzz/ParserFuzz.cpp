// The transform parser: any text, with variable look-ups that find some
// names (also by parsing their own text again) and miss others.
#include <string>

#include "FuzzInput.h"
#include "parser/MathParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TMathParser Parser;
  int Depth = 0;
  Parser.OnGetVar = [&Depth](TMathParser& Sender, const std::string& Name, long double& Value, bool& Found) {
    if (Name.empty() || Name[0] == 'Q') return;  // not found: a bad token
    Found = true;
    if (Name[0] == 'R' && Depth < 3) {
      // A variable whose value is its own transform, parsed on the same parser.
      ++Depth;
      const std::string Saved = Sender.ParseString;
      Sender.ParseString = Name.substr(1) + "*2";
      Sender.Parse();
      Value = Sender.ParseValue();
      Sender.ParseString = Saved;
      --Depth;
      return;
    }
    Value = static_cast<long double>(Name.size()) - 3.5L;
  };
  Parser.OnParseError = [](TMathParser&, int) {};
  Parser.ParseString.assign(reinterpret_cast<const char*>(Data), Size);
  Parser.Parse();
  return 0;
}

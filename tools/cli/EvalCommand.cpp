#include "cli/EvalCommand.h"

#include <charconv>
#include <cmath>
#include <map>

#include "common/FloatText.h"
#include "parser/MathParser.h"

namespace {

const char* const Usage = "usage: vorex-cli eval EXPR [--var NAME=VALUE ...]\n";

// A decimal number with an optional sign, e.g. "-2.5", "+1e3", ".5".
bool ReadDecimal(const std::string& Text, long double& Value) {
  const char* First = Text.data();
  const char* Last = First + Text.size();
  if (First != Last && *First == '+' && Last - First > 1 && First[1] != '-') ++First;
  const auto [Stop, Error] = std::from_chars(First, Last, Value);
  return Error == std::errc() && Stop == Last && std::isfinite(Value);
}

int UsageError(std::ostream& Err, const std::string& Problem) {
  Err << "eval: " << Problem << "\n" << Usage;
  return 1;
}

}  // namespace

int EvalCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  std::map<std::string, long double> Variables;
  const std::string* Expression = nullptr;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    if (Args[I] != "--var") {
      if (Expression) return UsageError(Err, "more than one expression");
      Expression = &Args[I];
      continue;
    }
    if (++I == Args.size()) return UsageError(Err, "--var needs NAME=VALUE");
    const std::string& Assignment = Args[I];
    const std::size_t Equals = Assignment.find('=');
    long double Value = 0;
    if (Equals == std::string::npos || Equals == 0 || !ReadDecimal(Assignment.substr(Equals + 1), Value))
      return UsageError(Err, "bad --var " + Assignment);
    Variables[Assignment.substr(0, Equals)] = Value;
  }
  if (!Expression) return UsageError(Err, "no expression");

  TMathParser Parser;
  int Code = 0;
  Parser.OnGetVar = [&Variables](TMathParser&, const std::string& Name, long double& Value, bool& Found) {
    const auto It = Variables.find(Name);
    Found = It != Variables.end();
    if (Found) Value = It->second;
  };
  Parser.OnParseError = [&Code](TMathParser&, int ParseError) { Code = ParseError; };
  Parser.ParseString = *Expression;
  Parser.Parse();

  if (Code != 0)
    Out << "error " << Code << "\n";
  else if (Parser.ParseFailed())
    Out << "math\n";
  else
    Out << "value " << GeneralFloatText(static_cast<double>(Parser.ParseValue()), '.') << "\n";
  return 0;
}

#include "cli/EvalCommand.h"

#include <charconv>
#include <cmath>
#include <map>

#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "common/FloatText.h"
#include "parser/MathParser.h"
#include "shared/CommandLine.h"

namespace {

// A decimal number with an optional sign, e.g. "-2.5", "+1e3", ".5".
bool ReadDecimal(const std::string& Text, long double& Value) {
  const char* First = Text.data();
  const char* Last = First + Text.size();
  if (First != Last && *First == '+' && Last - First > 1 && First[1] != '-') ++First;
  const auto [Stop, Error] = std::from_chars(First, Last, Value);
  return Error == std::errc() && Stop == Last && std::isfinite(Value);
}

// The arguments as the parser reads them: eval's options, then "--" and the
// expression, whatever it starts with. Every argument after a "--" is an
// expression. Empty, with Problem set, for a second expression or a --var
// without its value.
std::vector<std::string> Normalized(const std::vector<std::string>& Args, std::string& Problem) {
  std::vector<std::string> Options, Expressions;
  bool OnlyExpressions = false;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& Arg = Args[I];
    const bool Option = !OnlyExpressions && (Arg == "--" || Arg == "-h" || Arg == "--help" || Arg == "--version" ||
                                             Arg == "--var" || Arg.rfind("--var=", 0) == 0);
    if (!Option) Expressions.push_back(Arg);
    else if (Arg == "--") OnlyExpressions = true;
    else if (Arg == "--var" && I + 1 < Args.size()) Options.push_back("--var=" + Args[++I]);
    else if (Arg == "--var") Problem = "--var needs NAME=VALUE";
    else Options.push_back(Arg);
  }
  if (Expressions.size() > 1) Problem = "The following argument was not expected: " + Expressions[1];
  if (!Problem.empty()) return {};
  if (!Expressions.empty()) Options.insert(Options.end(), {"--", Expressions.front()});
  return Options;
}

}  // namespace

int EvalCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  std::string Expression;
  std::vector<std::string> Assignments;
  const auto App = NewCommandLine("vorex-cli eval", "vorex-cli",
                                  "Evaluates one transform function and prints \"value X\", \"error N\" (the "
                                  "syntax error code) or \"math\". EXPR may start with - or be empty; after \"--\" it "
                                  "may also look like an option.");
  App->add_option("EXPR", Expression, "the transform function")->required()->type_name("");
  AddRepeatedOption(*App, "--var", Assignments,
                    "a variable the function may use; may be given again, the last value of a name counts")
      ->type_name("NAME=VALUE");
  App->footer("Example: vorex-cli eval \"(T&-32768)*0.05\" --var 'T&=33768'");
  std::string Problem;
  const std::vector<std::string> Arguments = Normalized(Args, Problem);
  if (!Problem.empty()) {
    Err << Problem << "\nRun with --help for more information.\n";
    return ExitUsage;
  }
  if (const int Status = ParseCommandLine(*App, Arguments, Out, Err); Status >= 0) return Status;

  std::map<std::string, long double> Variables;
  for (const std::string& Assignment : Assignments) {
    const std::size_t Equals = Assignment.find('=');
    long double Value = 0;
    if (Equals == std::string::npos || Equals == 0 || !ReadDecimal(Assignment.substr(Equals + 1), Value)) {
      Err << "--var needs NAME=VALUE with a decimal VALUE, not " << Assignment
          << "\nRun with --help for more information.\n";
      return ExitUsage;
    }
    Variables[Assignment.substr(0, Equals)] = Value;
  }

  TMathParser Parser;
  int Code = 0;
  Parser.OnGetVar = [&Variables](TMathParser&, const std::string& Name, long double& Value, bool& Found) {
    const auto It = Variables.find(Name);
    Found = It != Variables.end();
    if (Found) Value = It->second;
  };
  Parser.OnParseError = [&Code](TMathParser&, int ParseError) { Code = ParseError; };
  Parser.ParseString = Expression;
  Parser.Parse();

  if (Code != 0) Out << "error " << Code << "\n";
  else if (Parser.ParseFailed()) Out << "math\n";
  else Out << "value " << GeneralFloatText(static_cast<double>(Parser.ParseValue()), '.') << "\n";
  const TCliLog Log(Err, false);
  return StandardOutputStatus(Out);
}

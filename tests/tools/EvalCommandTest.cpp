#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/EvalCommand.h"

namespace {

struct TRun {
  int Code;
  std::string Out;
  std::string Err;
};

TRun Eval(const std::vector<std::string>& Args) {
  std::ostringstream Out, Err;
  const int Code = EvalCommand(Args, Out, Err);
  return {Code, Out.str(), Err.str()};
}

TEST(EvalCommand, PrintsOneLineForEveryOutcome) {
  const std::pair<std::string, std::string> Cases[] = {
      {"1 + 2 * 3", "value 7\n"}, {"0.1 * 3", "value 0.3\n"}, {"10 ^ 20 * 1.5", "value 1.5E20\n"},
      {"1 2", "error 4\n"},       {"--1", "error 3\n"},       {"", "error 3\n"},
      {"1 / 0", "math\n"},        {"-2 ^ 2", "math\n"}};
  for (const auto& [Expr, Line] : Cases) {
    const TRun R = Eval({Expr});
    EXPECT_EQ(R.Code, 0) << Expr;
    EXPECT_EQ(R.Out, Line) << Expr;
  }
}

TEST(EvalCommand, FindsOnlyTheGivenVariablesAndTheLastValueOfEach) {
  EXPECT_EQ(Eval({"--var", "A=1.5", "A + B", "--var", "B=-2e1"}).Out, "value -18.5\n");
  EXPECT_EQ(Eval({"A", "--var", "A=1", "--var", "A=2"}).Out, "value 2\n");
  EXPECT_EQ(Eval({"a", "--var", "A=1"}).Out, "error 3\n");
  EXPECT_EQ(Eval({"Temp& * 2", "--var", "Temp&=.25"}).Out, "value 0.5\n");
}

TEST(EvalCommand, TakesEveryExpressionShapeWithOptionsBeforeAndAfterIt) {
  const std::pair<std::string, std::string> Cases[] = {
      {"-A", "value -2\n"},     {"-.365", "value -0.365\n"}, {"-(7)", "value -7\n"},
      {"-E4", "value 3\n"},     {"--1", "error 3\n"},        {"", "error 3\n"},
      {"-5 + A", "value -3\n"}, {"A-E4", "value 5\n"},       {"(T&-32768)*0.05", "value 50\n"},
      {"-h", "error 3\n"}};
  for (const auto& [Expr, Line] : Cases) {
    const std::vector<std::vector<std::string>> Placements = {
        {Expr, "--var", "A=2", "--var=E4=-3", "--var", "T&=33768"},
        {"--var", "A=2", "--var=E4=-3", "--var", "T&=33768", "--", Expr},
        {"--var", "A=2", Expr, "--var=E4=-3", "--var", "T&=33768"}};
    for (std::size_t P = 0; P < Placements.size(); ++P) {
      if (Expr == "-h" && P != 1) continue;  // the help, but for an expression after "--"
      const std::vector<std::string>& Args = Placements[P];
      const TRun R = Eval(Args);
      EXPECT_EQ(R.Code, 0) << ::testing::PrintToString(Args) << R.Err;
      EXPECT_EQ(R.Out, Line) << ::testing::PrintToString(Args);
    }
  }
}

TEST(EvalCommand, RejectsWrongUsage) {
  const std::vector<std::vector<std::string>> Cases = {{},
                                                       {"1", "2"},
                                                       {"A", "--var"},
                                                       {"--var", "A=1"},
                                                       {"A", "--var", "A"},
                                                       {"A", "--var", "=1"},
                                                       {"A", "--var", "A=x"},
                                                       {"A", "--var", "A=1e99999"},
                                                       {"A", "--var", "A=0x10"},
                                                       {"A", "--var", "A=1 "}};
  for (const auto& Args : Cases) {
    const TRun R = Eval(Args);
    EXPECT_EQ(R.Code, 1) << ::testing::PrintToString(Args);
    EXPECT_EQ(R.Out, "");
    EXPECT_TRUE(R.Err.ends_with("\nRun with --help for more information.\n")) << ::testing::PrintToString(Args);
  }
}

}  // namespace

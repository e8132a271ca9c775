#include "cli/EvalCommand.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

TEST(EvalCommand, RejectsWrongUsage) {
  const std::vector<std::vector<std::string>> Cases = {
      {}, {"1", "2"}, {"A", "--var"}, {"--var", "A=1"}, {"A", "--var", "A"}, {"A", "--var", "=1"},
      {"A", "--var", "A=x"}, {"A", "--var", "A=1e99999"}, {"A", "--var", "A=0x10"}, {"A", "--var", "A=1 "}};
  for (const auto& Args : Cases) {
    const TRun R = Eval(Args);
    EXPECT_EQ(R.Code, 1) << ::testing::PrintToString(Args);
    EXPECT_EQ(R.Out, "");
    EXPECT_TRUE(R.Err.ends_with("\nRun with --help for more information.\n")) << ::testing::PrintToString(Args);
  }
}

}  // namespace

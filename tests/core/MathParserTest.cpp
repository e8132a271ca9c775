#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "parser/MathParser.h"

namespace {

using TVars = std::map<std::string, long double>;
using TStrings = std::vector<std::string>;

struct TOutcome {
  bool Failed = false;
  long double Value = 0;
  std::vector<int> Errors;
  TStrings Lookups;
};

TOutcome Evaluate(const std::string& Text, const TVars& Vars = {}) {
  TOutcome R;
  TMathParser Parser;
  Parser.OnGetVar = [&](TMathParser&, const std::string& Name, long double& Value, bool& Found) {
    R.Lookups.push_back(Name);
    const auto It = Vars.find(Name);
    if (It != Vars.end()) Found = true, Value = It->second;
  };
  Parser.OnParseError = [&](TMathParser&, int Code) { R.Errors.push_back(Code); };
  Parser.ParseString = Text;
  Parser.Parse();
  R.Failed = Parser.ParseFailed();
  R.Value = Parser.ParseValue();
  return R;
}

::testing::AssertionResult Gives(const std::string& Text, long double Expected, const TVars& Vars = {}) {
  const TOutcome R = Evaluate(Text, Vars);
  if (!R.Failed && R.Errors.empty() && std::fabs(R.Value - Expected) <= 1e-17L * std::fmax(1.0L, std::fabs(Expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "[" << Text << "] failed=" << R.Failed << " value=" << R.Value
                                       << ", expected " << Expected;
}

constexpr int Math = 0;  // a math error: no code reported

::testing::AssertionResult FailsWith(const std::string& Text, int Code) {
  const TOutcome R = Evaluate(Text);
  if (R.Failed && R.Value == 0 && R.Errors == (Code ? std::vector<int>{Code} : std::vector<int>{}))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "[" << Text << "] failed=" << R.Failed << " value=" << R.Value
                                       << " code=" << (R.Errors.empty() ? 0 : R.Errors[0]) << ", expected " << Code;
}

void ExpectValues(std::initializer_list<std::pair<const char*, long double>> Cases) {
  for (const auto& [Text, Value] : Cases) EXPECT_TRUE(Gives(Text, Value));
}

void ExpectFailures(int Code, std::initializer_list<std::string> Texts) {
  for (const std::string& Text : Texts) EXPECT_TRUE(FailsWith(Text, Code));
}

std::string Repeat(const std::string& Part, int Count) {
  std::string S;
  for (int I = 0; I < Count; ++I) S += Part;
  return S;
}

TEST(MathParser, EvaluatesArithmeticModAndRounding) {
  ExpectValues({{"1 + 2 * 3", 7},
                {"(1 + 2) * 3", 9},
                {"10 - 4 - 3", 3},
                {"8 / 4 / 2", 1},
                {"7 MOD 3", 1},
                {"-7 MOD 3", -1},
                {"7 MOD -3", 1},
                {"7.5 MOD 2", 0},
                {"2.5 MOD 2", 0},
                {"7 MOD 1.5", 1},
                {"ROUND(2.5)", 2},
                {"ROUND(3.5)", 4},
                {"ROUND(-2.5)", -2},
                {"TRUNC(-2.7)", -2}});
}

TEST(MathParser, ModBindsTighterThanTimesButOnlyAfterTheFirstPower) {
  ExpectValues({{"3 MOD 2 * 4", 4},
                {"2 + 3 MOD 2", 3},
                {"2 ^ 3 MOD 5", 3},
                {"2 MOD 3 MOD 4", 2},
                {"2 * (3 MOD 2)", 2},
                {"7 mod 4", 3}});
  EXPECT_TRUE(FailsWith("2 * 3 MOD 2", 4));
  EXPECT_TRUE(FailsWith("(2 * 3 MOD 2)", 6));
}

TEST(MathParser, PowerIsRightAssociativeAndUnaryMinusAppliesOnceToAPrimary) {
  ExpectValues({{"2 ^ 3 ^ 2", 512}, {"2 ^ -2", 0.25L}, {"2 - -3", 5}, {"-3 * 2 + 1", -5}, {"1 - 2 * 3 ^ 2", -17}});
  EXPECT_TRUE(FailsWith("-2 ^ 2", Math));
  ExpectFailures(3, {"- -2", "+2"});
}

TEST(MathParser, ReportsEachSyntaxErrorCodeAfterAllPendingReductions) {
  ExpectFailures(3, {"", "1 +", "(", "SIN(", "*2", ")", "MOD 2", "Unknown", "1 - )", "- !"});
  ExpectFailures(4, {"1 2", "1 (", "1 )", "2 ^ 3 MOD 2 MOD 2 * 2 MOD 2", "1 !", "1\t2", "1 Unknown", "1.2.3"});
  ExpectFailures(5, {"SIN 0", "SIN", "SIN !", "2 + COS"});
  ExpectFailures(6, {"(1 2", "(1", "SIN(1", "(1,", "ABS(1 !", "ABS(2 MOD 3 * 4 MOD 5)"});
  ExpectFailures(7, {"2E+x", "1E", "1e-", "3 + 4E", "1 2E"});
}

TEST(MathParser, ErrorMarkerWhereAnOperandIsExpectedEndsTheParseAsMathError) {
  ExpectFailures(Math, {"!", "1 + !", "(!", "SIN(!", "2 ^ !", "! 1 2", "3 MOD ! )"});
  EXPECT_TRUE(Evaluate("! + A", {{"A", 1}}).Lookups.empty());
}

TEST(MathParser, MathErrorsLetTheParseRunOnToFindSyntaxErrors) {
  ExpectFailures(4, {"1 / 0 )"});
  ExpectFailures(6, {"(LN(0) 2"});
  const TOutcome R = Evaluate("1 / 0 + A", {{"A", 1}});
  EXPECT_TRUE(R.Failed);
  EXPECT_EQ(R.Lookups, TStrings{"A"});
}

TEST(MathParser, LimitsTheStackToFifteenEntries) {
  EXPECT_TRUE(Gives(Repeat("(", 12) + "4" + Repeat(")", 12), 4));
  EXPECT_TRUE(Gives("1" + Repeat(" ^ 1", 6), 1));
  EXPECT_TRUE(Gives("1 + (1 + (1 + (1 + (1))))", 5));
  ExpectFailures(1, {Repeat("(", 13) + "4" + Repeat(")", 13), "1" + Repeat(" ^ 1", 7),
                     "1 + (1 + (1 + (1 + (1 + (1)))))", Repeat("(", 100000)});
}

TEST(MathParser, FunctionsAndTheirDomains) {
  ExpectValues({{"ABS(-2.5)", 2.5L},
                {"ATAN(1) * 4", std::acos(-1.0L)},
                {"COS(0) + SIN(0)", 1},
                {"sin(0) + Sin(0) + sQrT(4)", 2},
                {"EXP(1)", std::exp(1.0L)},
                {"LN(EXP(2))", 2},
                {"SQRT(16) + SQR(3)", 13},
                {"TRUNC(1E9) + ROUND(-1E9)", 0},
                {"2 ^ 10", 1024}});
  for (const char* Text :
       {"SIN(9E18)", "COS(-9E18)", "EXP(11356)", "EXP(-11356)", "SQR(1E2466)", "SQR(-1E2466)", "2 ^ 16382"})
    EXPECT_FALSE(Evaluate(Text).Failed) << Text;
  ExpectFailures(
      Math, {"SIN(9000000000000000001)", "COS(-9000000000000000001)", "EXP(11356.001)", "EXP(-11357)", "LN(0)",
             "LN(-1)", "ROUND(1000000000.5)", "TRUNC(-1000000001)", "SQR(1.0001E2466)", "SQR(-1.0001E2466)", "SQRT(-1)",
             "1 / 0", "0 ^ 2", "(-2) ^ 2", "(-8) ^ (1 / 3)", "2 ^ 16384", "2 ^ -16384", "EXP(20000)"});
}

TEST(MathParser, ModRoundsOperandsAndRejectsThoseOutsideSixtyFourBits) {
  ExpectValues(
      {{"-9223372036854775808 MOD -1", 0}, {"9223372036854775807 MOD 10", 7}, {"-9223372036854775808 MOD 10", -8}});
  ExpectFailures(Math, {"9223372036854775808 MOD 3", "5 MOD -9223372036854775809", "1E19 MOD 3", "0.4 MOD 0.4",
                        "7 MOD 0.5", "7 MOD 0"});
}

TEST(MathParser, ResultsBeyondTheExtendedRangeAreMathErrors) {
  EXPECT_TRUE(Gives("1E4932 / 1E4932", 1));
  ExpectFailures(Math, {"1E4933", "1E4000 * 1E4000", "1E4932 + 1E4932", "-1E4932 - 1E4932", "1E4000 / 1E-4000"});
}

TEST(MathParser, ReadsLiterals) {
  ExpectValues(
      {{".5", 0.5L}, {".5 + 1", 1.5L}, {"1.", 1}, {"1E3", 1000}, {"1e+3", 1000}, {"25E-0002", 0.25L}, {"0.1", 0.1L}});
  ExpectFailures(4, {"1E00002"});  // the fifth exponent digit starts a new token
  ExpectFailures(3, {".", ". 5"});
}

TEST(MathParser, LiteralsEndAfterEightyCharacters) {
  EXPECT_TRUE(Gives(Repeat("1", 80), std::stold(Repeat("1", 80))));
  EXPECT_TRUE(Gives("." + Repeat("5", 79), std::stold("0." + Repeat("5", 79))));
  ExpectFailures(4, {Repeat("1", 81)});
  ExpectFailures(6, {"(" + Repeat("1", 81) + ")"});
  ExpectFailures(7, {Repeat("1", 79) + "E5"});  // cut after the "E"
}

TEST(MathParser, ReadsLiteralsWhateverTheLocale) {
  const std::string Previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  const bool Result = Gives("1.5 + 2E-1", 1.7L);
  std::setlocale(LC_ALL, Previous.c_str());
  EXPECT_TRUE(Result);
}

TEST(MathParser, TellsFunctionNamesFromVariableNames) {
  const TVars Vars = {{"SIN2", 3}, {"Temp&", 10}, {"t_1", 1}, {"SQRTX", 5}, {"MOD", 9}, {"A&B", 2}};
  EXPECT_TRUE(Gives("SQRT(16) - SQR(2)", 0, Vars));
  EXPECT_TRUE(Gives("SIN2 + SQRTX", 8, Vars));
  EXPECT_TRUE(Gives("Temp& * t_1 - A&B", 8, Vars));
  EXPECT_EQ(Evaluate("Temp& + temp", Vars).Lookups, (TStrings{"Temp&", "temp"}));
  const TOutcome Mod = Evaluate("MOD + 1", Vars);
  EXPECT_EQ(Mod.Errors, std::vector<int>{3});
  EXPECT_TRUE(Mod.Lookups.empty());
}

TEST(MathParser, AsksForVariablesInTextOrderUntilASyntaxError) {
  const TVars Vars = {{"A", 1}, {"B", 2}, {"C", 3}};
  EXPECT_TRUE(Gives("C - B * (A + B)", -3, Vars));
  EXPECT_EQ(Evaluate("C - B * (A + B)", Vars).Lookups, (TStrings{"C", "B", "A", "B"}));
  EXPECT_EQ(Evaluate("A B C", Vars).Lookups, (TStrings{"A", "B"}));
  EXPECT_EQ(Evaluate("A + X + B", Vars).Lookups, (TStrings{"A", "X"}));
  ExpectFailures(3, {"A"});  // no handler answers
}

TEST(MathParser, NonFiniteVariableValueIsAMathError) {
  const TOutcome R = Evaluate("A", {{"A", INFINITY}});
  EXPECT_TRUE(R.Failed);
  EXPECT_TRUE(R.Errors.empty());
}

TEST(MathParser, HandlesTextsLongerThanSixteenBitPositions) {
  EXPECT_TRUE(Gives("1" + Repeat(" + 1", 20000), 20001));
  EXPECT_TRUE(Gives(Repeat(" ", 70000) + "2", 2));
  ExpectFailures(3, {Repeat("1 + ", 20000) + ")"});
}

TEST(MathParser, ResetsTheResultsOnEveryParse) {
  TMathParser Parser;
  Parser.ParseString = "1 / 0";
  Parser.Parse();
  EXPECT_TRUE(Parser.ParseFailed());
  Parser.ParseString = "6 * 7";
  Parser.Parse();
  EXPECT_FALSE(Parser.ParseFailed());
  EXPECT_EQ(Parser.ParseValue(), 42);
  Parser.ParseString = "6 7";
  Parser.Parse();  // no error handler bound
  EXPECT_TRUE(Parser.ParseFailed());
  EXPECT_EQ(Parser.ParseValue(), 0);
}

TEST(MathParser, HandlerMayParseAnotherTextOnTheSameParser) {
  TMathParser Parser;
  TStrings Reported;
  Parser.OnGetVar = [](TMathParser& P, const std::string& Name, long double& Value, bool& Found) {
    P.ParseString = Name == "Good" ? "2 * (3 + 4)" : "2 *";
    P.Parse();
    Found = true;
    Value = P.ParseValue();
  };
  Parser.OnParseError = [&Reported](TMathParser& P, int Code) {
    Reported.push_back(P.ParseString + " #" + std::to_string(Code));
  };
  Parser.ParseString = "Good + 1";
  Parser.Parse();
  EXPECT_EQ(Parser.ParseValue(), 15);
  EXPECT_EQ(Parser.ParseString, "Good + 1");

  Parser.ParseString = "Bad + Good";  // the inner failure is not the outer one
  Parser.Parse();
  EXPECT_FALSE(Parser.ParseFailed());
  EXPECT_EQ(Parser.ParseValue(), 14);

  Parser.ParseString = "(Good";
  Parser.Parse();
  EXPECT_TRUE(Parser.ParseFailed());
  EXPECT_EQ(Reported, (TStrings{"2 * #3", "(Good #6"}));
}

TEST(MathParser, RestoresTheTextWhenAHandlerThrows) {
  TMathParser Parser;
  Parser.OnGetVar = [](TMathParser& P, const std::string& Name, long double&, bool&) {
    if (Name == "Inner") throw std::runtime_error("abort");
    P.ParseString = "Inner + 1";
    P.Parse();
  };
  Parser.ParseString = "Outer * 2";
  EXPECT_THROW(Parser.Parse(), std::runtime_error);
  EXPECT_EQ(Parser.ParseString, "Outer * 2");
}

}  // namespace

// Replaying a compiled transform must take the same course as reading its text:
// an unknown variable behaves like a bad character in its place, whatever the
// parser state there, and the variables before it are asked for first.
TEST(ParsedTransform, AnUnknownVariableFailsLikeABadCharacterInItsPlace) {
  const TVars Known = {{"A", 2}, {"B", 3}};
  for (const std::string Slot : {"X", "$"}) {
    for (const std::string Template :
         {"@", "(@", "A @", "A + @", "A * (B - @)", "SIN @", "SIN(@)", "-@", "A ^ @", "A MOD @", "((((((((((((((@",
          "A + B )", "@ + @", "1e+ @", "A ! @", "A / 0 + @"}) {
      std::string Text = Template;
      for (std::size_t At = Text.find('@'); At != std::string::npos; At = Text.find('@')) Text.replace(At, 1, Slot);
      const TOutcome Got = Evaluate(Text, Known);
      std::string Reference = Template;
      for (std::size_t At = Reference.find('@'); At != std::string::npos; At = Reference.find('@'))
        Reference.replace(At, 1, "$");
      const TOutcome Expected = Evaluate(Reference, Known);
      EXPECT_EQ(Got.Errors, Expected.Errors) << Text;
      EXPECT_EQ(Got.Failed, Expected.Failed) << Text;
      TStrings KnownLookups;
      for (const std::string& Name : Got.Lookups)
        if (Name != "X") KnownLookups.push_back(Name);
      EXPECT_EQ(KnownLookups, Expected.Lookups) << Text;
    }
  }
  EXPECT_EQ(Evaluate("A * (B - X)", Known).Errors, std::vector<int>{3});
  EXPECT_EQ(Evaluate("A X", Known).Errors, std::vector<int>{4});
  EXPECT_EQ(Evaluate("SIN X", Known).Errors, std::vector<int>{5});
  EXPECT_EQ(Evaluate("(A X", Known).Errors, std::vector<int>{6});
  // Fourteen parentheses fill the stack: a known variable overflows it, an unknown one is a bad token.
  EXPECT_EQ(Evaluate("((((((((((((((A", Known).Errors, std::vector<int>{1});
  EXPECT_EQ(Evaluate("((((((((((((((X", Known).Errors, std::vector<int>{3});
}

namespace {

// Answers every request with the next value of a list and records the names.
class TListResolver : public TVariableResolver {
 public:
  TListResolver(const TParsedTransform& Transform, std::vector<long double> Values)
      : Transform(Transform), Values(std::move(Values)) {}
  TStrings Asked;

  bool Resolve(std::size_t NameIndex, long double& Value) override {
    Asked.push_back(Transform.Names().at(NameIndex));
    if (Next == Values.size()) return false;
    Value = Values[Next++];
    return true;
  }

 private:
  const TParsedTransform& Transform;
  std::vector<long double> Values;
  std::size_t Next = 0;
};

}  // namespace

TEST(ParsedTransform, EvaluatesAgainWithNewValuesAndStopsWhereAVariableIsMissing) {
  const TParsedTransform T("A * (B& + A) - SQRT(C)");
  EXPECT_EQ(T.Names(), (TStrings{"A", "B&", "A", "C"}));
  TListResolver First(T, {2, 3, 2, 16});
  const TTransformResult R1 = T.Evaluate(First);
  EXPECT_FALSE(R1.Failed);
  EXPECT_EQ(R1.Value, 6);
  TListResolver Second(T, {1, 1, 1, -1});
  const TTransformResult R2 = T.Evaluate(Second);
  EXPECT_TRUE(R2.Failed);  // the square root of -1
  EXPECT_EQ(R2.SyntaxError, 0);
  EXPECT_EQ(R2.Value, 0);
  TListResolver Short(T, {5});
  const TTransformResult R3 = T.Evaluate(Short);
  EXPECT_EQ(R3.SyntaxError, 3);
  EXPECT_EQ(Short.Asked, (TStrings{"A", "B&"}));
}

TEST(ParsedTransform, ARangeBoundsEveryValueAndIsNoneWhereAnEvaluationCanFail) {
  struct TCase {
    std::string Text;
    long double Low, High;  // of X
    bool Bounded;
  };
  const TCase Cases[] = {
      {"X*0.05-50", 0, 4095, true},
      {"(X-32768)*0.05", 0, 65535, true},
      {"X/(X+1) - 3/(X-20)", 0, 10, true},
      {"X/(X-5)", 0, 10, false},
      {"LN(X+1)+SQRT(X)+ATAN(X)+ABS(-X)", 0, 100, true},
      {"LN(X)", 0, 10, false},
      {"SQRT(X-1)", 0, 10, false},
      {"X MOD 3 + 7 MOD (X+1) + X MOD -2", 0, 100, true},
      {"X MOD (X-2)", 0, 10, false},
      {"1.0001^X + X^0.5 + (X+1)^-2", 1, 65535, true},
      {"X^0.5", 0, 10, false},
      {"2^X", 0, 65535, false},
      {"EXP(X/100) + EXP(-X/100)", 0, 65535, true},
      {"EXP(X)", 0, 65535, false},
      {"TRUNC(X/3) + ROUND(X/7) + SQR(X) + SIN(X)*COS(X)", 0, 65535, true},
      {"ROUND(X*1E5)", 0, 65535, false},
      {"X+", 0, 10, false},
      {"X+!", 0, 10, false},
      {"X+1E5000", 0, 10, false},
      {"X+Y", 0, 10, false},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Text);
    const TParsedTransform Transform(Case.Text);
    const auto Range = Transform.Range([&](std::size_t Name) -> std::optional<TValueRange> {
      if (Transform.Names()[Name] != "X") return std::nullopt;
      return TValueRange{Case.Low, Case.High};
    });
    ASSERT_EQ(Range.has_value(), Case.Bounded);
    bool AnyFailed = false;
    for (long double X = Case.Low; X <= Case.High; ++X) {
      TOutcome R = Evaluate(Case.Text, {{"X", X}});
      AnyFailed = AnyFailed || R.Failed;
      if (Range) {
        ASSERT_FALSE(R.Failed) << "X = " << static_cast<double>(X);
        ASSERT_GE(R.Value, Range->Low) << "X = " << static_cast<double>(X);
        ASSERT_LE(R.Value, Range->High) << "X = " << static_cast<double>(X);
      }
    }
    EXPECT_EQ(AnyFailed, !Case.Bounded);
  }
}

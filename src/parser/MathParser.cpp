#include "parser/MathParser.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

enum TToken : std::uint8_t {
  tkPlus, tkMinus, tkTimes, tkDivide, tkPower, tkOpen, tkClose,
  tkNumber, tkFunction, tkMod, tkMarker, tkEnd, tkBad,
  TokenCount
};

enum TFunction : std::uint8_t { fnAbs, fnAtan, fnCos, fnExp, fnLn, fnRound, fnSin, fnSqrt, fnSqr, fnTrunc };

// Grammar:
//   E -> E + T | E - T | T        T -> T * P | T / P | M      M -> M MOD P | P
//   P -> U ^ P | U                U -> - F | F                F -> number | ( E ) | func ( E )
enum TSymbol : std::uint8_t { syExpr, syTerm, syModChain, syPower, syUnary, syPrimary, SymbolCount };

enum TRule : std::uint8_t {
  ruAdd, ruSubtract, ruExprTerm,          // E
  ruMultiply, ruDivide, ruTermModChain,   // T
  ruMod, ruModChainPower,                 // M
  ruRaise, ruPowerUnary,                  // P
  ruNegate, ruUnaryPrimary,               // U
  ruNumber, ruParens, ruFunction          // F
};

struct TRuleInfo {
  TSymbol Lhs;
  std::uint8_t Length;
};

constexpr TRuleInfo Rules[] = {  // indexed by TRule
    {syExpr, 3},     {syExpr, 3},     {syExpr, 1},
    {syTerm, 3},     {syTerm, 3},     {syTerm, 1},
    {syModChain, 3}, {syModChain, 1},
    {syPower, 3},    {syPower, 1},
    {syUnary, 2},    {syUnary, 1},
    {syPrimary, 1},  {syPrimary, 3},  {syPrimary, 4}};
static_assert(std::size(Rules) == ruFunction + 1);

// LR(0) states; the comments show their items.
enum TState : std::uint8_t {
  stStart,           // operand expected, outermost level
  stExpr,            // S -> E.          E -> E. + T
  stTerm,            // E -> T.          T -> T. * P
  stModChain,        // T -> M.          M -> M. MOD P
  stPower,           // M -> P.
  stUnary,           // P -> U.          P -> U. ^ P
  stPrimary,         // U -> F.
  stNumber,          // F -> number.
  stOpen,            // F -> (. E )
  stFunction,        // F -> func. ( E )
  stNegate,          // U -> -. F
  stPlus,            // E -> E +. T
  stMinus,           // E -> E -. T
  stTimes,           // T -> T *. P
  stDivide,          // T -> T /. P
  stMod,             // M -> M MOD. P
  stRaise,           // P -> U ^. P
  stOpenExpr,        // F -> ( E. )      E -> E. + T
  stFunctionOpen,    // F -> func (. E )
  stNegated,         // U -> - F.
  stSum,             // E -> E + T.      T -> T. * P
  stDifference,      // E -> E - T.      T -> T. * P
  stProduct,         // T -> T * P.
  stQuotient,        // T -> T / P.
  stRemainder,       // M -> M MOD P.
  stRaised,          // P -> U ^ P.
  stClosed,          // F -> ( E ).
  stFunctionExpr,    // F -> func ( E. ) E -> E. + T
  stFunctionClosed,  // F -> func ( E ).
  StateCount
};

enum TActionKind : std::uint8_t { akError, akShift, akReduce, akAccept, akStop };

struct TAction {
  TActionKind Kind = akError;
  std::uint8_t Arg = 0;  // error code, next state or rule
};

using TActionTable = std::array<std::array<TAction, TokenCount>, StateCount>;

// A state that holds a reduction reduces on every token it cannot shift, so
// errors are only met in states with no reduction left.
constexpr TActionTable BuildActions() {
  TActionTable T{};
  auto Fill = [&T](TState S, TActionKind Kind, std::uint8_t Arg) {
    for (TAction& A : T[S]) A = {Kind, Arg};
  };
  auto Shift = [&T](TState S, TToken Token, TState Next) { T[S][Token] = {akShift, Next}; };

  // Operand expected: a number, "(", a function or a unary minus (not a
  // second one); the marker "!" stops the run as a math error.
  for (TState S : {stStart, stOpen, stFunctionOpen, stNegate, stPlus, stMinus, stTimes, stDivide, stMod, stRaise}) {
    Fill(S, akError, 3);
    Shift(S, tkNumber, stNumber);
    Shift(S, tkOpen, stOpen);
    Shift(S, tkFunction, stFunction);
    if (S != stNegate) {
      Shift(S, tkMinus, stNegate);
      T[S][tkMarker] = {akStop, 0};
    }
  }
  // A complete expression, at the outermost level or inside parentheses.
  for (TState S : {stExpr, stOpenExpr, stFunctionExpr}) {
    Fill(S, akError, S == stExpr ? 4 : 6);
    Shift(S, tkPlus, stPlus);
    Shift(S, tkMinus, stMinus);
  }
  T[stExpr][tkEnd] = {akAccept, 0};
  Shift(stOpenExpr, tkClose, stClosed);
  Shift(stFunctionExpr, tkClose, stFunctionClosed);
  Fill(stFunction, akError, 5);
  Shift(stFunction, tkOpen, stFunctionOpen);

  Fill(stTerm, akReduce, ruExprTerm);
  Fill(stSum, akReduce, ruAdd);
  Fill(stDifference, akReduce, ruSubtract);
  for (TState S : {stTerm, stSum, stDifference}) {
    Shift(S, tkTimes, stTimes);
    Shift(S, tkDivide, stDivide);
  }
  Fill(stModChain, akReduce, ruTermModChain);
  Shift(stModChain, tkMod, stMod);
  Fill(stUnary, akReduce, ruPowerUnary);
  Shift(stUnary, tkPower, stRaise);

  Fill(stPower, akReduce, ruModChainPower);
  Fill(stPrimary, akReduce, ruUnaryPrimary);
  Fill(stNumber, akReduce, ruNumber);
  Fill(stNegated, akReduce, ruNegate);
  Fill(stProduct, akReduce, ruMultiply);
  Fill(stQuotient, akReduce, ruDivide);
  Fill(stRemainder, akReduce, ruMod);
  Fill(stRaised, akReduce, ruRaise);
  Fill(stClosed, akReduce, ruParens);
  Fill(stFunctionClosed, akReduce, ruFunction);
  return T;
}

constexpr auto BuildGotos() {
  std::array<std::array<TState, SymbolCount>, StateCount> G{};
  for (auto& Row : G) Row = {stExpr, stTerm, stModChain, stPower, stUnary, stPrimary};
  G[stOpen][syExpr] = stOpenExpr;
  G[stFunctionOpen][syExpr] = stFunctionExpr;
  G[stPlus][syTerm] = stSum;
  G[stMinus][syTerm] = stDifference;
  G[stTimes][syPower] = stProduct;
  G[stDivide][syPower] = stQuotient;
  G[stMod][syPower] = stRemainder;
  G[stRaise][syPower] = stRaised;
  G[stNegate][syPrimary] = stNegated;
  return G;
}

constexpr TActionTable Actions = BuildActions();
constexpr auto Gotos = BuildGotos();

constexpr std::size_t MaxStack = 15;
constexpr std::size_t MaxLiteral = 80;
constexpr int MaxExponentDigits = 4;
constexpr long double ExpLimit = 11356;  // bound of exp arguments and of r * ln l in powers

struct TKeyword {
  std::string_view Name;
  TToken Token;
  TFunction Function;
};

constexpr TKeyword Keywords[] = {
    {"ABS", tkFunction, fnAbs},     {"ATAN", tkFunction, fnAtan}, {"COS", tkFunction, fnCos},
    {"EXP", tkFunction, fnExp},     {"LN", tkFunction, fnLn},     {"ROUND", tkFunction, fnRound},
    {"SIN", tkFunction, fnSin},     {"SQRT", tkFunction, fnSqrt}, {"SQR", tkFunction, fnSqr},
    {"TRUNC", tkFunction, fnTrunc}, {"MOD", tkMod, fnAbs /* unused */}};

bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }
bool IsLetter(unsigned char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); }
bool IsWordChar(unsigned char C) { return IsLetter(C) || IsDigit(C) || C == '_'; }
unsigned char UpperCase(unsigned char C) { return C >= 'a' && C <= 'z' ? C - ('a' - 'A') : C; }

bool SameTextIgnoringCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (UpperCase(A[I]) != UpperCase(B[I])) return false;
  return true;
}

// Literals are read the same whatever locale the process has set.
locale_t ClassicLocale() {
  static const locale_t Locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return Locale;
}

bool InRange(long double X, long double Limit) { return X >= -Limit && X <= Limit; }

struct TEntry {
  long double Value;
  TState State;
  TFunction Function;
};

// One run of Parse: its own copy of the text and all parse state, so that a
// variable handler may run Parse on the same parser meanwhile.
class TRun {
 public:
  TRun(TMathParser& Parser, const std::string& Text) : Text(Text), Parser(Parser) {}

  std::string Text;
  int Error = 0;
  bool MathError = false;
  long double Result = 0;

  void Execute() {
    // The top and its state are kept local: this loop is the hot path.
    std::size_t Top = 0;
    TState State = stStart;
    Stack[0] = {0, State, fnAbs};
    ReadToken();
    while (Error == 0) {
      const TAction A = Actions[State][Token];
      switch (A.Kind) {
        case akShift:
          if (Top + 1 == MaxStack) {
            Error = 1;
            break;
          }
          State = TState(A.Arg);
          Stack[++Top] = {TokenValue, State, TokenFunction};
          ReadToken();
          break;
        case akReduce:
          Top = Reduce(TRule(A.Arg), Top, State);
          break;
        case akAccept:
          Result = Stack[Top].Value;
          return;
        case akError:
          Error = A.Arg;
          break;
        case akStop:
          MathError = true;
          return;
      }
    }
  }

 private:
  TMathParser& Parser;
  std::size_t Pos = 0;
  TToken Token = tkEnd;
  long double TokenValue = 0;
  TFunction TokenFunction = fnAbs;
  std::array<TEntry, MaxStack> Stack;
  std::string Name;

  long double Fail() {
    MathError = true;
    return 0;
  }
  long double Finite(long double X) { return std::isfinite(X) ? X : Fail(); }

  void ReadToken() {
    TokenValue = 0;
    while (Pos < Text.size() && Text[Pos] == ' ') ++Pos;
    if (Pos == Text.size()) {
      Token = tkEnd;
      return;
    }
    const unsigned char C = Text[Pos];
    if (IsDigit(C) || C == '.') return ReadNumber();
    if (IsLetter(C)) return ReadName();
    ++Pos;
    switch (C) {
      case '+': Token = tkPlus; break;
      case '-': Token = tkMinus; break;
      case '*': Token = tkTimes; break;
      case '/': Token = tkDivide; break;
      case '^': Token = tkPower; break;
      case '(': Token = tkOpen; break;
      case ')': Token = tkClose; break;
      case '!': Token = tkMarker; break;
      default: Token = tkBad; break;
    }
  }

  void ReadNumber() {
    const std::size_t Start = Pos;
    const std::size_t Limit = std::min(Text.size(), Start + MaxLiteral);
    std::size_t End = Start;
    bool HasDot = false;
    bool HasDigit = false;
    for (; End < Limit; ++End) {
      if (IsDigit(Text[End]))
        HasDigit = true;
      else if (Text[End] == '.' && !HasDot)
        HasDot = true;
      else
        break;
    }
    if (!HasDigit) {  // a lone "."
      Pos = End;
      Token = tkBad;
      return;
    }
    if (End < Limit && (Text[End] == 'E' || Text[End] == 'e')) {
      ++End;
      if (End < Limit && (Text[End] == '+' || Text[End] == '-')) ++End;
      for (int I = 0; I < MaxExponentDigits && End < Limit && IsDigit(Text[End]); ++I) ++End;
    }
    // strtold reads a leading "." as "0.".
    char Literal[MaxLiteral + 1];
    const std::size_t Length = End - Start;
    std::memcpy(Literal, Text.data() + Start, Length);
    Literal[Length] = '\0';
    char* Stop = nullptr;
    const long double Value = strtold_l(Literal, &Stop, ClassicLocale());
    if (Stop != Literal + Length) {
      Error = 7;
      return;
    }
    Pos = End;
    Token = tkNumber;
    TokenValue = Finite(Value);
  }

  void ReadName() {
    std::size_t End = Pos;
    while (End < Text.size() && IsWordChar(Text[End])) ++End;
    const std::string_view Word(Text.data() + Pos, End - Pos);
    for (const TKeyword& K : Keywords) {
      if (SameTextIgnoringCase(Word, K.Name)) {
        Pos = End;
        Token = K.Token;
        TokenFunction = K.Function;
        return;
      }
    }
    while (End < Text.size() && (IsWordChar(Text[End]) || Text[End] == '&')) ++End;
    Name.assign(Text, Pos, End - Pos);
    Pos = End;
    long double Value = 0;
    bool Found = false;
    if (Parser.OnGetVar) Parser.OnGetVar(Parser, Name, Value, Found);
    if (!Found) {
      Token = tkBad;
      return;
    }
    Token = tkNumber;
    TokenValue = Finite(Value);
  }

  // Returns the new top of the stack and sets its state.
  std::size_t Reduce(TRule Rule, std::size_t Top, TState& State) {
    const TRuleInfo Info = Rules[Rule];
    const std::size_t Base = Top + 1 - Info.Length;
    const TEntry* R = &Stack[Base];
    long double& Value = Stack[Base].Value;
    switch (Rule) {
      case ruAdd: Value = Finite(R[0].Value + R[2].Value); break;
      case ruSubtract: Value = Finite(R[0].Value - R[2].Value); break;
      case ruMultiply: Value = Finite(R[0].Value * R[2].Value); break;
      case ruDivide: Value = R[2].Value == 0 ? Fail() : Finite(R[0].Value / R[2].Value); break;
      case ruMod: Value = Mod(R[0].Value, R[2].Value); break;
      case ruRaise: Value = Raise(R[0].Value, R[2].Value); break;
      case ruNegate: Value = -R[1].Value; break;
      case ruParens: Value = R[1].Value; break;
      case ruFunction: Value = Apply(R[0].Function, R[2].Value); break;
      case ruExprTerm:
      case ruTermModChain:
      case ruModChainPower:
      case ruPowerUnary:
      case ruUnaryPrimary:
      case ruNumber: break;  // the value stays
    }
    State = Gotos[Stack[Base - 1].State][Info.Lhs];
    Stack[Base].State = State;
    return Base;
  }

  // Rounded halves to even; false outside the signed 64-bit range.
  static bool ToInt64(long double X, std::int64_t& Result) {
    const long double R = roundevenl(X);
    if (!(R >= -0x1p63L && R < 0x1p63L)) return false;
    Result = static_cast<std::int64_t>(R);
    return true;
  }

  long double Mod(long double L, long double R) {
    std::int64_t A = 0;
    std::int64_t B = 0;
    if (!ToInt64(L, A) || !ToInt64(R, B) || B == 0) return Fail();
    if (B == -1) return 0;  // INT64_MIN % -1 would trap
    return static_cast<long double>(A % B);
  }

  long double Raise(long double L, long double R) {
    if (L <= 0) return Fail();
    const long double Exponent = R * std::log(L);
    return InRange(Exponent, ExpLimit) ? std::exp(Exponent) : Fail();
  }

  long double Apply(TFunction F, long double X) {
    long double Value = 0;
    switch (F) {
      case fnAbs: Value = std::fabs(X); break;
      case fnAtan: Value = std::atan(X); break;
      case fnCos: Value = InRange(X, 9E18L) ? std::cos(X) : Fail(); break;
      case fnSin: Value = InRange(X, 9E18L) ? std::sin(X) : Fail(); break;
      case fnExp: Value = InRange(X, ExpLimit) ? std::exp(X) : Fail(); break;
      case fnLn: Value = X > 0 ? std::log(X) : Fail(); break;
      case fnRound: Value = InRange(X, 1E9L) ? roundevenl(X) : Fail(); break;
      case fnSqr: Value = InRange(X, 1E2466L) ? X * X : Fail(); break;
      case fnSqrt: Value = X >= 0 ? std::sqrt(X) : Fail(); break;
      case fnTrunc: Value = InRange(X, 1E9L) ? std::trunc(X) : Fail(); break;
    }
    return Value;
  }
};

// Gives the parser its text back when a run ends, also by an exception from
// a handler.
class TTextRestorer {
 public:
  TTextRestorer(std::string& Target, std::string& Text) : Target(Target), Text(Text) {}
  ~TTextRestorer() { Target.swap(Text); }
  TTextRestorer(const TTextRestorer&) = delete;
  TTextRestorer& operator=(const TTextRestorer&) = delete;

 private:
  std::string& Target;
  std::string& Text;
};

}  // namespace

void TMathParser::Parse() {
  FParseFailed = false;
  TRun Run(*this, ParseString);
  {
    TTextRestorer Restorer(ParseString, Run.Text);
    Run.Execute();
  }
  if (Run.Error != 0 && OnParseError) OnParseError(*this, Run.Error);
  FParseFailed = Run.Error != 0 || Run.MathError;
  FParseValue = FParseFailed ? 0 : Run.Result;
}

#include "parser/MathParser.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/AsciiCase.h"
#include "common/AsciiChars.h"
#include "parser/TransformSteps.h"

namespace {

enum TToken : std::uint8_t {
  tkPlus,
  tkMinus,
  tkTimes,
  tkDivide,
  tkPower,
  tkOpen,
  tkClose,
  tkNumber,
  tkFunction,
  tkMod,
  tkMarker,
  tkEnd,
  tkBad,
  TokenCount
};

// Grammar:
//   E -> E + T | E - T | T        T -> T * P | T / P | M      M -> M MOD P | P
//   P -> U ^ P | U                U -> - F | F                F -> number | ( E ) | func ( E )
enum TSymbol : std::uint8_t { syExpr, syTerm, syModChain, syPower, syUnary, syPrimary, SymbolCount };

enum TRule : std::uint8_t {
  ruAdd,
  ruSubtract,
  ruExprTerm,  // E
  ruMultiply,
  ruDivide,
  ruTermModChain,  // T
  ruMod,
  ruModChainPower,  // M
  ruRaise,
  ruPowerUnary,  // P
  ruNegate,
  ruUnaryPrimary,  // U
  ruNumber,
  ruParens,
  ruFunction  // F
};

struct TRuleInfo {
  TSymbol Lhs;
  std::uint8_t Length;
};

constexpr TRuleInfo Rules[] = {  // indexed by TRule
    {syExpr, 3},  {syExpr, 3},     {syExpr, 1},     {syTerm, 3},    {syTerm, 3},
    {syTerm, 1},  {syModChain, 3}, {syModChain, 1}, {syPower, 3},   {syPower, 1},
    {syUnary, 2}, {syUnary, 1},    {syPrimary, 1},  {syPrimary, 3}, {syPrimary, 4}};
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

struct TKeyword {
  std::string_view Name;
  TToken Token;
  TFunction Function;
};

constexpr TKeyword Keywords[] = {
    {"ABS", tkFunction, fnAbs},     {"ATAN", tkFunction, fnAtan},      {"COS", tkFunction, fnCos},
    {"EXP", tkFunction, fnExp},     {"LN", tkFunction, fnLn},          {"ROUND", tkFunction, fnRound},
    {"SIN", tkFunction, fnSin},     {"SQRT", tkFunction, fnSqrt},      {"SQR", tkFunction, fnSqr},
    {"TRUNC", tkFunction, fnTrunc}, {"MOD", tkMod, fnAbs /* unused */}};

bool IsWordChar(char C) { return IsLetter(C) || IsDigit(C) || C == '_'; }

// Literals are read the same whatever locale the process has set.
locale_t ClassicLocale() {
  static const locale_t Locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return Locale;
}

// A token as the tokenizer reads it; variable names are resolved only when
// an evaluation reaches them.
struct TLexeme {
  std::uint8_t Kind = 0;
  std::uint8_t Function = 0;
  bool NonFinite = false;  // a literal beyond the range of long double
  std::uint32_t Name = 0;  // index into the names, for a variable name
  long double Value = 0;
};

// Token kinds the tokenizer records besides those of the grammar.
constexpr std::uint8_t tkName = TokenCount;              // a variable, resolved when reached
constexpr std::uint8_t tkLiteralError = TokenCount + 1;  // a number literal that does not read (error 7)

// Reads a text into tokens up to its end or to a literal that does not read.
class TTokenizer {
 public:
  TTokenizer(const std::string& Text, std::vector<TLexeme>& Tokens, std::vector<std::string>& Names)
      : Text(Text), Tokens(Tokens), Names(Names) {}

  void Run() {
    for (;;) {
      const TLexeme T = ReadToken();
      Tokens.push_back(T);
      if (T.Kind == tkEnd || T.Kind == tkLiteralError) return;
    }
  }

 private:
  const std::string& Text;
  std::vector<TLexeme>& Tokens;
  std::vector<std::string>& Names;
  std::size_t Pos = 0;

  static TLexeme Make(std::uint8_t Kind) {
    TLexeme T;
    T.Kind = Kind;
    return T;
  }

  TLexeme ReadToken() {
    while (Pos < Text.size() && Text[Pos] == ' ') ++Pos;
    if (Pos == Text.size()) return Make(tkEnd);
    const unsigned char C = Text[Pos];
    if (IsDigit(C) || C == '.') return ReadNumber();
    if (IsLetter(C)) return ReadName();
    ++Pos;
    switch (C) {
      case '+': return Make(tkPlus);
      case '-': return Make(tkMinus);
      case '*': return Make(tkTimes);
      case '/': return Make(tkDivide);
      case '^': return Make(tkPower);
      case '(': return Make(tkOpen);
      case ')': return Make(tkClose);
      case '!': return Make(tkMarker);
      default: return Make(tkBad);
    }
  }

  TLexeme ReadNumber() {
    const std::size_t Start = Pos;
    const std::size_t Limit = std::min(Text.size(), Start + MaxLiteral);
    std::size_t End = Start;
    bool HasDot = false;
    bool HasDigit = false;
    for (; End < Limit; ++End) {
      if (IsDigit(Text[End])) HasDigit = true;
      else if (Text[End] == '.' && !HasDot) HasDot = true;
      else break;
    }
    if (!HasDigit) {  // a lone "."
      Pos = End;
      return Make(tkBad);
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
    if (Stop != Literal + Length) return Make(tkLiteralError);
    Pos = End;
    TLexeme T = Make(tkNumber);
    T.NonFinite = !std::isfinite(Value);
    T.Value = T.NonFinite ? 0 : Value;
    return T;
  }

  TLexeme ReadName() {
    std::size_t End = Pos;
    while (End < Text.size() && IsWordChar(Text[End])) ++End;
    const std::string_view Word(Text.data() + Pos, End - Pos);
    for (const TKeyword& K : Keywords) {
      if (SameTextIgnoringCase(Word, K.Name)) {
        Pos = End;
        TLexeme T = Make(K.Token);
        T.Function = K.Function;
        return T;
      }
    }
    while (End < Text.size() && (IsWordChar(Text[End]) || Text[End] == '&')) ++End;
    TLexeme T = Make(tkName);
    T.Name = static_cast<std::uint32_t>(Names.size());
    Names.emplace_back(Text, Pos, End - Pos);
    Pos = End;
    return T;
  }
};

// Runs the shift-reduce parse over the tokens, with every variable found, and
// writes down its course as postfix steps.
class TCompiler {
 public:
  TCompiler(const std::vector<TLexeme>& Tokens, std::vector<TTransformOp>& Ops) : Tokens(Tokens), Ops(Ops) {}

  void Run() {
    States[0] = stStart;
    for (const TLexeme& T : Tokens) {
      TToken Token = TToken(T.Kind);
      if (T.Kind == tkLiteralError) {
        Emit(opError, 7);
        return;
      }
      if (T.Kind == tkName) {
        // An unknown variable is a bad token at this point.
        TCompiler Trial(*this);
        Trial.Recording = false;
        const TEnd Bad = Trial.Advance(tkBad, fnAbs);
        Emit(opLookup, Bad.Code).Name = T.Name;
        Token = tkNumber;
      } else if (T.Kind == tkNumber) {
        Emit(T.NonFinite ? opNonFinite : opLiteral).Value = T.Value;
      }
      const TEnd End = Advance(Token, TFunction(T.Function));
      if (End.Kind == akShift) continue;
      Emit(End.Kind == akAccept ? opAccept : End.Kind == akStop ? opStop : opError, End.Code);
      return;
    }
  }

 private:
  struct TEnd {
    TActionKind Kind;  // akShift: the token is shifted and the parse goes on
    std::uint8_t Code = 0;
  };

  const std::vector<TLexeme>& Tokens;
  std::vector<TTransformOp>& Ops;
  std::array<TState, MaxStack> States{};
  std::array<TFunction, MaxStack> Functions{};
  std::size_t Top = 0;
  bool Recording = true;

  TCompiler(const TCompiler& Other) = default;

  TTransformOp& Emit(TOpCode Code, std::uint8_t Arg = 0) {
    TTransformOp& Op = Ops.emplace_back();
    Op.Code = Code;
    Op.Arg = Arg;
    return Op;
  }

  void Record(TOpCode Code, std::uint8_t Arg = 0) {
    if (Recording) Emit(Code, Arg);
  }

  // Reduces until the token is shifted or the parse ends.
  TEnd Advance(TToken Token, TFunction Function) {
    for (;;) {
      const TAction A = Actions[States[Top]][Token];
      switch (A.Kind) {
        case akShift:
          if (Top + 1 == MaxStack) return {akError, 1};
          ++Top;
          States[Top] = TState(A.Arg);
          Functions[Top] = Function;
          return {akShift};
        case akReduce: Reduce(TRule(A.Arg)); break;
        case akAccept:
        case akStop: return {A.Kind};
        case akError: return {akError, A.Arg};
      }
    }
  }

  void Reduce(TRule Rule) {
    const TRuleInfo Info = Rules[Rule];
    const std::size_t Base = Top + 1 - Info.Length;
    switch (Rule) {
      case ruAdd: Record(opAdd); break;
      case ruSubtract: Record(opSubtract); break;
      case ruMultiply: Record(opMultiply); break;
      case ruDivide: Record(opDivide); break;
      case ruMod: Record(opMod); break;
      case ruRaise: Record(opRaise); break;
      case ruNegate: Record(opNegate); break;
      case ruFunction: Record(opFunction, Functions[Base]); break;
      case ruParens:
      case ruExprTerm:
      case ruTermModChain:
      case ruModChainPower:
      case ruPowerUnary:
      case ruUnaryPrimary:
      case ruNumber: break;  // the value stays
    }
    Top = Base;
    States[Top] = Gotos[States[Base - 1]][Info.Lhs];
  }
};

// The arithmetic of the steps; a math error gives 0 and marks the evaluation.
class TMath {
 public:
  bool MathError = false;

  long double Fail() {
    MathError = true;
    return 0;
  }
  long double Finite(long double X) { return std::isfinite(X) ? X : Fail(); }
  long double Divide(long double L, long double R) { return R == 0 ? Fail() : Finite(L / R); }

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
      case fnCos: Value = InRange(X, TrigLimit) ? std::cos(X) : Fail(); break;
      case fnSin: Value = InRange(X, TrigLimit) ? std::sin(X) : Fail(); break;
      case fnExp: Value = InRange(X, ExpLimit) ? std::exp(X) : Fail(); break;
      case fnLn: Value = X > 0 ? std::log(X) : Fail(); break;
      case fnRound: Value = InRange(X, IntegerLimit) ? roundevenl(X) : Fail(); break;
      case fnSqr: Value = InRange(X, SquareLimit) ? X * X : Fail(); break;
      case fnSqrt: Value = X >= 0 ? std::sqrt(X) : Fail(); break;
      case fnTrunc: Value = InRange(X, IntegerLimit) ? std::trunc(X) : Fail(); break;
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

// Asks the parser's handler for each variable by its name.
class THandlerResolver : public TVariableResolver {
 public:
  THandlerResolver(TMathParser& Parser, const std::vector<std::string>& Names) : Parser(Parser), Names(Names) {}

  bool Resolve(std::size_t NameIndex, long double& Value) override {
    bool Found = false;
    if (Parser.OnGetVar) Parser.OnGetVar(Parser, Names[NameIndex], Value, Found);
    return Found;
  }

 private:
  TMathParser& Parser;
  const std::vector<std::string>& Names;
};

}  // namespace

TParsedTransform::TParsedTransform(const std::string& Text) {
  std::vector<TLexeme> Tokens;
  TTokenizer(Text, Tokens, FNames).Run();
  TCompiler(Tokens, Ops).Run();
}

TTransformResult TParsedTransform::Evaluate(TVariableResolver& Resolver) const {
  // Values of the operands shifted, plus the lookahead of a parse that fails.
  std::array<long double, MaxStack + 1> Stack;
  std::size_t Top = 0;  // values held
  TMath Math;
  TTransformResult Result;
  for (const TTransformOp& Op : Ops) {
    long double* const V = Stack.data() + Top;  // one past the top value
    switch (TOpCode(Op.Code)) {
      case opLiteral: Stack[Top++] = Op.Value; break;
      case opNonFinite: Stack[Top++] = Math.Fail(); break;
      case opLookup: {
        long double Value = 0;
        if (!Resolver.Resolve(Op.Name, Value)) {
          Result.SyntaxError = Op.Arg;
          Result.Failed = true;
          return Result;
        }
        Stack[Top++] = Math.Finite(Value);
        break;
      }
      case opAdd: V[-2] = Math.Finite(V[-2] + V[-1]), --Top; break;
      case opSubtract: V[-2] = Math.Finite(V[-2] - V[-1]), --Top; break;
      case opMultiply: V[-2] = Math.Finite(V[-2] * V[-1]), --Top; break;
      case opDivide: V[-2] = Math.Divide(V[-2], V[-1]), --Top; break;
      case opMod: V[-2] = Math.Mod(V[-2], V[-1]), --Top; break;
      case opRaise: V[-2] = Math.Raise(V[-2], V[-1]), --Top; break;
      case opNegate: V[-1] = -V[-1]; break;
      case opFunction: V[-1] = Math.Apply(TFunction(Op.Arg), V[-1]); break;
      case opAccept:
        Result.Failed = Math.MathError;
        Result.Value = Result.Failed ? 0 : V[-1];
        return Result;
      case opError:
        Result.SyntaxError = Op.Arg;
        Result.Failed = true;
        return Result;
      case opStop: Result.Failed = true; return Result;
    }
  }
  return Result;  // the steps always end with one of the last three
}

void TMathParser::Parse() {
  FParseFailed = false;
  // A copy of the text: a handler may change ParseString meanwhile.
  std::string Text = ParseString;
  const TParsedTransform Transform(Text);
  THandlerResolver Resolver(*this, Transform.Names());
  TTransformResult Result;
  {
    TTextRestorer Restorer(ParseString, Text);
    Result = Transform.Evaluate(Resolver);
  }
  if (Result.SyntaxError != 0 && OnParseError) OnParseError(*this, Result.SyntaxError);
  FParseFailed = Result.Failed;
  FParseValue = Result.Value;
}

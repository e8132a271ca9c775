#pragma once
// Parser and evaluator of transform functions: a table-driven shift-reduce
// parser over a 15-entry stack compiles a text into postfix steps, which are
// evaluated in 80-bit extended precision.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One step of a compiled transform function.
struct TTransformOp {
  std::uint8_t Code = 0;
  std::uint8_t Arg = 0;    // function, or syntax error code (of the step, or of a lookup that fails)
  std::uint32_t Name = 0;  // index into the names, for a lookup
  long double Value = 0;   // for a literal
};

// Answers the variable requests of an evaluation, by index into the names of
// the transform; false when the variable is unknown.
class TVariableResolver {
 public:
  virtual bool Resolve(std::size_t NameIndex, long double& Value) = 0;

 protected:
  ~TVariableResolver() = default;
};

struct TTransformResult {
  int SyntaxError = 0;    // 0, or the code (1, 3..7) of the syntax error met
  bool Failed = false;    // a syntax or a math error
  long double Value = 0;  // 0 when failed
};

// The values a number can take, Low and High included.
struct TValueRange {
  long double Low = 0;
  long double High = 0;
};

// A transform function compiled once into postfix steps. The parse of a text
// takes the same course whatever values its variables have, so the steps
// replay it: an evaluation asks for the same variables in the same order,
// stops at the same syntax errors (also where a variable is unknown) and gives
// the same values and math errors.
class TParsedTransform {
 public:
  explicit TParsedTransform(const std::string& Text);

  // Every variable name of the text, in text order (repeats included).
  const std::vector<std::string>& Names() const { return FNames; }
  TTransformResult Evaluate(TVariableResolver& Resolver) const;
  // The values an evaluation can give when each name's value lies in the
  // range NameRange gives for it; none when an evaluation might fail (a
  // syntax or math error, or a name NameRange gives no range for).
  using TNameRange = std::function<std::optional<TValueRange>(std::size_t NameIndex)>;
  std::optional<TValueRange> Range(const TNameRange& NameRange) const;

 private:
  std::vector<TTransformOp> Ops;
  std::vector<std::string> FNames;
};

class TMathParser {
 public:
  // Asked once for every variable name the tokenizer meets; Found is false
  // on entry and the name is a bad token unless the handler sets it.
  using TGetVarEvent =
      std::function<void(TMathParser& Sender, const std::string& VarName, long double& Value, bool& Found)>;
  // Told the code (1, 3..7) when a parse ends with a syntax error.
  using TParseErrorEvent = std::function<void(TMathParser& Sender, int ParseError)>;

  std::string ParseString;
  TGetVarEvent OnGetVar;
  TParseErrorEvent OnParseError;

  // Parses and evaluates ParseString. Re-entrant: a handler may run Parse on
  // this parser again; each run keeps its own text and state, and at its end
  // ParseString is again the text this run parsed.
  void Parse();

  bool ParseFailed() const { return FParseFailed; }
  long double ParseValue() const { return FParseValue; }

 private:
  bool FParseFailed = false;
  long double FParseValue = 0;
};

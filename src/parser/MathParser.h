#pragma once
// Parser and evaluator of transform functions: a table-driven shift-reduce
// parser over a 15-entry stack that computes each value as it reduces, in
// 80-bit extended precision.
#include <functional>
#include <string>

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

#pragma once
// The steps a compiled transform function consists of, and the bounds of its
// arithmetic beyond which a step is a math error.
#include <cstdint>

enum TFunction : std::uint8_t { fnAbs, fnAtan, fnCos, fnExp, fnLn, fnRound, fnSin, fnSqrt, fnSqr, fnTrunc };

enum TOpCode : std::uint8_t {
  opLiteral,
  opNonFinite,
  opLookup,
  opAdd,
  opSubtract,
  opMultiply,
  opDivide,
  opMod,
  opRaise,
  opNegate,
  opFunction,
  opAccept,
  opError,
  opStop
};

constexpr long double ExpLimit = 11356;       // bound of exp arguments and of r * ln l in powers
constexpr long double TrigLimit = 9E18L;      // of sin and cos arguments
constexpr long double IntegerLimit = 1E9L;    // of round and trunc arguments
constexpr long double SquareLimit = 1E2466L;  // of sqr arguments

// Whether X lies within [-Limit, Limit], the bound of a step.
constexpr bool InRange(long double X, long double Limit) { return X >= -Limit && X <= Limit; }

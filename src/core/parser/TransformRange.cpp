// Interval evaluation of a compiled transform: the bounds of its value and
// whether any evaluation could fail.
#include <algorithm>
#include <cmath>
#include <vector>

#include "parser/MathParser.h"
#include "parser/TransformSteps.h"

namespace {

// Ranges beyond this are taken as ones that may overflow.
constexpr long double SafeMagnitude = 1E4000L;
// Ranges of library functions, which need not round exactly, are widened by this much.
constexpr long double Slack = 1E-12L;

using TRange = std::optional<TValueRange>;

TRange Checked(long double Low, long double High) {
  if (!(std::fabs(Low) <= SafeMagnitude && std::fabs(High) <= SafeMagnitude)) return std::nullopt;
  return TValueRange{Low, High};
}

TRange Widened(long double Low, long double High) {
  return Checked(Low - std::fabs(Low) * Slack - Slack, High + std::fabs(High) * Slack + Slack);
}

bool Within(const TValueRange& R, long double Limit) { return InRange(R.Low, Limit) && InRange(R.High, Limit); }

// Rounding is monotonic, so the extremes of an operation over the ends bound
// every value it can give in between (for products and quotients of ranges
// without zero among the divisors).
template <typename TOperation>
TRange Extremes(const TValueRange& L, const TValueRange& R, TOperation Op) {
  const long double Values[] = {Op(L.Low, R.Low), Op(L.Low, R.High), Op(L.High, R.Low), Op(L.High, R.High)};
  return Checked(*std::min_element(std::begin(Values), std::end(Values)),
                 *std::max_element(std::begin(Values), std::end(Values)));
}

TRange Mod(const TValueRange& L, const TValueRange& R) {
  // Both round to 64-bit integers and the divisor to none but zero.
  if (!Within(L, 0x1p62L) || !Within(R, 0x1p62L) || (R.Low <= 0.5L && R.High >= -0.5L)) return std::nullopt;
  const long double Bound = std::max(std::fabs(R.Low), std::fabs(R.High));
  return TValueRange{-Bound, Bound};
}

TRange Raise(const TValueRange& L, const TValueRange& R) {
  if (L.Low <= 0) return std::nullopt;
  const TRange Exponent =
      Extremes({std::log(L.Low), std::log(L.High)}, R, [](long double A, long double B) { return A * B; });
  if (!Exponent || !Within(*Exponent, ExpLimit * (1 - Slack))) return std::nullopt;
  return Widened(std::exp(Exponent->Low), std::exp(Exponent->High));
}

TRange Apply(TFunction F, const TValueRange& X) {
  switch (F) {
    case fnAbs:
      if (X.Low >= 0) return X;
      if (X.High <= 0) return TValueRange{-X.High, -X.Low};
      return TValueRange{0, std::max(-X.Low, X.High)};
    case fnAtan: return Widened(std::atan(X.Low), std::atan(X.High));
    case fnCos:
    case fnSin: return Within(X, TrigLimit) ? TRange(TValueRange{-1, 1}) : std::nullopt;
    case fnExp: return Within(X, ExpLimit) ? Widened(std::exp(X.Low), std::exp(X.High)) : std::nullopt;
    case fnLn: return X.Low > 0 ? Widened(std::log(X.Low), std::log(X.High)) : std::nullopt;
    case fnRound:
    case fnTrunc: return Within(X, IntegerLimit) ? TRange(TValueRange{X.Low - 1, X.High + 1}) : std::nullopt;
    case fnSqr: {
      if (!Within(X, SquareLimit)) return std::nullopt;
      const long double Low = X.Low > 0 ? X.Low : X.High < 0 ? -X.High : 0;
      const long double High = std::max(std::fabs(X.Low), std::fabs(X.High));
      return Checked(Low * Low, High * High);
    }
    case fnSqrt: return X.Low >= 0 ? Checked(std::sqrt(X.Low), std::sqrt(X.High)) : std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TValueRange> TParsedTransform::Range(const TNameRange& NameRange) const {
  std::vector<TValueRange> Stack;
  const auto Binary = [&Stack](auto Op) {
    const TValueRange R = Stack.back();
    Stack.pop_back();
    const TRange Result = Op(Stack.back(), R);
    if (Result) Stack.back() = *Result;
    return Result.has_value();
  };
  for (const TTransformOp& Op : Ops) {
    bool Fine = true;
    switch (TOpCode(Op.Code)) {
      case opLiteral: Stack.push_back({Op.Value, Op.Value}); break;
      case opLookup: {
        const TRange Value = NameRange(Op.Name);
        Fine = Value && Checked(Value->Low, Value->High);
        if (Fine) Stack.push_back(*Value);
        break;
      }
      case opAdd:
        Fine =
            Binary([](const TValueRange& L, const TValueRange& R) { return Checked(L.Low + R.Low, L.High + R.High); });
        break;
      case opSubtract:
        Fine =
            Binary([](const TValueRange& L, const TValueRange& R) { return Checked(L.Low - R.High, L.High - R.Low); });
        break;
      case opMultiply:
        Fine = Binary([](const TValueRange& L, const TValueRange& R) {
          return Extremes(L, R, [](long double A, long double B) { return A * B; });
        });
        break;
      case opDivide:
        Fine = Binary([](const TValueRange& L, const TValueRange& R) {
          if (R.Low <= 0 && R.High >= 0) return TRange();
          return Extremes(L, R, [](long double A, long double B) { return A / B; });
        });
        break;
      case opMod: Fine = Binary(Mod); break;
      case opRaise: Fine = Binary(Raise); break;
      case opNegate: Stack.back() = {-Stack.back().High, -Stack.back().Low}; break;
      case opFunction: {
        const TRange Value = Apply(TFunction(Op.Arg), Stack.back());
        Fine = Value.has_value();
        if (Fine) Stack.back() = *Value;
        break;
      }
      case opAccept: return Stack.back();
      case opNonFinite:
      case opError:
      case opStop: return std::nullopt;
    }
    if (!Fine) return std::nullopt;
  }
  return std::nullopt;
}

#include "lightning/PortableExtended.h"

#include <cmath>
#include <limits>

namespace {

constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;

// A quotient or root never exceeds 2^64 - 1; a correction that overshoots
// is taken back by the exact steps after it.
std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) { return a + b < a ? ~std::uint64_t{0} : a + b; }

}  // namespace

// The encodings below keep NaN's fraction (x87's significand without its
// leading bit) in significand_, and 0 there for infinity.

PortableExtended PortableExtended::FromBits(std::uint16_t signAndExponent, std::uint64_t significand) {
  const std::uint32_t negative = signAndExponent >> 15;
  const std::int32_t field = signAndExponent & 0x7FFF;
  const bool leading = (significand & kLeadingBit) != 0;
  PortableExtended result;
  result.negative_ = negative;
  if (field == 0x7FFF) {
    if (!leading) return DefaultNaN();
    result.exponent_ = kSpecialExponent;
    result.significand_ = significand & ~kLeadingBit;
    return result;
  }
  if (field == 0) {
    // Subnormal, or with the leading bit set a pseudo-subnormal, which the
    // x87 reads as the same value with the smallest normal exponent.
    if (significand == 0) return Zero(negative);
    const int zeros = std::countl_zero(significand);
    result.significand_ = significand << zeros;
    result.exponent_ = kMinExponent - zeros;
    return result;
  }
  if (!leading) return DefaultNaN();  // an unnormal
  result.exponent_ = field - 16383;
  result.significand_ = significand;
  return result;
}

std::uint16_t PortableExtended::SignAndExponentBits() const {
  std::uint32_t field;
  if (exponent_ == kSpecialExponent)
    field = 0x7FFF;
  else if (significand_ == 0 || exponent_ < kMinExponent)
    field = 0;
  else
    field = std::uint32_t(exponent_ + 16383);
  return std::uint16_t((negative_ << 15) | field);
}

std::uint64_t PortableExtended::SignificandBits() const {
  if (exponent_ == kSpecialExponent) return significand_ | kLeadingBit;
  if (significand_ == 0) return 0;
  if (exponent_ < kMinExponent) return significand_ >> (kMinExponent - exponent_);
  return significand_;
}

PortableExtended PortableExtended::DefaultNaN() {
  PortableExtended nan;
  nan.negative_ = 1;
  nan.exponent_ = kSpecialExponent;
  nan.significand_ = kQuietBit;
  return nan;
}

PortableExtended PortableExtended::Infinity(std::uint32_t negative) {
  PortableExtended infinity;
  infinity.negative_ = negative;
  infinity.exponent_ = kSpecialExponent;
  infinity.significand_ = 0;
  return infinity;
}

// x87's choice among NaN operands: a quiet one before a signalling one,
// else the larger significand, else the positive one; the result is quiet.
PortableExtended PortableExtended::PropagateNaN(PortableExtended a, PortableExtended b) {
  PortableExtended chosen;
  if (!a.IsNaN()) {
    chosen = b;
  } else if (!b.IsNaN()) {
    chosen = a;
  } else {
    const bool aQuiet = (a.significand_ & kQuietBit) != 0, bQuiet = (b.significand_ & kQuietBit) != 0;
    if (aQuiet != bQuiet)
      chosen = aQuiet ? a : b;
    else if (a.significand_ != b.significand_)
      chosen = a.significand_ > b.significand_ ? a : b;
    else
      chosen = a.negative_ ? b : a;
  }
  chosen.significand_ |= kQuietBit;
  return chosen;
}

PortableExtended PortableExtended::CarriedOut(PortableExtended rounded) {
  // The significand was all ones and rounded up to the next power of two.
  if (rounded.exponent_ == kMaxExponent) return Infinity(rounded.negative_);
  rounded.significand_ = kLeadingBit;
  ++rounded.exponent_;
  return rounded;
}

PortableExtended PortableExtended::PackOutOfRange(std::uint32_t negative, std::int32_t exponent, Wide w) {
  // Beyond the largest exponent, rounding to nearest overflows to infinity.
  if (exponent > kMaxExponent) return Infinity(negative);
  // Below the smallest, the result is subnormal: rounded once, at the
  // position of the last bit that a subnormal keeps.
  const std::int32_t shift = kMinExponent - exponent;
  Wide moved;
  if (shift < 64) {
    moved = {w.high >> shift, (w.low >> shift) | (w.high << (64 - shift)) | std::uint64_t((w.low << (64 - shift)) != 0)};
  } else if (shift < 128) {
    const int rest = shift - 64;
    const bool lost = w.low != 0 || (rest != 0 && (w.high << (64 - rest)) != 0);
    moved = {0, (rest == 0 ? w.high : w.high >> rest) | std::uint64_t(lost)};
  } else {
    moved = {0, 1};  // w is never 0 here
  }
  const std::uint64_t bias = (kLeadingBit - 1) + (moved.high & 1);
  const std::uint64_t significand = moved.high + std::uint64_t(moved.low + bias < moved.low);
  if (significand == 0) return Zero(negative);
  // Rounding may have reached the smallest normal value, 2^63 here.
  const int zeros = std::countl_zero(significand);
  PortableExtended result;
  result.negative_ = negative;
  result.significand_ = significand << zeros;
  result.exponent_ = kMinExponent - zeros;
  return result;
}

PortableExtended PortableExtended::AddUnusual(PortableExtended a, PortableExtended b, std::uint32_t subtract) {
  if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
  b.negative_ ^= subtract;
  if (a.exponent_ == kSpecialExponent) {
    // inf - inf is invalid; inf plus anything else is that infinity.
    if (b.exponent_ == kSpecialExponent && a.negative_ != b.negative_) return DefaultNaN();
    return a;
  }
  if (b.exponent_ == kSpecialExponent) return b;
  // Zero plus zero: -0 only when both are -0.
  return Zero(a.negative_ & b.negative_);
}

PortableExtended PortableExtended::MultiplyUnusual(PortableExtended a, PortableExtended b) {
  if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
  const std::uint32_t negative = a.negative_ ^ b.negative_;
  const bool aInfinite = a.exponent_ == kSpecialExponent, bInfinite = b.exponent_ == kSpecialExponent;
  if (aInfinite || bInfinite) {
    // 0 * inf is invalid.
    if ((!aInfinite && a.significand_ == 0) || (!bInfinite && b.significand_ == 0)) return DefaultNaN();
    return Infinity(negative);
  }
  return Zero(negative);
}

PortableExtended PortableExtended::Divide(PortableExtended a, PortableExtended b) {
  if (!((a.significand_ & b.significand_) >> 63)) [[unlikely]] {
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    const std::uint32_t negative = a.negative_ ^ b.negative_;
    const bool aInfinite = a.exponent_ == kSpecialExponent, bInfinite = b.exponent_ == kSpecialExponent;
    const bool aZero = !aInfinite && a.significand_ == 0, bZero = !bInfinite && b.significand_ == 0;
    // inf / inf and 0 / 0 are invalid; x / 0 (divide by zero) and inf / x
    // are infinite; x / inf and 0 / x are zero.
    if ((aInfinite && bInfinite) || (aZero && bZero)) return DefaultNaN();
    if (aInfinite || bZero) return Infinity(negative);
    return Zero(negative);
  }
  // The quotient of the significands, scaled to lie in [2^63, 2^64): the
  // numerator is a's significand times 2^63, or 2^64 when it is the
  // smaller, so that the quotient has all 64 bits.
  const std::uint64_t n = a.significand_, d = b.significand_;
  const bool smaller = n < d;
  const Wide numerator = smaller ? Wide{n, 0} : Wide{n >> 1, n << 63};
  // A first quotient in double precision, within a few thousand of the
  // true one, then one correction from the exact remainder, which leaves
  // it within one or two; the last steps are exact.
  const double estimate = double(n) / double(d) * (smaller ? 0x1p64 : 0x1p63);
  std::uint64_t q = estimate >= 0x1p64 ? ~std::uint64_t{0} : std::uint64_t(estimate);
  const auto remainder = [&](std::uint64_t quotient, bool &negativeRemainder) {
    const Wide product = Multiply(quotient, d);
    negativeRemainder = product.high > numerator.high || (product.high == numerator.high && product.low > numerator.low);
    const Wide larger = negativeRemainder ? product : numerator, lesser = negativeRemainder ? numerator : product;
    return Wide{larger.high - lesser.high - std::uint64_t(larger.low < lesser.low), larger.low - lesser.low};
  };
  bool below;
  Wide r = remainder(q, below);
  // |r| < 2^80 here: its top 64 bits carry all the correction needs.
  const double rest = (double(r.high) * 0x1p64 + double(r.low)) / double(d);
  q = below ? q - std::uint64_t(rest) : SaturatingAdd(q, std::uint64_t(rest));
  r = remainder(q, below);
  while (below) {
    --q;
    r = remainder(q, below);
  }
  while (r.high != 0 || r.low >= d) {
    ++q;
    r = remainder(q, below);
  }
  // The remainder against half the divisor decides the rounding; it is
  // never exactly half when the divisor is odd, but may be otherwise.
  const std::uint64_t twice = r.low << 1;
  const bool overHalfWord = (r.low >> 63) != 0;
  std::uint64_t low;
  if (overHalfWord || twice > d)
    low = kLeadingBit | 1;
  else if (twice == d)
    low = kLeadingBit;
  else
    low = r.low != 0;
  return Pack(a.negative_ ^ b.negative_, a.exponent_ - b.exponent_ - std::int32_t(smaller), Wide{q, low});
}

PortableExtended PortableExtended::Root(PortableExtended value) {
  if (value.negative_ || !(value.significand_ >> 63)) [[unlikely]] {
    if (value.IsNaN()) return PropagateNaN(value, value);
    if (value.significand_ == 0 && value.exponent_ != kSpecialExponent) return value;  // sqrt(-0) is -0
    if (value.negative_) return DefaultNaN();
    return value;  // +inf
  }
  // R = floor(sqrt(M)) in [2^63, 2^64), M the significand times 2^63 for an
  // even exponent, 2^64 for an odd one; the root's exponent is half the
  // exponent, rounded down.
  const bool odd = (value.exponent_ & 1) != 0;
  const std::uint64_t s = value.significand_;
  const Wide m = odd ? Wide{s, 0} : Wide{s >> 1, s << 63};
  // A first root in double precision, within a few thousand, then one
  // Newton step from the exact remainder; the last steps are exact.
  const double root = std::sqrt(double(m.high) * 0x1p64 + double(m.low));
  std::uint64_t r = root >= 0x1p64 ? ~std::uint64_t{0} : std::uint64_t(root);
  // M - r*r, and whether it went below zero.
  const auto remainder = [&](std::uint64_t candidate, bool &negativeRemainder) {
    const Wide square = Multiply(candidate, candidate);
    negativeRemainder = square.high > m.high || (square.high == m.high && square.low > m.low);
    const Wide larger = negativeRemainder ? square : m, lesser = negativeRemainder ? m : square;
    return Wide{larger.high - lesser.high - std::uint64_t(larger.low < lesser.low), larger.low - lesser.low};
  };
  bool below;
  Wide rem = remainder(r, below);
  const double step = (double(rem.high) * 0x1p64 + double(rem.low)) / (2.0 * double(r));
  r = below ? r - std::uint64_t(step) : SaturatingAdd(r, std::uint64_t(step));
  rem = remainder(r, below);
  while (below) {
    --r;
    rem = remainder(r, below);
  }
  // (r + 1)^2 <= M while M - r^2 > 2r.
  const auto exceeds = [](Wide x, std::uint64_t y, int shift) {
    // x > y * 2^shift, shift 0 or 1
    const Wide scaled = shift ? Wide{y >> 63, y << 1} : Wide{0, y};
    return x.high > scaled.high || (x.high == scaled.high && x.low > scaled.low);
  };
  while (exceeds(rem, r, 1)) {
    ++r;
    rem = remainder(r, below);
  }
  // sqrt(M) > r + 1/2 exactly when M - r^2 > r; never equal, as M is an
  // integer and (r + 1/2)^2 is not.
  const std::uint64_t low = exceeds(rem, r, 0) ? (kLeadingBit | 1) : std::uint64_t(rem.high != 0 || rem.low != 0);
  return Pack(0, value.exponent_ >> 1, Wide{r, low});
}

std::int64_t PortableExtended::ToInteger(PortableExtended value) {
  constexpr std::int64_t kIndefinite = std::numeric_limits<std::int64_t>::min();
  if (value.exponent_ == kSpecialExponent) return kIndefinite;
  if (value.significand_ == 0 || value.exponent_ < -1) return 0;
  // From 2^63 up nothing fits but -2^63, whose bits are the indefinite's.
  if (value.exponent_ >= 63) return kIndefinite;
  // The integer part and the fraction's bits, below them.
  const int fractionBits = 63 - value.exponent_;  // 1 to 64
  const std::uint64_t integer = fractionBits == 64 ? 0 : value.significand_ >> fractionBits;
  const std::uint64_t fraction = fractionBits == 64 ? value.significand_ : value.significand_ << (64 - fractionBits);
  const std::uint64_t magnitude = integer + std::uint64_t(fraction > kLeadingBit || (fraction == kLeadingBit && (integer & 1)));
  if (magnitude > (value.negative_ ? kLeadingBit : kLeadingBit - 1)) return kIndefinite;
  return value.negative_ ? std::int64_t(0 - magnitude) : std::int64_t(magnitude);
}

PortableExtended PortableExtended::FromUnusualSingle(std::uint32_t bits) {
  const std::uint32_t negative = bits >> 31;
  const std::uint32_t fraction = bits & 0x7FFFFF;
  PortableExtended result;
  result.negative_ = negative;
  if ((bits & 0x7F800000) == 0x7F800000) {
    // Infinity, or NaN, which loads quiet whether or not it was.
    result.exponent_ = kSpecialExponent;
    result.significand_ = fraction ? (std::uint64_t(fraction) << 40) | kQuietBit : 0;
    return result;
  }
  if (fraction == 0) return Zero(negative);
  // A subnormal single, fraction * 2^-149: normal in extended precision.
  const int zeros = std::countl_zero(std::uint64_t(fraction));
  result.significand_ = std::uint64_t(fraction) << zeros;
  result.exponent_ = (63 - zeros) - 149;
  return result;
}

float PortableExtended::ToUnusualSingle() const {
  const std::uint32_t sign = negative_ << 31;
  if (exponent_ == kSpecialExponent) {
    // A NaN keeps its sign and the top of its fraction, and is quiet.
    const std::uint32_t fraction = significand_ ? std::uint32_t(significand_ >> 40) | 0x400000 : 0;
    return std::bit_cast<float>(sign | 0x7F800000 | fraction);
  }
  if (significand_ == 0) return std::bit_cast<float>(sign);
  if (exponent_ > 127) return std::bit_cast<float>(sign | 0x7F800000);
  // A subnormal single, or zero: fraction * 2^-149, the significand shifted
  // down by -exponent - 86 (41 or more) and rounded once, to nearest even.
  const std::int32_t shift = -exponent_ - 86;
  std::uint64_t kept, rest;
  if (shift < 64) {
    kept = significand_ >> shift;
    rest = significand_ << (64 - shift);
  } else {
    kept = 0;
    rest = shift == 64 ? significand_ : 1;  // beyond the half: only sticky
  }
  kept += std::uint64_t(rest > kLeadingBit || (rest == kLeadingBit && (kept & 1)));
  // A carry to 2^23 is the smallest normal single, whose bits these are.
  return std::bit_cast<float>(sign | std::uint32_t(kept));
}

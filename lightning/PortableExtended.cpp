#include "lightning/PortableExtended.h"

#include <bit>
#include <cmath>
#include <limits>

struct PortableExtended::Arithmetic {
  static constexpr std::int32_t kZeroExponent = -(1 << 20);
  static constexpr std::int32_t kSpecialExponent = 1 << 20;  // infinity and NaN
  static constexpr std::int32_t kMinExponent = -16382;
  static constexpr std::int32_t kMaxExponent = 16383;
  static constexpr std::uint64_t kLeadingBit = std::uint64_t{1} << 63;
  static constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;

  // 128 bits: a result before rounding.
  struct Wide {
    std::uint64_t high, low;
  };

  static PortableExtended Make(std::uint32_t negative, std::int32_t exponent, std::uint64_t significand) {
    PortableExtended x;
    x.negative_ = negative;
    x.exponent_ = exponent;
    x.significand_ = significand;
    return x;
  }
  static PortableExtended Zero(std::uint32_t negative) { return Make(negative, kZeroExponent, 0); }
  static PortableExtended Infinity(std::uint32_t negative) { return Make(negative, kSpecialExponent, 0); }
  static PortableExtended DefaultNaN() { return Make(1, kSpecialExponent, kQuietBit); }
  static bool IsNaN(PortableExtended x) { return x.exponent_ == kSpecialExponent && x.significand_ != 0; }
  static bool IsInfinite(PortableExtended x) { return x.exponent_ == kSpecialExponent && x.significand_ == 0; }
  static bool IsZero(PortableExtended x) { return x.exponent_ == kZeroExponent; }
  static bool IsFiniteNonZero(PortableExtended x) { return (x.significand_ >> 63) != 0; }

  static Wide Multiply(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return {std::uint64_t(product >> 64), std::uint64_t(product)};
#else
    const std::uint64_t aLow = std::uint32_t(a), aHigh = a >> 32, bLow = std::uint32_t(b), bHigh = b >> 32;
    const std::uint64_t low = aLow * bLow, cross1 = aHigh * bLow, cross2 = aLow * bHigh;
    const std::uint64_t middle = (low >> 32) + std::uint32_t(cross1) + std::uint32_t(cross2);
    return {aHigh * bHigh + (cross1 >> 32) + (cross2 >> 32) + (middle >> 32), (middle << 32) | std::uint32_t(low)};
#endif
  }
  static bool Greater(Wide a, Wide b) { return a.high > b.high || (a.high == b.high && a.low > b.low); }
  static Wide Subtract(Wide a, Wide b) { return {a.high - b.high - std::uint64_t(a.low < b.low), a.low - b.low}; }
  // |a - b|, and whether b was the larger.
  static Wide Distance(Wide a, Wide b, bool &negative) {
    negative = Greater(b, a);
    return negative ? Subtract(b, a) : Subtract(a, b);
  }
  // 0 < count < 64.
  static Wide ShiftLeft(Wide w, int count) { return {(w.high << count) | (w.low >> (64 - count)), w.low << count}; }
  // Down by count, the bits shifted out jammed into the lowest: all that
  // rounding needs of them is whether any was set.
  static Wide ShiftRightJamming(Wide w, std::int32_t count) {
    if (count == 0) return w;
    if (count < 64)
      return {w.high >> count, (w.low >> count) | (w.high << (64 - count)) | std::uint64_t((w.low << (64 - count)) != 0)};
    if (count < 128) {
      const int rest = count - 64;
      const bool lost = w.low != 0 || (rest != 0 && (w.high << (64 - rest)) != 0);
      return {0, (rest == 0 ? w.high : w.high >> rest) | std::uint64_t(lost)};
    }
    return {0, std::uint64_t(w.high != 0 || w.low != 0)};
  }
  // The high word rounded to nearest, ties to even, by the low one; a carry
  // out of 64 bits leaves 0.
  static std::uint64_t Rounded(Wide w) {
    return w.high + std::uint64_t(w.low > kLeadingBit || (w.low == kLeadingBit && (w.high & 1)));
  }
  // A quotient or root never exceeds 2^64 - 1; a correction that overshoots
  // is taken back by the exact steps after it.
  static std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) { return a + b < a ? ~std::uint64_t{0} : a + b; }

  // The result of an operation, normalised (the top bit of w set) and exact
  // but for the bits jammed into the lowest one, rounded to 64 bits.
  static PortableExtended Pack(std::uint32_t negative, std::int32_t exponent, Wide w) {
    if (exponent > kMaxExponent) return Infinity(negative);  // overflow, to nearest
    if (exponent < kMinExponent) {
      // Subnormal: rounded once, at the last bit that a subnormal keeps.
      const std::uint64_t significand = Rounded(ShiftRightJamming(w, kMinExponent - exponent));
      if (significand == 0) return Zero(negative);
      // Rounding may have reached the smallest normal value, 2^63 here.
      const int zeros = std::countl_zero(significand);
      return Make(negative, kMinExponent - zeros, significand << zeros);
    }
    const std::uint64_t significand = Rounded(w);
    if (significand != 0) return Make(negative, exponent, significand);
    // All ones, rounded up to the next power of two.
    return exponent == kMaxExponent ? Infinity(negative) : Make(negative, exponent + 1, kLeadingBit);
  }

  // The x87's choice among NaN operands: a quiet one before a signalling
  // one, else the larger significand, else the positive one; quieted.
  static PortableExtended PropagateNaN(PortableExtended a, PortableExtended b) {
    PortableExtended chosen;
    if (!IsNaN(a)) {
      chosen = b;
    } else if (!IsNaN(b)) {
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

  static PortableExtended Add(PortableExtended a, PortableExtended b, std::uint32_t subtract) {
    if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);  // neither negated
    b.negative_ ^= subtract;
    // a the larger in magnitude: zero sorts below every finite value,
    // infinity above.
    if (a.exponent_ < b.exponent_ || (a.exponent_ == b.exponent_ && a.significand_ < b.significand_)) {
      const PortableExtended t = a;
      a = b;
      b = t;
    }
    if (IsInfinite(a)) return IsInfinite(b) && a.negative_ != b.negative_ ? DefaultNaN() : a;  // inf - inf
    if (IsZero(a)) return Zero(a.negative_ & b.negative_);  // -0 only for -0 + -0
    // Both significands with their leading bit at bit 126, b's moved down
    // by the difference of the exponents (a zero b moves out of sight).
    const Wide big{a.significand_ >> 1, a.significand_ << 63};
    const std::int64_t apart = std::int64_t(a.exponent_) - b.exponent_;
    const Wide small = ShiftRightJamming({b.significand_ >> 1, b.significand_ << 63}, apart < 128 ? std::int32_t(apart) : 128);
    Wide sum;
    if (a.negative_ == b.negative_) {
      sum.low = big.low + small.low;
      sum.high = big.high + small.high + std::uint64_t(sum.low < big.low);
    } else {
      sum = Subtract(big, small);  // |a| >= |b|: not below zero
    }
    if (sum.high == 0 && sum.low == 0) return Zero(0);  // x - x is +0 to nearest
    int zeros;
    Wide normal;
    if (sum.high != 0) {
      zeros = std::countl_zero(sum.high);
      normal = zeros ? ShiftLeft(sum, zeros) : sum;
    } else {
      zeros = 64 + std::countl_zero(sum.low);
      normal = {sum.low << (zeros - 64), 0};
    }
    return Pack(a.negative_, a.exponent_ + 1 - zeros, normal);
  }

  static PortableExtended Multiply(PortableExtended a, PortableExtended b) {
    const std::uint32_t negative = a.negative_ ^ b.negative_;
    if (!IsFiniteNonZero(a) || !IsFiniteNonZero(b)) {
      if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
      if (IsInfinite(a) || IsInfinite(b)) return IsZero(a) || IsZero(b) ? DefaultNaN() : Infinity(negative);
      return Zero(negative);
    }
    // The product of normalised significands lies in [2^126, 2^128).
    const Wide product = Multiply(a.significand_, b.significand_);
    const bool top = (product.high >> 63) != 0;
    return Pack(negative, a.exponent_ + b.exponent_ + std::int32_t(top), top ? product : ShiftLeft(product, 1));
  }

  static PortableExtended Divide(PortableExtended a, PortableExtended b) {
    const std::uint32_t negative = a.negative_ ^ b.negative_;
    if (!IsFiniteNonZero(a) || !IsFiniteNonZero(b)) {
      if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
      // inf / inf and 0 / 0 are invalid; x / 0 (division by zero) and
      // inf / x are infinite; x / inf and 0 / x are zero.
      if ((IsInfinite(a) && IsInfinite(b)) || (IsZero(a) && IsZero(b))) return DefaultNaN();
      if (IsInfinite(a) || IsZero(b)) return Infinity(negative);
      return Zero(negative);
    }
    // The quotient of the significands in [2^63, 2^64): the numerator is
    // a's significand times 2^63, or 2^64 when it is the smaller.
    const std::uint64_t n = a.significand_, d = b.significand_;
    const bool smaller = n < d;
    const Wide numerator = smaller ? Wide{n, 0} : Wide{n >> 1, n << 63};
    // A first quotient in double precision, within a few thousand of the
    // true one; one correction from the exact remainder, which leaves it
    // within one or two; then exact steps.
    const double estimate = double(n) / double(d) * (smaller ? 0x1p64 : 0x1p63);
    std::uint64_t q = estimate >= 0x1p64 ? ~std::uint64_t{0} : std::uint64_t(estimate);
    bool below;  // q * d above the numerator
    Wide r = Distance(numerator, Multiply(q, d), below);
    const std::uint64_t correction = std::uint64_t((double(r.high) * 0x1p64 + double(r.low)) / double(d));
    q = below ? q - correction : SaturatingAdd(q, correction);
    for (r = Distance(numerator, Multiply(q, d), below); below; r = Distance(numerator, Multiply(q, d), below)) --q;
    for (; r.high != 0 || r.low >= d; r = Distance(numerator, Multiply(q, d), below)) ++q;
    // The remainder against half the divisor decides the rounding; exactly
    // half is possible when the divisor is even.
    const bool overHalf = (r.low >> 63) != 0 || (r.low << 1) > d, half = (r.low << 1) == d;
    const std::uint64_t low = overHalf ? (kLeadingBit | 1) : half ? kLeadingBit : std::uint64_t(r.low != 0);
    return Pack(negative, a.exponent_ - b.exponent_ - std::int32_t(smaller), Wide{q, low});
  }

  static PortableExtended Root(PortableExtended x) {
    if (IsNaN(x)) return PropagateNaN(x, x);
    if (IsZero(x)) return x;  // sqrt(-0) is -0
    if (x.negative_) return DefaultNaN();
    if (IsInfinite(x)) return x;
    // R = floor(sqrt(M)) in [2^63, 2^64), M the significand times 2^63 for
    // an even exponent, 2^64 for an odd one; the root's exponent is half
    // the exponent, rounded down.
    const std::uint64_t s = x.significand_;
    const Wide m = (x.exponent_ & 1) ? Wide{s, 0} : Wide{s >> 1, s << 63};
    // A first root in double precision, within a few thousand; one Newton
    // step from the exact remainder; then exact steps.
    const double estimate = std::sqrt(double(m.high) * 0x1p64 + double(m.low));
    std::uint64_t r = estimate >= 0x1p64 ? ~std::uint64_t{0} : std::uint64_t(estimate);
    bool below;  // r * r above M
    Wide rest = Distance(m, Multiply(r, r), below);
    const std::uint64_t step = std::uint64_t((double(rest.high) * 0x1p64 + double(rest.low)) / (2.0 * double(r)));
    r = below ? r - step : SaturatingAdd(r, step);
    for (rest = Distance(m, Multiply(r, r), below); below; rest = Distance(m, Multiply(r, r), below)) --r;
    // (r + 1)^2 <= M while M - r^2 > 2r.
    while (Greater(rest, Wide{r >> 63, r << 1})) {
      ++r;
      rest = Distance(m, Multiply(r, r), below);
    }
    // sqrt(M) > r + 1/2 exactly when M - r^2 > r; never equal, as M is an
    // integer and (r + 1/2)^2 is not.
    const std::uint64_t low = Greater(rest, Wide{0, r}) ? (kLeadingBit | 1) : std::uint64_t(rest.high != 0 || rest.low != 0);
    return Pack(0, x.exponent_ >> 1, Wide{r, low});
  }

  static std::int64_t ToInteger(PortableExtended x) {
    constexpr std::int64_t kIndefinite = std::numeric_limits<std::int64_t>::min();
    if (x.exponent_ == kSpecialExponent) return kIndefinite;
    if (IsZero(x) || x.exponent_ < -1) return 0;
    // From 2^63 up nothing fits but -2^63, whose bits are the indefinite's.
    if (x.exponent_ >= 63) return kIndefinite;
    // The integer part, and the fraction's bits below it.
    const int fractionBits = 63 - x.exponent_;  // 1 to 64
    const std::uint64_t integer = fractionBits == 64 ? 0 : x.significand_ >> fractionBits;
    const std::uint64_t fraction = fractionBits == 64 ? x.significand_ : x.significand_ << (64 - fractionBits);
    const std::uint64_t magnitude = Rounded({integer, fraction});
    if (magnitude > (x.negative_ ? kLeadingBit : kLeadingBit - 1)) return kIndefinite;
    return x.negative_ ? std::int64_t(0 - magnitude) : std::int64_t(magnitude);
  }

  static float ToSingle(PortableExtended x) {
    const std::uint32_t sign = x.negative_ << 31;
    if (x.exponent_ == kSpecialExponent) {
      // NaN keeps its sign and the top of its fraction, and is quiet.
      const std::uint32_t fraction = x.significand_ ? std::uint32_t(x.significand_ >> 40) | 0x400000 : 0;
      return std::bit_cast<float>(sign | 0x7F800000 | fraction);
    }
    if (IsZero(x)) return std::bit_cast<float>(sign);
    if (x.exponent_ > 127) return std::bit_cast<float>(sign | 0x7F800000);
    if (x.exponent_ >= -126) {
      // A normal single: 24 of the 64 bits. The leading bit adds one to the
      // exponent field; a carry out of the 24 bits adds one more, which is
      // the next power of two, or infinity after the largest exponent.
      const std::uint32_t kept = std::uint32_t(Rounded({x.significand_ >> 40, x.significand_ << 24}));
      return std::bit_cast<float>(sign + (std::uint32_t(x.exponent_ + 126) << 23) + kept);
    }
    // A subnormal single, or zero: the fraction times 2^-149, the
    // significand moved down by -exponent - 86 (41 or more). A carry to
    // 2^23 makes the smallest normal single, whose bits these are.
    const Wide moved = ShiftRightJamming({x.significand_, 0}, -x.exponent_ - 86);
    return std::bit_cast<float>(sign | std::uint32_t(Rounded(moved)));
  }

  static PortableExtended FromSingle(float value) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t negative = bits >> 31, field = (bits >> 23) & 0xFF, fraction = bits & 0x7FFFFF;
    if (field == 0xFF)  // infinity, or NaN, which loads quiet whether or not it was
      return Make(negative, kSpecialExponent, fraction ? (std::uint64_t(fraction) << 40) | kQuietBit : 0);
    if (field != 0) return Make(negative, std::int32_t(field) - 127, std::uint64_t(fraction | 0x800000) << 40);
    if (fraction == 0) return Zero(negative);
    // A subnormal single, fraction * 2^-149, is normal in extended precision.
    const int zeros = std::countl_zero(std::uint64_t(fraction));
    return Make(negative, (63 - zeros) - 149, std::uint64_t(fraction) << zeros);
  }
};

PortableExtended::PortableExtended(float value) { *this = Arithmetic::FromSingle(value); }

PortableExtended::PortableExtended(std::uint32_t value) {
  const int zeros = std::countl_zero(value);
  *this = value == 0 ? Arithmetic::Zero(0) : Arithmetic::Make(0, 31 - zeros, std::uint64_t(value) << (32 + zeros));
}

PortableExtended::operator float() const { return Arithmetic::ToSingle(*this); }

PortableExtended PortableExtended::FromBits(std::uint16_t signAndExponent, std::uint64_t significand) {
  const std::uint32_t negative = signAndExponent >> 15;
  const std::int32_t field = signAndExponent & 0x7FFF;
  const bool leading = (significand & Arithmetic::kLeadingBit) != 0;
  if (field == 0x7FFF)
    return leading ? Arithmetic::Make(negative, Arithmetic::kSpecialExponent, significand & ~Arithmetic::kLeadingBit)
                   : Arithmetic::DefaultNaN();
  if (field == 0) {
    // Subnormal, or with the leading bit set a pseudo-subnormal, which the
    // x87 reads as the same value with the smallest normal exponent.
    if (significand == 0) return Arithmetic::Zero(negative);
    const int zeros = std::countl_zero(significand);
    return Arithmetic::Make(negative, Arithmetic::kMinExponent - zeros, significand << zeros);
  }
  if (!leading) return Arithmetic::DefaultNaN();  // an unnormal
  return Arithmetic::Make(negative, field - 16383, significand);
}

std::uint16_t PortableExtended::SignAndExponentBits() const {
  std::uint32_t field = 0;
  if (exponent_ == Arithmetic::kSpecialExponent)
    field = 0x7FFF;
  else if (!Arithmetic::IsZero(*this) && exponent_ >= Arithmetic::kMinExponent)
    field = std::uint32_t(exponent_ + 16383);
  return std::uint16_t((negative_ << 15) | field);
}

std::uint64_t PortableExtended::SignificandBits() const {
  if (exponent_ == Arithmetic::kSpecialExponent) return significand_ | Arithmetic::kLeadingBit;
  if (Arithmetic::IsZero(*this)) return 0;
  if (exponent_ < Arithmetic::kMinExponent) return significand_ >> (Arithmetic::kMinExponent - exponent_);
  return significand_;
}

PortableExtended operator+(PortableExtended a, PortableExtended b) { return PortableExtended::Arithmetic::Add(a, b, 0); }
PortableExtended operator-(PortableExtended a, PortableExtended b) { return PortableExtended::Arithmetic::Add(a, b, 1); }
PortableExtended operator*(PortableExtended a, PortableExtended b) { return PortableExtended::Arithmetic::Multiply(a, b); }
PortableExtended operator/(PortableExtended a, PortableExtended b) { return PortableExtended::Arithmetic::Divide(a, b); }
PortableExtended SquareRoot(PortableExtended value) { return PortableExtended::Arithmetic::Root(value); }
std::int64_t RoundToInteger(PortableExtended value) { return PortableExtended::Arithmetic::ToInteger(value); }

// Extended precision in software: the x87's 80-bit format (a 64-bit
// significand with an explicit leading bit, a 15-bit exponent) and its
// arithmetic with every exception masked, rounding to nearest with ties to
// even at full 64-bit precision, for processors without an x87.
//
// Only what the program computes with: conversion from single precision and
// from unsigned 32-bit integers (exact), +, -, *, /, the square root, and the
// conversions to single precision and to a 64-bit integer, each rounded once
// to nearest, ties to even. Results are x87's bit for bit, overflow,
// gradual underflow, infinities and NaN included: an invalid operation gives
// x87's default NaN (negative, quiet, no payload), and a NaN operand comes
// through quieted (of two, the one with the larger significand).
//
// Values are kept unpacked. The common case, finite operands and a result
// inside the normal range, is worked inline in a few dozen integer
// instructions; zeros in products, infinities, NaN and results that
// overflow or underflow take the road out of line (PortableExtended.cpp).
#pragma once

#include <bit>
#include <cstdint>

class PortableExtended {
 public:
  PortableExtended() = default;
  // Exact, as the x87 loads a single: every single has an extended value.
  PortableExtended(float value) {  // NOLINT: implicit, as float to long double is
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t field = (bits >> 23) & 0xFF;
    if (field - 1 < 254) [[likely]] {
      significand_ = std::uint64_t((bits & 0x7FFFFF) | 0x800000) << 40;
      exponent_ = std::int32_t(field) - 127;
      negative_ = bits >> 31;
    } else {
      *this = FromUnusualSingle(bits);
    }
  }
  explicit PortableExtended(std::uint32_t value) : negative_(0) {
    const int zeros = std::countl_zero(value);
    significand_ = value == 0 ? 0 : std::uint64_t(value) << (32 + zeros);
    exponent_ = value == 0 ? kZeroExponent : 31 - zeros;
  }

  explicit operator float() const {
    if (std::uint32_t(exponent_ + 126) <= 253) [[likely]] {
      // A normal single: 24 of the 64 bits kept, rounded to nearest even.
      std::uint32_t kept = std::uint32_t(significand_ >> 40);
      const std::uint64_t rest = significand_ & ((std::uint64_t{1} << 40) - 1);
      kept += std::uint32_t((rest + (kept & 1) + ((std::uint64_t{1} << 39) - 1)) >> 40);
      // The leading bit adds one to the exponent field; a carry out of the
      // 24 bits adds two, which is the next power of two, or infinity after
      // the largest exponent.
      const std::uint32_t bits = (negative_ << 31) + (std::uint32_t(exponent_ + 126) << 23) + kept;
      return std::bit_cast<float>(bits);
    }
    return ToUnusualSingle();
  }

  // x87's 80-bit encoding: the sign and the biased exponent, and the
  // significand with its explicit leading bit. Encodings that no x87
  // operation makes (unnormals, pseudo-NaN, pseudo-infinity) read as the
  // default NaN, as the x87 treats them as invalid operands.
  static PortableExtended FromBits(std::uint16_t signAndExponent, std::uint64_t significand);
  std::uint16_t SignAndExponentBits() const;
  std::uint64_t SignificandBits() const;

  friend PortableExtended operator+(PortableExtended a, PortableExtended b) { return Add(a, b, 0); }
  friend PortableExtended operator-(PortableExtended a, PortableExtended b) { return Add(a, b, 1); }
  friend PortableExtended operator*(PortableExtended a, PortableExtended b) {
    // Normalised significands have a product in [2^126, 2^128): one bit of
    // normalisation at most.
    const Wide product = Multiply(a.significand_, b.significand_);
    const std::uint32_t top = std::uint32_t(product.high >> 63);
    if ((a.significand_ & b.significand_) >> 63) [[likely]]
      return Pack(a.negative_ ^ b.negative_, a.exponent_ + b.exponent_ + std::int32_t(top),
                  top ? product : ShiftLeft(product, 1));
    return MultiplyUnusual(a, b);
  }
  friend PortableExtended operator/(PortableExtended a, PortableExtended b) { return Divide(a, b); }

  friend PortableExtended SquareRoot(PortableExtended value) { return Root(value); }
  // To nearest, ties to even; x87's integer indefinite, the smallest 64-bit
  // integer, for NaN and for whatever lies outside the 64-bit range.
  friend std::int64_t RoundToInteger(PortableExtended value) { return ToInteger(value); }

 private:
  // value = (-1)^negative * significand * 2^(exponent - 63), with the
  // leading bit of the significand set for every finite non-zero value.
  // x87's own subnormals are kept normalised here, with an exponent below
  // -16382; they only differ from normal values in how results round.
  std::uint64_t significand_;
  std::int32_t exponent_;
  std::uint32_t negative_;

  // Zero lies below every finite exponent, so that in a sum it shifts out
  // of sight; infinity and NaN lie so far above that every operation with
  // them fails a range test and goes out of line. Neither has the leading
  // bit: infinity's significand is 0, NaN's holds x87's fraction.
  static constexpr std::int32_t kZeroExponent = -(1 << 20);
  static constexpr std::int32_t kSpecialExponent = 1 << 20;
  static constexpr std::int32_t kMinExponent = -16382;
  static constexpr std::int32_t kMaxExponent = 16383;
  static constexpr std::uint64_t kLeadingBit = std::uint64_t{1} << 63;

  // 128 bits: a result before rounding, or the bits lost by it.
  struct Wide {
    std::uint64_t high, low;
  };

  static bool InNormalRange(std::int32_t exponent) {
    return std::uint32_t(exponent - kMinExponent) <= std::uint32_t(kMaxExponent - kMinExponent);
  }

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
  // 0 < count < 64.
  static Wide ShiftLeft(Wide w, int count) {
    return {(w.high << count) | (w.low >> (64 - count)), w.low << count};
  }

  // The result of an operation, normalised (the top bit of w set) and
  // exact but for the bits jammed into the lowest one: rounded to 64 bits.
  static PortableExtended Pack(std::uint32_t negative, std::int32_t exponent, Wide w) {
    if (InNormalRange(exponent)) [[likely]] {
      // Up when the lower half is more than half, or half and the kept
      // significand odd: then the sum carries out of 64 bits.
      const std::uint64_t low = w.low, bias = (kLeadingBit - 1) + (w.high & 1);
      const std::uint64_t up = (low + bias) < low;
      PortableExtended result;
      result.negative_ = negative;
      result.exponent_ = exponent;
      result.significand_ = w.high + up;
      if (result.significand_ != 0) [[likely]]
        return result;
      return CarriedOut(result);
    }
    return PackOutOfRange(negative, exponent, w);
  }

  static PortableExtended Add(PortableExtended a, PortableExtended b, std::uint32_t subtract) {
    const PortableExtended left = a, right = b;
    b.negative_ ^= subtract;
    // a the larger in magnitude.
    if (a.exponent_ < b.exponent_ || (a.exponent_ == b.exponent_ && a.significand_ < b.significand_)) {
      const PortableExtended t = a;
      a = b;
      b = t;
    }
    if (a.exponent_ > kMaxExponent || a.significand_ == 0) [[unlikely]]
      return AddUnusual(left, right, subtract);
    // Both significands with their leading bit at bit 126, b's moved down
    // by the difference of the exponents; what falls below the 128 bits is
    // jammed into the lowest, which is all that rounding needs of it.
    const std::uint32_t shift = std::uint32_t(a.exponent_ - b.exponent_);
    Wide small;
    if (shift < 64) [[likely]] {
      small = {(b.significand_ >> 1) >> shift, b.significand_ << (63 - shift)};
    } else if (shift < 127) {
      small = {0, (b.significand_ >> (shift - 63)) | std::uint64_t((b.significand_ << (127 - shift)) != 0)};
    } else {
      small = {0, std::uint64_t(b.significand_ != 0)};
    }
    // A difference is a sum with the two's complement, which |a| >= |b|
    // keeps from going below zero.
    const std::uint64_t flip = 0 - std::uint64_t(a.negative_ ^ b.negative_);
    const std::uint64_t addendLow = (small.low ^ flip) - flip;
    const std::uint64_t addendHigh = (small.high ^ flip) + (flip & std::uint64_t(small.low == 0));
    Wide sum;
    sum.low = (a.significand_ << 63) + addendLow;
    sum.high = (a.significand_ >> 1) + addendHigh + std::uint64_t(sum.low < addendLow);
    int zeros;
    Wide normal;
    if (sum.high != 0) [[likely]] {
      zeros = std::countl_zero(sum.high);
      normal = zeros ? ShiftLeft(sum, zeros) : sum;
    } else if (sum.low != 0) {
      zeros = 64 + std::countl_zero(sum.low);
      normal = {sum.low << (zeros - 64), 0};
    } else {
      return Zero(0);  // x - x is +0 when rounding to nearest
    }
    return Pack(a.negative_, a.exponent_ + 1 - zeros, normal);
  }

  static PortableExtended Zero(std::uint32_t negative) {
    PortableExtended zero;
    zero.significand_ = 0;
    zero.exponent_ = kZeroExponent;
    zero.negative_ = negative;
    return zero;
  }

  bool IsNaN() const { return exponent_ == kSpecialExponent && significand_ != 0; }
  static PortableExtended DefaultNaN();
  static PortableExtended Infinity(std::uint32_t negative);
  static PortableExtended PropagateNaN(PortableExtended a, PortableExtended b);
  static PortableExtended Divide(PortableExtended a, PortableExtended b);
  static PortableExtended Root(PortableExtended value);
  static std::int64_t ToInteger(PortableExtended value);
  static PortableExtended CarriedOut(PortableExtended rounded);
  static PortableExtended PackOutOfRange(std::uint32_t negative, std::int32_t exponent, Wide w);
  static PortableExtended AddUnusual(PortableExtended a, PortableExtended b, std::uint32_t subtract);
  static PortableExtended MultiplyUnusual(PortableExtended a, PortableExtended b);
  static PortableExtended FromUnusualSingle(std::uint32_t bits);
  float ToUnusualSingle() const;
};

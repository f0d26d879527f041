// Extended precision in software: the x87's 80-bit format (a 64-bit
// significand with an explicit leading bit, a 15-bit exponent) and its
// arithmetic with every exception masked, rounding to nearest with ties to
// even at full 64-bit precision, for processors without an x87.
//
// Only what the program computes with: conversion from single precision and
// from unsigned 32-bit integers (exact), +, -, *, /, the square root, and the
// conversions to single precision and to a 64-bit integer, each rounded once
// to nearest, ties to even. Results are the x87's bit for bit, overflow,
// gradual underflow, infinities and NaN included: an invalid operation gives
// the x87's default NaN (negative, quiet, no payload), and a NaN operand
// comes through quieted (of two, a quiet one before a signalling one, then
// the larger significand, then the positive one).
//
// Values are kept unpacked, in integers; no floating-point unit is used but
// for first estimates of quotients and roots, which are then made exact.
#pragma once

#include <cstdint>

class PortableExtended {
 public:
  PortableExtended() = default;
  // Exact, as the x87 loads them: every single and every 32-bit integer has
  // an extended value. Implicit from float, as long double is.
  PortableExtended(float value);  // NOLINT(google-explicit-constructor)
  explicit PortableExtended(std::uint32_t value);
  explicit operator float() const;

  // The x87's 80-bit encoding: the sign and the biased exponent, and the
  // significand with its explicit leading bit. Encodings that no x87
  // operation makes (unnormals, pseudo-NaN, pseudo-infinity) read as the
  // default NaN, since the x87 treats them as invalid operands.
  static PortableExtended FromBits(std::uint16_t signAndExponent, std::uint64_t significand);
  std::uint16_t SignAndExponentBits() const;
  std::uint64_t SignificandBits() const;

  friend PortableExtended operator+(PortableExtended a, PortableExtended b);
  friend PortableExtended operator-(PortableExtended a, PortableExtended b);
  friend PortableExtended operator*(PortableExtended a, PortableExtended b);
  friend PortableExtended operator/(PortableExtended a, PortableExtended b);
  friend PortableExtended SquareRoot(PortableExtended value);
  // To nearest, ties to even; the x87's integer indefinite, the smallest
  // 64-bit integer, for NaN and for whatever lies outside the 64-bit range.
  friend std::int64_t RoundToInteger(PortableExtended value);

 private:
  // value = (-1)^negative * significand * 2^(exponent - 63), the leading bit
  // of the significand set for every finite non-zero value; the x87's own
  // subnormals are kept normalised, with an exponent below -16382. Zero,
  // infinity and NaN have exponents of their own, far outside that range,
  // and no leading bit: zero and infinity a significand of 0, NaN the
  // x87's fraction.
  std::uint64_t significand_;
  std::int32_t exponent_;
  std::uint32_t negative_;

  struct Arithmetic;  // the operations' parts (PortableExtended.cpp)
};

// The program's extended precision: a 64-bit significand, rounding to
// nearest with ties to even, in which sums and products are formed before
// they are rounded once to single precision on store.
//
// On x86 that is the x87's long double, under the control word that the GL
// binding sets for the whole program. Elsewhere long double is another
// format (IEEE binary128 on aarch64, plain double on 32-bit ARM), so the
// same arithmetic is done in software, bit for bit as the x87 does it
// (PortableExtended.h); LIGHTNING_PORTABLE_EXTENDED builds that on x86 too.
//
// Both give: Extended(float) and Extended(std::uint32_t), exact; + - * /;
// SquareRoot; static_cast<float>, rounded once; RoundToInteger, to the
// nearest 64-bit integer, ties to even.
//
// Software costs some twenty times the x87's time per operation, too much
// for the bolt. There the software build takes shortcuts through the
// processor's double precision, which hold where the two give the same
// single (below); each shortcut falls back on the exact Extended
// expression, which alone defines the result.
#pragma once

#include <bit>
#include <cfloat>
#include <cstdint>

#if LIGHTNING_PORTABLE_EXTENDED
#include "lightning/PortableExtended.h"

using Extended = PortableExtended;
#else
#if !defined(__i386__) && !defined(__x86_64__)
#error "long double is the x87's format only on x86: build with LIGHTNING_PORTABLE_EXTENDED"
#endif
#include <cmath>

using Extended = long double;

inline Extended SquareRoot(Extended value) { return sqrtl(value); }
inline std::int64_t RoundToInteger(Extended value) { return llrintl(value); }
#endif

#if LIGHTNING_PORTABLE_EXTENDED
inline constexpr bool kSoftwareExtended = true;
#else
inline constexpr bool kSoftwareExtended = false;
#endif

// The shortcuts' tests. The double precision is IEEE binary64 rounding to
// nearest, with no wider intermediates.
static_assert(FLT_EVAL_METHOD == 0 || !kSoftwareExtended, "the shortcuts need plain double arithmetic");

// d is the double nearest the exact result x of one operation on singles
// (a sum, difference or product of products of two singles, all exact in
// double but for that rounding, and never underflowing there). Extended
// precision rounds x to 64 bits, then to single; the single nearest d is
// the same unless a rounding lands on a point halfway between two singles,
// and the x87's cannot land there without the double's: every such point is
// a double. So d's single is right unless d is such a point, NaN (whose
// sign and payload follow other rules), or below the normal singles, where
// those points lie elsewhere; zero, which is then exact, is right.
inline bool SingleOfNearestIsRight(double d) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(d);
  const std::uint64_t magnitude = bits & ~(std::uint64_t{1} << 63);
  constexpr std::uint64_t kSmallestNormalSingle = std::uint64_t(1023 - 126) << 52;
  constexpr std::uint64_t kInfinity = std::uint64_t(2047) << 52;
  // Halfway between two normal singles: the 29 bits below a single's
  // significand are 1 followed by zeros.
  constexpr std::uint64_t kBelowSingle = (std::uint64_t{1} << 29) - 1, kHalfway = std::uint64_t{1} << 28;
  return (magnitude - kSmallestNormalSingle <= kInfinity - kSmallestNormalSingle || magnitude == 0) &&
         (bits & kBelowSingle) != kHalfway;
}

// Works the exact expression out of line, where a shortcut cannot tell:
// rarely taken, it stays out of the code around the shortcut.
template <class Expression>
[[gnu::noinline, gnu::cold]] float OutOfLine(Expression expression) {
  return expression();
}

// The caller knows that both the exact value and the x87's result lie
// within bound of approximation. When approximation - bound and
// approximation + bound round to the same single, bit for bit, everything
// between them does, and that is the single; otherwise, or with a NaN, the
// caller works the value out in extended precision. The two sums round
// outwards by at most half a unit of their last place, which the caller's
// bound covers.
inline bool SingleWithin(double approximation, double bound, float &single) {
  const float low = static_cast<float>(approximation - bound), high = static_cast<float>(approximation + bound);
  single = high;
  return std::bit_cast<std::uint32_t>(low) == std::bit_cast<std::uint32_t>(high) && low == low;
}

// Software extended precision against the x87, bit for bit: each operation
// that the program computes with, on the cases where rounding is hardest
// and on a few million random operands; then the bolt's shortcuts through
// double precision against the same expressions on the x87. Built with
// the software type as Extended, on x86 only, where the x87 is the oracle.
#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "lightning/MVector.h"

namespace {

struct Bits {
  std::uint16_t signAndExponent;
  std::uint64_t significand;
  bool operator==(const Bits &) const = default;
};

Bits Of(long double x) {
  Bits b;
  unsigned char bytes[sizeof x];
  std::memcpy(bytes, &x, sizeof x);
  std::memcpy(&b.significand, bytes, 8);
  std::memcpy(&b.signAndExponent, bytes + 8, 2);
  return b;
}
Bits Of(PortableExtended x) { return {x.SignAndExponentBits(), x.SignificandBits()}; }
long double Hardware(Bits b) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &b.significand, 8);
  std::memcpy(bytes + 8, &b.signAndExponent, 2);
  long double x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}
PortableExtended Software(Bits b) { return PortableExtended::FromBits(b.signAndExponent, b.significand); }
std::uint32_t SingleBits(float f) { return std::bit_cast<std::uint32_t>(f); }

std::string Show(Bits b) {
  char text[64];
  std::snprintf(text, sizeof text, "%04x:%016" PRIx64 " (%Lg)", b.signAndExponent, b.significand, Hardware(b));
  return text;
}
std::string Show(float f) {
  char text[48];
  std::snprintf(text, sizeof text, "%08x (%g)", SingleBits(f), double(f));
  return text;
}

// Reports the first few differences in full, then counts them.
struct Differences {
  int count = 0;
  void Add(const std::string &what) {
    if (++count <= 20) ADD_FAILURE() << what;
  }
  ~Differences() { EXPECT_EQ(count, 0) << "differences in all"; }
};

// Each operation on the x87 (operands read through volatile, so that the
// compiler computes nothing) and in software, compared.
void Compare(Bits a, Bits b, Differences &differences) {
  const volatile long double x = Hardware(a), y = Hardware(b);
  const PortableExtended p = Software(a), q = Software(b);
  const struct {
    const char *name;
    Bits x87, software;
  } results[] = {
      {"+", Of(x + y), Of(p + q)},
      {"-", Of(x - y), Of(p - q)},
      {"*", Of(x * y), Of(p * q)},
      {"/", Of(x / y), Of(p / q)},
  };
  for (const auto &r : results)
    if (!(r.x87 == r.software))
      differences.Add(Show(a) + " " + r.name + " " + Show(b) + ": x87 " + Show(r.x87) + ", software " +
                      Show(r.software));
}

void CompareUnary(Bits a, Differences &differences) {
  const volatile long double x = Hardware(a);
  const PortableExtended p = Software(a);
  if (!(Of(sqrtl(x)) == Of(SquareRoot(p))))
    differences.Add("sqrt " + Show(a) + ": x87 " + Show(Of(sqrtl(x))) + ", software " + Show(Of(SquareRoot(p))));
  const float single = static_cast<float>(x), softSingle = static_cast<float>(p);
  if (SingleBits(single) != SingleBits(softSingle))
    differences.Add("single of " + Show(a) + ": x87 " + Show(single) + ", software " + Show(softSingle));
  const std::int64_t integer = llrintl(x), softInteger = RoundToInteger(p);
  if (integer != softInteger)
    differences.Add("integer of " + Show(a) + ": x87 " + std::to_string(integer) + ", software " +
                    std::to_string(softInteger));
}

void CompareLoads(float f, std::uint32_t u, Differences &differences) {
  const volatile float single = f;
  const volatile std::uint32_t integer = u;
  if (!(Of(static_cast<long double>(single)) == Of(PortableExtended(f))))
    differences.Add("load of single " + Show(f) + ": x87 " + Show(Of(static_cast<long double>(single))) +
                    ", software " + Show(Of(PortableExtended(f))));
  if (!(Of(static_cast<long double>(integer)) == Of(PortableExtended(u))))
    differences.Add("load of " + std::to_string(u) + ": x87 " + Show(Of(static_cast<long double>(integer))) +
                    ", software " + Show(Of(PortableExtended(u))));
}

// Values where rounding is hardest, as 80-bit encodings.
std::vector<Bits> HardValues() {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  std::vector<long double> values = {
      0.0L, 1.0L, 1.5L, 2.5L, 0.5L, 3.0L, 0.002L, 100.0L, 0x1p-32L, 7.0L,
      std::numeric_limits<long double>::infinity(), nan, LDBL_MAX, LDBL_MIN, LDBL_TRUE_MIN, LDBL_MIN / 2,
      1.0L + LDBL_EPSILON, 2.0L - LDBL_EPSILON, LDBL_MAX / 2, LDBL_MIN * 3,
      // Around the single-precision range and its halfway points.
      FLT_MAX, 0x1p128L - 0x1p103L, 0x1p128L - 0x1p103L - 0x1p64L, 0x1p128L, FLT_MIN, 0x1p-149L, 0x1p-150L,
      0x1p-150L + 0x1p-200L, 3 * 0x1p-151L, FLT_MIN - 0x1p-150L, 1.0L + 0x1p-24L, 1.0L + 0x1p-24L + 0x1p-63L,
      1.0L + 0x1p-24L - 0x1p-63L, 1.0L + 3 * 0x1p-24L, 1.0L - 0x1p-25L,
      // Around the 64-bit integers.
      0x1p63L, 0x1p63L - 0.5L, 0x1p62L + 0.5L, 0x1p62L + 1.5L, 0x1p63L - 1.0L};
  std::vector<Bits> bits;
  for (long double v : values) {
    bits.push_back(Of(v));
    bits.push_back(Of(-v));
  }
  // NaN with payloads, signalling among them, and the default NaN's twin.
  for (std::uint64_t significand : {0xC000000000000001ull, 0xA000000000000000ull, 0xFFFFFFFFFFFFFFFFull})
    for (std::uint16_t sign : {0x0000, 0x8000}) bits.push_back({std::uint16_t(sign | 0x7FFF), significand});
  return bits;
}

// Random 80-bit operands: exponents near the places where results round or
// overflow differently, significands with long runs of ones or zeros.
struct RandomOperands {
  std::mt19937_64 random{20261208};
  Bits Next() {
    static const int kCentres[] = {0, 64, 16383, 16383 - 126, 16383 - 150, 16383 + 127, 16383 + 63, 32766};
    const int centre = kCentres[random() % std::size(kCentres)];
    int field = centre + int(random() % 40) - 20;
    field = field < 0 ? 0 : field > 32766 ? 32766 : field;
    std::uint64_t significand = random();
    switch (random() % 4) {
      case 0: significand &= ~0ull << (random() % 64); break;
      case 1: significand |= (1ull << (random() % 64)) - 1; break;
      default: break;
    }
    significand = field == 0 ? significand >> 1 : significand | (1ull << 63);
    Bits b{std::uint16_t(field | (random() & 1) << 15), significand};
    if (random() % 64 == 0) b = {std::uint16_t(b.signAndExponent | 0x7FFF), random() % 2 ? 1ull << 63 : significand | 3ull << 62};
    if (random() % 64 == 0) b = {std::uint16_t(b.signAndExponent & 0x8000), 0};
    return b;
  }
};

}  // namespace

TEST(PortableExtended, MatchesTheX87OnHardCases) {
  unsigned short control;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  ASSERT_EQ(control & 0xF00, 0x300) << "the x87 must round to nearest with a 64-bit significand";
  Differences differences;
  const std::vector<Bits> values = HardValues();
  for (Bits a : values) {
    CompareUnary(a, differences);
    for (Bits b : values) Compare(a, b, differences);
  }
  for (float f : {0.0f, -0.0f, FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN * 5, FLT_MAX, std::numeric_limits<float>::infinity(),
                  std::bit_cast<float>(0xFFC00001u), std::bit_cast<float>(0x7F800001u)})
    for (std::uint32_t u : {0u, 1u, 0xFFFFFFFFu, 0x80000000u, 0x00FFFFFFu}) CompareLoads(f, u, differences);
}

TEST(PortableExtended, MatchesTheX87OnRandomOperands) {
  Differences differences;
  RandomOperands operands;
  for (int i = 0; i < 1000000 && differences.count < 100; ++i) {
    const Bits a = operands.Next(), b = operands.Next();
    Compare(a, b, differences);
    CompareUnary(a, differences);
    CompareLoads(std::bit_cast<float>(std::uint32_t(operands.random())),
                 std::uint32_t(operands.random()) >> (operands.random() % 32), differences);
  }
}

// The shortcuts through double precision give the x87's singles: on random
// singles of every size, and on operands made to land halfway between two
// singles, where a shortcut has to give way to the exact expression.
TEST(ExtendedShortcuts, GiveTheX87sSingles) {
  ASSERT_TRUE(kSoftwareExtended);
  Differences differences;
  std::mt19937 random(7);
  const auto single = [&] {
    // Any bits at all one time in eight; otherwise a finite single near 1,
    // or of any size.
    const std::uint32_t bits = random();
    if (bits % 8 == 0) return std::bit_cast<float>(bits);
    const int exponent = bits % 8 < 5 ? 127 + int(random() % 16) - 8 : int(random() % 254) + 1;
    return std::bit_cast<float>((bits & 0x807FFFFFu) | std::uint32_t(exponent) << 23);
  };
  const auto check = [&](const char *what, float x87, float software, std::initializer_list<float> operands) {
    if (SingleBits(x87) == SingleBits(software)) return;
    std::string text = std::string(what) + " of";
    for (float f : operands) text += " " + Show(f);
    differences.Add(text + ": x87 " + Show(x87) + ", software " + Show(software));
  };
  for (int i = 0; i < 1000000; ++i) {
    float a = single(), b = single(), c = single(), d = single();
    // h, half a unit of a's last place; k, a small multiple of 2^-23.
    const int exponent = std::isfinite(a) && a != 0 ? std::ilogb(a) : 0;
    const float h = std::ldexp(1.0f, exponent - 24), k = std::ldexp(float(random() % 4096), -23);
    switch (i % 4) {
      case 1:  // a - b halfway between two singles, or next to it
        b = h * (1.0f + std::ldexp(float(int(random() % 5) - 2), -23));
        break;
      case 2:  // a - c * d the same, off by k^2 h, beyond double's reach
        b = 1.0f, c = h * (1.0f + k), d = 1.0f - k;
        break;
      case 3:  // sqrt(a^2 + b^2) near a + h
        b = std::sqrt(2.0f * a * h) * (1.0f + k / 2048.0f), c = c * h * k;
        break;
      default:
        break;
    }
    using H = long double;
    check("a - b", float(H(a) - b), Difference(a, b), {a, b});
    check("a * b", float(H(a) * b), Product(a, b), {a, b});
    check("a * b - c * d", float(H(a) * b - H(c) * d), DifferenceOfProducts(a, b, c, d), {a, b, c, d});
    check("1 / a", float(1.0L / a), Reciprocal(a), {a});
    check("length", float(sqrtl((H(a) * a + H(b) * b) + H(c) * c)), VectorLength(MakeVector(a, b, c)), {a, b, c});
  }
}

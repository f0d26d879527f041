// The Windows-1251 code page, in which the program holds all of its
// user-visible text: the overlay's bytes index the font's glyphs directly,
// and the message texts are converted to UTF-8 only where they leave the
// program (the message boxes).
//
// Source files hold the texts as UTF-8; Cp1251("...") converts a literal at
// compile time, so a character the code page lacks is a compile error.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cp1251 {

// Code points of the bytes 0x80 to 0xFF; 0 marks the one unassigned byte, 0x98.
inline constexpr std::array<char32_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// The code point of one byte, or 0 for the unassigned 0x98.
constexpr char32_t ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t(byte) : kUpperHalf[byte - 0x80];
}

// The byte of one code point, or -1 when the code page has none.
constexpr int FromUnicode(char32_t code) {
  if (code < 0x80) return int(code);
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i)
    if (kUpperHalf[i] == code) return int(0x80 + i);
  return -1;
}

// Decodes one UTF-8 sequence at text[at], advancing at; returns U+FFFD for a
// malformed or truncated one (consuming one byte), so decoding never stalls.
constexpr char32_t DecodeUtf8(std::string_view text, std::size_t &at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || at + extra > text.size()) return 0xFFFD;
  char32_t code = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    code = (code << 6) | (next & 0x3F);
  }
  at += extra;
  return code;
}

// The next character of a UTF-8 text as a Windows-1251 byte, advancing at;
// a character the code page lacks becomes '?', as an ANSI window gets it.
constexpr unsigned char NextByte(std::string_view utf8, std::size_t &at) {
  const int byte = FromUnicode(DecodeUtf8(utf8, at));
  return byte < 0 ? '?' : static_cast<unsigned char>(byte);
}

// A converted text: the bytes, then a terminating zero.
template <std::size_t N>
struct Text {
  std::array<char, N> bytes{};
  std::size_t length = 0;
  constexpr const char *c_str() const { return bytes.data(); }
  constexpr std::string_view view() const { return {bytes.data(), length}; }
};

}  // namespace cp1251

// A UTF-8 literal as Windows-1251 bytes, converted at compile time.
template <std::size_t N>
consteval cp1251::Text<N> Cp1251(const char (&utf8)[N]) {
  cp1251::Text<N> out;
  const std::string_view text(utf8, N - 1);
  std::size_t at = 0;
  while (at < text.size()) {
    const int byte = cp1251::FromUnicode(cp1251::DecodeUtf8(text, at));
    if (byte < 0) throw "character outside the Windows-1251 code page";
    out.bytes[out.length++] = static_cast<char>(byte);
  }
  out.bytes[out.length] = '\0';
  return out;
}

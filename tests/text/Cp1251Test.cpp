// The code page table against the system's own Windows-1251 conversion.
#include <iconv.h>

#include <gtest/gtest.h>

#include "text/Cp1251.h"

TEST(CodePage, EveryByteMeansWhatTheSystemsWindows1251Says) {
  const iconv_t converter = iconv_open("UTF-32LE", "WINDOWS-1251");
  ASSERT_NE(converter, iconv_t(-1));
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    char in = char(byte), *from = &in;
    char32_t code = 0;
    char *to = reinterpret_cast<char *>(&code);
    std::size_t inLeft = 1, outLeft = sizeof code;
    // The one unassigned byte, 0x98, has no conversion; the table holds 0.
    if (iconv(converter, &from, &inLeft, &to, &outLeft) == std::size_t(-1)) code = 0;
    EXPECT_EQ(cp1251::ToUnicode(static_cast<unsigned char>(byte)), code);
    if (code) {
      EXPECT_EQ(cp1251::FromUnicode(code), byte);
    }
  }
  iconv_close(converter);
}

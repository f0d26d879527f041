// The code page table against the system's own Windows-1251 conversion:
// iconv's on Linux, the system's code page 1251 on Windows.
#if defined(_WIN32)
#include "glbinding/WinApi.h"
#else
#include <iconv.h>
#endif

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace {

// The character the system makes of one byte; 0 where it has none.
#if defined(_WIN32)
class SystemCodePage {
 public:
  char32_t operator()(char byte) const {
    wchar_t wide = 0;
    if (MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) != 1) return 0;
    return char32_t(wide);
  }
};
#else
class SystemCodePage {
 public:
  SystemCodePage() : converter_(iconv_open("UTF-32LE", "WINDOWS-1251")) {}
  ~SystemCodePage() {
    if (converter_ != iconv_t(-1)) iconv_close(converter_);
  }
  bool Works() const { return converter_ != iconv_t(-1); }
  char32_t operator()(char in) const {
    char *from = &in;
    char32_t code = 0;
    char *to = reinterpret_cast<char *>(&code);
    std::size_t inLeft = 1, outLeft = sizeof code;
    if (iconv(converter_, &from, &inLeft, &to, &outLeft) == std::size_t(-1)) return 0;
    return code;
  }

 private:
  iconv_t converter_;
};
#endif

}  // namespace

TEST(CodePage, EveryByteMeansWhatTheSystemsWindows1251Says) {
  const SystemCodePage system;
#if !defined(_WIN32)
  ASSERT_TRUE(system.Works());
#endif
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    // The one unassigned byte, 0x98, has no character: the table holds 0.
    // iconv has no conversion for it either; Windows passes it through as
    // the control code U+0098.
    if (byte == 0x98) {
      EXPECT_EQ(cp1251::ToUnicode(0x98), 0u);
      continue;
    }
    const char32_t code = system(char(byte));
    EXPECT_EQ(cp1251::ToUnicode(static_cast<unsigned char>(byte)), code);
    if (code) {
      EXPECT_EQ(cp1251::FromUnicode(code), byte);
    }
  }
}

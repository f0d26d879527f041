#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include <gtest/gtest.h>

#include "imaging/DTexture.h"
#include "tests/imaging/ImagingTestFiles.h"
#include "tests/support/GLRecorder.h"

namespace {

const Bytes TwoByTwo = BmpFile({.width = 2, .height = 2},
                               {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});

class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::string &path) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~ScopedWorkingDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// The calls LoadTexture makes before it knows whether there is an image.
void ExpectSetUpCalls(const GLRecorder &rec, GLuint name) {
  ASSERT_GE(rec.calls.size(), 5u);
  const auto &c = rec.calls;
  EXPECT_EQ(c[0].name, "glGenTextures");
  EXPECT_EQ(c[0].args, (std::vector<double>{1}));
  EXPECT_EQ(c[1].name, "glBindTexture");
  EXPECT_EQ(c[1].args, (std::vector<double>{GL_TEXTURE_2D, double(name)}));
  EXPECT_EQ(c[2].name, "glPixelStorei");
  EXPECT_EQ(c[2].args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 1}));
  EXPECT_EQ(c[3].name, "glTexParameteri");
  EXPECT_EQ(c[3].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}));
  EXPECT_EQ(c[4].name, "glTexParameteri");
  EXPECT_EQ(c[4].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}));
}

TEST(TextureLoader, LoadsABitmapWithTheFiltersThatSuitMipmaps) {
  ScratchDir dir;
  const std::string name = dir.Write("DATA/font.bmp", TwoByTwo);
  for (const bool mipmaps : {true, false}) {
    SCOPED_TRACE(mipmaps);
    GLRecorder rec;
    rec.nextTexture = 41;
    bool loaded = false;
    EXPECT_EQ(LoadTexture(mipmaps, name, &loaded), 41u);
    EXPECT_TRUE(loaded);
    // The reads of GL's error state around the upload are not at issue here.
    std::erase_if(rec.calls, [](const GLCall &call) { return call.name == "glGetError"; });
    ExpectSetUpCalls(rec, 41);
    ASSERT_EQ(rec.calls.size(), 8u);
    const auto &c = rec.calls;
    const double rgb = GL_RGB, ubyte = GL_UNSIGNED_BYTE;
    if (mipmaps) {
      EXPECT_EQ(c[5].name, "gluBuild2DMipmaps");
      EXPECT_EQ(c[5].args, (std::vector<double>{GL_TEXTURE_2D, 3, 2, 2, rgb, ubyte}));
    } else {
      EXPECT_EQ(c[5].name, "glTexImage2D");
      EXPECT_EQ(c[5].args, (std::vector<double>{GL_TEXTURE_2D, 0, 3, 2, 2, 0, rgb, ubyte}));
    }
    ASSERT_EQ(c[5].pointers.size(), 1u);
    EXPECT_NE(c[5].pointers[0], nullptr);
    EXPECT_EQ(c[6].name, "glTexParameteri");
    EXPECT_EQ(c[6].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}));
    EXPECT_EQ(c[7].name, "glTexParameteri");
    EXPECT_EQ(c[7].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                                              double(mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)}));
  }
}

TEST(TextureLoader, NoImageStillCostsABoundTextureNameButSetsNoFilter) {
  ScratchDir dir;
  const std::string files[] = {
      dir.Path() + "/missing.bmp",
      dir.Write("empty.bmp", {}),
      dir.Write("font.txt", TwoByTwo),
      dir.Write("sixteen.bmp", BmpFile({.bits = 16}, {1, 2, 3, 4})),
      dir.Write("short.bmp", Bytes(TwoByTwo.begin(), TwoByTwo.begin() + 40)),
  };
  for (const std::string &file : files) {
    SCOPED_TRACE(file);
    GLRecorder rec;
    const GLuint first = LoadTexture(true, file);
    const GLuint second = LoadTexture(true, file);
    EXPECT_NE(first, second);
    ASSERT_EQ(rec.calls.size(), 10u) << "an upload or a filter was set without an image";
    ExpectSetUpCalls(rec, first);
    rec.calls.erase(rec.calls.begin(), rec.calls.begin() + 5);
    ExpectSetUpCalls(rec, second);
  }
}

TEST(TextureLoader, ExtensionIsEverythingAfterTheFirstDotOfTheFileNameLowerCased) {
  ScratchDir dir;
  const std::string base = std::filesystem::path(dir.Path()).filename().string();
  for (const char *file : {"font.bmp", "font.BMP", "font.bak.bmp", "my.dir/font.bmp", "my.dir/font",
                           "sub/font.bmp", "DATA/font.bmp", "bmp", "BmP", "font.txt", "font",
                           "font.bmp.txt", "font.bmp "})
    dir.Write(file, TwoByTwo);

  ScopedWorkingDirectory cwd(dir.Path());
  struct Case {
    std::string name;
    bool decoded;
  };
  const Case cases[] = {
      {"font.bmp", true},
      {"font.BMP", true},
      {"DATA/font.bmp", true},
      {"bmp", true},  // no dot: the whole name is the extension
      {"BmP", true},
      {"font.bak.bmp", false},  // extension "bak.bmp"
      // Dots in folders are not the file's.
      {"my.dir/font.bmp", true},
      {"sub/../font.bmp", true},
      {"../" + base + "/font.bmp", true},
      {"./font.bmp", true},
      {dir.Path() + "/bmp", true},
#if defined(_WIN32)
      // Windows separates folders with "\\" too.
      {"my.dir\\font.bmp", true},
      {"..\\" + base + "\\font.bmp", true},
#endif
      {"my.dir/font", false},
      {"font.txt", false},
      {"font", false},
      {"font.bmp.txt", false},
      {"font.bmp ", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(std::filesystem::exists(c.name));
    const auto image = LoadImageFile(c.name);
    EXPECT_EQ(image != nullptr, c.decoded);
    if (image) {
      EXPECT_EQ(image->Pixels[0], 9);
    }
  }
}

TEST(TextureLoader, AReadErrorPassesOutOfLoadTextureAfterTheSetUp) {
  const std::string shortFile = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat status;
  if (stat(shortFile.c_str(), &status) != 0 || status.st_size != 4096)
    GTEST_SKIP() << "no sysfs file that reads short";
  GLRecorder rec;
  EXPECT_THROW(LoadTexture(true, shortFile), std::system_error);
  EXPECT_EQ(rec.calls.size(), 5u);
  ExpectSetUpCalls(rec, 1);
}

}  // namespace

// Every file of the fuzzer's seed corpus (and every input the fuzzer ever
// failed on) through the decoder, in the ordinary build: regressions show
// up even where clang and libFuzzer are missing.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "imaging/TBmpLoader.h"

namespace {

TEST(BmpCorpus, EveryFileGivesTheOutcomeItsNameStatesWithoutAFault) {
  std::vector<std::filesystem::path> files;
  for (const auto &entry : std::filesystem::directory_iterator(IMAGING_CORPUS_DIR))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 20u) << "the corpus is missing from " IMAGING_CORPUS_DIR;

  int decoded = 0, refused = 0;
  for (const auto &file : files) {
    const std::string name = file.filename().string();
    SCOPED_TRACE(name);
    TData data(file.string());
    ASSERT_EQ(data.Size, std::filesystem::file_size(file));
    const std::unique_ptr<TTexture> image = LoadBmp(data);
    EXPECT_LE(data.Position, data.Size);
    if (image) {
      ++decoded;
      EXPECT_TRUE(image->Components == 3 || image->Components == 4);
      EXPECT_EQ(image->Pixels != nullptr, image->PixelBytes() > 0);
      // Every byte the image claims is there to read (a sanitized build
      // checks the extent).
      unsigned sum = 0;
      for (std::int64_t i = 0; i < image->PixelBytes(); ++i) sum += image->Pixels[i];
      (void)sum;
    } else {
      ++refused;
    }
    if (name.starts_with("decodes-")) {
      EXPECT_NE(image, nullptr);
    } else if (name.starts_with("refused-")) {
      EXPECT_EQ(image, nullptr);
    }
  }
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace

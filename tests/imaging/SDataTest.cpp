#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <gtest/gtest.h>

#include "imaging/SData.h"
#include "tests/imaging/ImagingTestFiles.h"

#if defined(_WIN32)
#include "glbinding/WinApi.h"
#else
#include <unistd.h>
#endif

namespace {

void ExpectEmpty(TData &data, const std::string &what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(data.Size, 0u);
  EXPECT_EQ(data.Buffer, nullptr);
  EXPECT_EQ(data.Position, 0u);
  EXPECT_TRUE(data.AtEnd());
  EXPECT_EQ(data.ReadByte(), 0);
  EXPECT_EQ(data.CurrentPointer(), nullptr);
  data.Skip(5);
  EXPECT_EQ(data.Position, 0u);
}

TEST(Data, AnythingButAReadableNonEmptyFileGivesAnEmptyBufferWithoutError) {
  ScratchDir dir;
  const std::string empty = dir.Write("empty", {});
  const std::string folder = dir.Path() + "/folder";
  std::filesystem::create_directory(folder);
#if defined(_WIN32)
  // A device opens like a file but has no length worth trusting.
  const std::string device = "NUL";
#else
  // A FIFO with no writer would block a plain open for reading.
  const std::string device = dir.Path() + "/fifo";
  ASSERT_EQ(mkfifo(device.c_str(), 0600), 0);
#endif

  const int descriptors = OpenDescriptorCount();
  for (const std::string &name : {dir.Path() + "/missing", dir.Path() + "/no/such/path", empty,
                                  folder, device, std::string(5000, 'x'), std::string()}) {
    TData data(name);
    ExpectEmpty(data, name.substr(0, 80));
  }
  TData none(static_cast<const char *>(nullptr));
  ExpectEmpty(none, "null name");
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(Data, CursorReadsEveryByteOnceAndNeverPassesTheEnd) {
  ScratchDir dir;
  Bytes bytes(20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(100 + i);
  TData data(dir.Write("twenty", bytes));

  ASSERT_EQ(data.Size, 20u);
  ASSERT_NE(data.Buffer, nullptr);
  EXPECT_EQ(std::memcmp(data.Buffer.get(), bytes.data(), 20), 0);
  EXPECT_FALSE(data.AtEnd());

  // Reading in place does not move the cursor; Skip(14) moves the view by 14.
  const std::uint8_t *first = data.CurrentPointer();
  EXPECT_EQ(first, data.Buffer.get());
  EXPECT_EQ(data.Position, 0u);
  data.Skip(14);
  EXPECT_EQ(data.CurrentPointer(), first + 14);
  EXPECT_EQ(data.ReadByte(), 114);
  EXPECT_EQ(data.ReadByte(), 115);
  EXPECT_EQ(data.Position, 16u);

  // A skip whose sum would wrap a 32-bit value still stops at the end.
  data.Skip(0xFFFFFFFFu);
  EXPECT_EQ(data.Position, 20u);
  EXPECT_TRUE(data.AtEnd());
  EXPECT_EQ(data.CurrentPointer(), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(data.ReadByte(), 0);
  EXPECT_EQ(data.Position, 20u);

  // Up to the last byte and no further.
  TData again(dir.Path() + "/twenty");
  again.Skip(19);
  EXPECT_EQ(again.CurrentPointer(), again.Buffer.get() + 19);
  EXPECT_EQ(again.ReadByte(), 119);
  EXPECT_TRUE(again.AtEnd());
  again.Skip(0);
  EXPECT_EQ(again.Position, 20u);
}

TEST(Data, OpensForReadingOnlySoAFileThatCannotBeWrittenStillLoads) {
  // The running executable cannot be opened for writing (ETXTBSY on Linux,
  // a sharing violation on Windows), even by root, so it stands for a
  // read-only font file.
#if defined(_WIN32)
  char selfName[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, selfName, sizeof selfName), 0u);
  const char *magic = "MZ";
#else
  // Its own name, which qemu-user also gives for the program it runs:
  // /proc/self/exe itself is the emulator's file there.
  const std::string selfName = std::filesystem::read_symlink("/proc/self/exe");
  const char *magic = "\x7f" "ELF";
#endif
  const auto size = std::filesystem::file_size(selfName);
  ASSERT_LT(size, 0xFFFFFFFFu);
  TData self(selfName);
  ASSERT_EQ(self.Size, size);
  EXPECT_EQ(std::memcmp(self.Buffer.get(), magic, std::strlen(magic)), 0);

  ScratchDir dir;
  const std::string name = dir.Write("readonly", {1, 2, 3});
  // No write permission anywhere (the read-only attribute, on Windows).
  using std::filesystem::perms;
  std::filesystem::permissions(name, perms::owner_write | perms::group_write | perms::others_write,
                               std::filesystem::perm_options::remove);
  TData readOnly(name);
  EXPECT_EQ(readOnly.Size, 3u);
}

TEST(Data, ShortReadAfterTheOpenThrowsNamingTheFileAndLeaksNoDescriptor) {
  // sysfs reports a length of 4096 for a file that delivers a few bytes.
  const std::string shortFile = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat status;
  if (stat(shortFile.c_str(), &status) != 0 || status.st_size != 4096)
    GTEST_SKIP() << "no sysfs file that reads short";
  const int descriptors = OpenDescriptorCount();
  try {
    TData data(shortFile);
    ADD_FAILURE() << "a short read was taken for a whole file";
  } catch (const std::system_error &error) {
    EXPECT_NE(std::string(error.what()).find(shortFile), std::string::npos) << error.what();
  }
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(Data, FileBeyondThe32BitSizeThrowsInsteadOfTruncating) {
  // Sparse: it costs no disk, and it is refused before anything is allocated.
  ScratchDir dir;
  const std::string huge = dir.Write("huge", {});
  std::filesystem::resize_file(huge, 0x100000001ull);
  const int descriptors = OpenDescriptorCount();
  try {
    TData data(huge);
    ADD_FAILURE() << "a file over 4 GiB was read as " << data.Size << " bytes";
  } catch (const std::system_error &error) {
    EXPECT_EQ(error.code(), std::errc::file_too_large);
    EXPECT_NE(std::string(error.what()).find(huge), std::string::npos) << error.what();
  }
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

}  // namespace

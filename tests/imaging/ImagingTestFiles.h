// Bitmap files built byte by byte, and a scratch folder to put them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The two headers of a bitmap file; every field can be set wrong.
struct BmpHeader {
  std::uint16_t signature = 0x4D42;  // "BM"
  std::uint32_t pixelOffset = 54;
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t planes = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
};

// 54 header bytes (file size field filled in) followed by the pixel bytes.
Bytes BmpFile(const BmpHeader &header, const Bytes &pixels = {});

// A fresh folder under /tmp (the system's temporary folder on Windows),
// removed with everything in it at the end. Its path has no "." so that it
// never changes a file name's extension.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;

  const std::string &Path() const { return path_; }
  // Writes the bytes to Path()/name (creating sub-folders) and returns the
  // full name.
  std::string Write(const std::string &name, const Bytes &bytes) const;

 private:
  std::string path_;
};

// Open descriptors (handles, on Windows) of this process, to catch a leaked
// file.
int OpenDescriptorCount();

#include "tests/imaging/ImagingTestFiles.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#if defined(_WIN32)
#include "glbinding/WinApi.h"
#endif

namespace {

void Put16(Bytes &out, std::size_t at, std::uint16_t v) {
  out[at] = std::uint8_t(v);
  out[at + 1] = std::uint8_t(v >> 8);
}
void Put32(Bytes &out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
}

}  // namespace

Bytes BmpFile(const BmpHeader &h, const Bytes &pixels) {
  Bytes out(54 + pixels.size(), 0);
  Put16(out, 0, h.signature);
  Put32(out, 2, std::uint32_t(54 + pixels.size()));
  Put32(out, 10, h.pixelOffset);
  Put32(out, 14, h.headerSize);
  Put32(out, 18, std::uint32_t(h.width));
  Put32(out, 22, std::uint32_t(h.height));
  Put16(out, 26, h.planes);
  Put16(out, 28, h.bits);
  Put32(out, 30, h.compression);
  Put32(out, 34, std::uint32_t(pixels.size()));
  std::copy(pixels.begin(), pixels.end(), out.begin() + 54);
  return out;
}

ScratchDir::ScratchDir() {
#if defined(_WIN32)
  // The system's temporary folder, under a name no other run has taken.
  std::random_device random;
  for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
    const auto candidate = std::filesystem::temp_directory_path() / ("imaging-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate.string();
  }
  if (path_.empty()) throw std::runtime_error("cannot make a scratch folder");
#else
  char pattern[] = "/tmp/imaging-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
#endif
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string &name, const Bytes &bytes) const {
  const std::filesystem::path full = std::filesystem::path(path_) / name;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + full.string());
  return full.string();
}

int OpenDescriptorCount() {
#if defined(_WIN32)
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  return int(handles);
#else
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
#endif
}

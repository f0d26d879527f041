// libFuzzer target: arbitrary bytes as a file, through TData and LoadBmp,
// then through the cursor operations in an order the bytes choose.
//
// The bytes reach TData through an in-memory file (memfd) opened by its
// /proc name, so the production class is fuzzed exactly as it reads files
// and needs no test-only entry point.
//
// Build with clang++ -fsanitize=fuzzer,address,undefined (see
// tests/imaging/CMakeLists.txt); run with a copy of tests/imaging/corpus.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "imaging/TBmpLoader.h"

namespace {

// Images the header asks for beyond this are legal but only cost time and
// memory here; the arithmetic at the 32-bit limit is covered by the unit
// tests, and larger sizes that wrap are still fuzzed because the decoder
// refuses them before allocating.
constexpr std::int64_t PixelBudget = std::int64_t{1} << 16;  // every path, ~10k runs/s

bool TooCostly(const std::uint8_t *bytes, std::size_t size) {
  if (size < 30) return false;
  auto s32 = [&](std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
                                     std::uint32_t{bytes[at + 2]} << 16 |
                                     std::uint32_t{bytes[at + 3]} << 24);
  };
  // A negative height is a top-down image of as many rows.
  const std::int64_t area = std::int64_t{s32(18)} * std::abs(std::int64_t{s32(22)});  // |area| <= 2^62
  if (area > std::numeric_limits<std::int32_t>::max() || area < std::numeric_limits<std::int32_t>::min())
    return false;  // refused before anything is allocated
  const int components = (bytes[28] | bytes[29] << 8) == 32 ? 4 : 3;
  const std::int64_t bytesWanted = area * components;
  return bytesWanted > PixelBudget && bytesWanted <= std::numeric_limits<std::int32_t>::max();
}

const std::string &FileName() {
  static const std::string name = [] {
    const int fd = memfd_create("bmp-fuzz", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
  }();
  return name;
}

void WriteFile(const std::uint8_t *bytes, std::size_t size) {
  const int fd = std::stoi(FileName().substr(14));
  if (ftruncate(fd, 0) != 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, bytes + done, size - done, off_t(done));
    if (n <= 0) std::abort();
    done += std::size_t(n);
  }
}

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
  if (TooCostly(bytes, size)) return 0;
  WriteFile(bytes, size);

  {
    TData data(FileName());
    Check(data.Size == size);
    Check((data.Buffer == nullptr) == (size == 0));
    const std::unique_ptr<TTexture> image = LoadBmp(data);
    Check(data.Position <= data.Size);
    if (image) {
      Check(size >= 54);
      Check(image->Components == 3 || image->Components == 4);
      Check((image->Pixels != nullptr) == (image->PixelBytes() > 0));
      // Reads every byte the image claims, so a short buffer shows up.
      volatile std::uint8_t sink = 0;
      for (std::int64_t i = 0; i < image->PixelBytes(); ++i) sink = sink ^ image->Pixels[i];
    }
  }

  // The cursor under a sequence of operations picked by the input.
  TData data(FileName());
  std::uint32_t last = 0;
  for (std::size_t i = 0; i < size && i < 256; ++i) {
    const std::uint8_t op = bytes[i];
    switch (op & 3) {
      case 0: {
        const bool atEnd = data.AtEnd();
        const std::uint8_t b = data.ReadByte();
        if (atEnd) Check(b == 0);
        break;
      }
      case 1:
        data.Skip(op & 0x80 ? 0xFFFFFFFFu - (op >> 2) : op >> 2);
        break;
      case 2:
        if (const std::uint8_t *p = data.CurrentPointer()) {
          Check(p == data.Buffer.get() + data.Position);
          volatile std::uint8_t sink = *p;
          (void)sink;
        } else {
          Check(data.AtEnd());
        }
        break;
      default:
        Check(data.AtEnd() == (data.Position >= data.Size));
        break;
    }
    Check(data.Position <= data.Size && data.Position >= last);
    last = data.Position;
  }
  return 0;
}

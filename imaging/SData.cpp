#include "imaging/SData.h"

#include "platform/FileRead.h"

struct TData::FileContents {
  std::unique_ptr<std::uint8_t[]> buffer;
  std::uint32_t size = 0;
};

// Buffer and Size are fixed at construction, so the file is read before
// either is made.
TData::TData(const char *fileName)
    : TData([fileName] {
        FileContents contents;
        ReadWholeFile(fileName, contents.buffer, contents.size);
        return contents;
      }()) {}

TData::TData(FileContents &&contents) : Buffer(std::move(contents.buffer)), Size(contents.size) {}

TData::~TData() = default;

bool TData::AtEnd() const { return Position >= Size; }

std::uint8_t TData::ReadByte() {
  if (Position >= Size) return 0;
  return Buffer[Position++];
}

const std::uint8_t *TData::CurrentPointer() const {
  if (Position >= Size) return nullptr;
  return Buffer.get() + Position;
}

void TData::Skip(std::uint32_t n) {
  // Compared as a remainder so that Position + n cannot wrap.
  if (Position >= Size || n >= Size - Position)
    Position = Size;
  else
    Position += n;
}

// TData: the whole contents of one file in memory, handed out through a read
// cursor that only moves forward.
//
// - The constructor reads the file in one go. A file that cannot be opened
//   (missing, a directory, anything but a regular file) leaves the buffer
//   empty without error; an I/O failure after the open, or a file too large
//   for the 32-bit size, throws std::system_error naming the file.
// - Every read is bounded: ReadByte gives 0 at the end, CurrentPointer gives
//   null at the end, Skip stops at the end. Nothing moves the cursor back.
// - Buffer and Size never change after construction. Position may be read
//   freely; the operations stay in bounds whatever it holds.
// - Not thread-safe; lives for one load only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TData {
 public:
  explicit TData(const char *fileName);
  explicit TData(const std::string &fileName) : TData(fileName.c_str()) {}
  TData(const TData &) = delete;
  TData &operator=(const TData &) = delete;
  ~TData();

  // True when nothing is left to read; at once for an empty buffer.
  bool AtEnd() const;
  // The byte under the cursor, which then moves on by one; 0 at the end.
  std::uint8_t ReadByte();
  // The address of the byte under the cursor, for reading a structure in
  // place; null at the end. Callers check Size - Position for the extent.
  const std::uint8_t *CurrentPointer() const;
  // Moves the cursor on by n bytes, stopping at Size.
  void Skip(std::uint32_t n);

  const std::unique_ptr<const std::uint8_t[]> Buffer;  // exactly Size bytes; null when Size is 0
  const std::uint32_t Size;
  std::uint32_t Position = 0;

 private:
  struct FileContents;
  explicit TData(FileContents &&contents);
};

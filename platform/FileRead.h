// Reading a whole file by name: the one place where the program opens a
// file (the file buffer, imaging/SData.h, is its only user).
//
// - A file that cannot be opened for reading, or that is not a regular file
//   (a directory, FIFO or device), gives false, with nothing read and
//   nothing thrown: the caller treats it as an empty buffer.
// - Once the file is open, every failure throws std::system_error naming
//   the file: its size cannot be had, it is too large for a 32-bit size, a
//   read delivers less than the size, or closing it fails. The file is
//   closed on every path.
// - buffer is null for an empty file.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

bool ReadWholeFile(const char *fileName, std::unique_ptr<std::uint8_t[]> &buffer, std::uint32_t &size);

// Where the file's own name begins in a path: after the last folder
// separator, "/" on Linux; "\\", "/" or a drive's ":" on Windows.
inline std::size_t FileNameStart(std::string_view path) {
#if defined(_WIN32)
  const std::size_t separator = path.find_last_of("\\/:");
#else
  const std::size_t separator = path.rfind('/');
#endif
  return separator == std::string_view::npos ? 0 : separator + 1;
}

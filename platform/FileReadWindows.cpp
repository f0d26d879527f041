#include <limits>
#include <string>
#include <system_error>

#include "platform/FileRead.h"
#include "glbinding/WinApi.h"

namespace {

[[noreturn]] void ThrowIOError(DWORD error, const char *what, const char *fileName) {
  throw std::system_error(static_cast<int>(error), std::system_category(),
                          std::string(what) + " \"" + fileName + "\"");
}

// The failures this file finds itself, in the portable error codes that the
// Linux build reports for them.
[[noreturn]] void ThrowOwnError(std::errc error, const char *what, const char *fileName) {
  throw std::system_error(std::make_error_code(error), std::string(what) + " \"" + fileName + "\"");
}

// Owns the handle until Close() hands back its result, so that every
// exception on the way out still closes the file.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle &) = delete;
  FileHandle &operator=(const FileHandle &) = delete;
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

}  // namespace

bool ReadWholeFile(const char *fileName, std::unique_ptr<std::uint8_t[]> &buffer, std::uint32_t &size) {
  buffer.reset();
  size = 0;
  if (fileName == nullptr) return false;

  // An existing file, read access only (a read-only font file must load like
  // any other), shared with readers and writers alike. A directory cannot be
  // opened this way at all.
  HANDLE handle = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;  // no file is not an error
  FileHandle file(handle);
  // Only a file on disk has a length worth trusting; a device (CON, NUL, a
  // pipe) is treated as a file that could not be opened.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) return false;

  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file.Get(), &length)) ThrowIOError(GetLastError(), "cannot query the size of", fileName);
  if (length.QuadPart < 0 || static_cast<std::uint64_t>(length.QuadPart) > std::numeric_limits<std::uint32_t>::max())
    ThrowOwnError(std::errc::file_too_large, "file too large to read", fileName);

  const auto bytesWanted = static_cast<std::uint32_t>(length.QuadPart);
  std::unique_ptr<std::uint8_t[]> bytes;
  if (bytesWanted != 0) {
    bytes = std::make_unique_for_overwrite<std::uint8_t[]>(bytesWanted);
    std::uint32_t got = 0;
    while (got < bytesWanted) {
      DWORD n = 0;
      if (!ReadFile(file.Get(), bytes.get() + got, bytesWanted - got, &n, nullptr))
        ThrowIOError(GetLastError(), "cannot read", fileName);
      if (n == 0) break;
      got += n;
    }
    // A file that delivers less than its stated length is an I/O error,
    // not a shorter file.
    if (got != bytesWanted) ThrowOwnError(std::errc::io_error, "short read from", fileName);
  }
  if (!file.Close()) ThrowIOError(GetLastError(), "cannot close", fileName);

  buffer = std::move(bytes);
  size = bytesWanted;
  return true;
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <string>
#include <system_error>

#include "platform/FileRead.h"

namespace {

[[noreturn]] void ThrowIOError(int error, const char *what, const char *fileName) {
  throw std::system_error(error, std::generic_category(), std::string(what) + " \"" + fileName + "\"");
}

// Owns the descriptor until Close() hands back its result, so that every
// exception on the way out still closes the file.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(const FileHandle &) = delete;
  FileHandle &operator=(const FileHandle &) = delete;
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Linux releases the descriptor even when close reports an error, so it
  // is never closed twice.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace

bool ReadWholeFile(const char *fileName, std::unique_ptr<std::uint8_t[]> &buffer, std::uint32_t &size) {
  buffer.reset();
  size = 0;
  if (fileName == nullptr) return false;

  // Read access only: a read-only font file must load like any other.
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;  // no file is not an error: the buffer stays empty
  FileHandle file(fd);

  struct stat status;
  if (::fstat(file.Get(), &status) != 0) ThrowIOError(errno, "cannot query the size of", fileName);
  // Only a regular file has a length worth trusting; a directory, FIFO or
  // device is treated as a file that could not be opened.
  if (!S_ISREG(status.st_mode)) return false;
  if (status.st_size < 0 ||
      static_cast<std::uint64_t>(status.st_size) > std::numeric_limits<std::uint32_t>::max())
    ThrowIOError(EFBIG, "file too large to read", fileName);

  const auto length = static_cast<std::uint32_t>(status.st_size);
  std::unique_ptr<std::uint8_t[]> bytes;
  if (length != 0) {
    bytes = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    std::uint32_t got = 0;
    while (got < length) {
      const ssize_t n = ::read(file.Get(), bytes.get() + got, length - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowIOError(errno, "cannot read", fileName);
      }
      if (n == 0) break;
      got += static_cast<std::uint32_t>(n);
    }
    // A file that delivers less than its stated length is an I/O error,
    // not a shorter file.
    if (got != length) ThrowIOError(EIO, "short read from", fileName);
  }
  if (file.Close() != 0) ThrowIOError(errno, "cannot close", fileName);

  buffer = std::move(bytes);
  size = length;
  return true;
}

#include "password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "failures.h"

namespace zemtra::cli {

namespace {

constexpr size_t kMaxSize = 4096;

}  // namespace

std::string ReadPasswordFile(const std::string& path) {
  const auto fail = [&path](const std::string& why) {
    return UsageError("cannot use the password file \"" + path + "\": " + why);
  };
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw fail(std::strerror(errno));
  struct stat info {};
  std::string text(kMaxSize + 1, '\0');
  ssize_t length = -1;
  // Only a regular file: a FIFO or a device would block or never end.
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) length = read(fd, text.data(), text.size());
  const int readError = errno;
  close(fd);
  if (!S_ISREG(info.st_mode)) throw fail("not a regular file");
  if (length < 0) throw fail(std::strerror(readError));
  if (static_cast<size_t>(length) > kMaxSize) throw fail("larger than 4 KiB");
  text.resize(static_cast<size_t>(length));
  text = text.substr(0, text.find_first_of("\r\n"));
  if (text.empty()) throw fail("the first line is empty");
  return text;
}

}  // namespace zemtra::cli

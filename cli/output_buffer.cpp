#include "output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "failures.h"

namespace zemtra::cli {

namespace {

constexpr size_t kCapacity = 64 * 1024;
constexpr int64_t kLongestHoldNs = 100'000'000;

}  // namespace

OutputBuffer::OutputBuffer(int fd, bool interactive) : fd_(fd), interactive_(interactive), data_(kCapacity) {}

void OutputBuffer::Append(std::string_view text) {
  if (used_ + text.size() > data_.size()) Flush();
  if (text.size() > data_.size()) data_.resize(text.size());
  std::memcpy(data_.data() + used_, text.data(), text.size());
  used_ += text.size();
}

void OutputBuffer::RecordDone(int64_t nowNs) {
  if (interactive_ || nowNs - lastFlushNs_ >= kLongestHoldNs) {
    Flush();
    lastFlushNs_ = nowNs;
  }
}

void OutputBuffer::Flush() {
  size_t done = 0;
  while (done < used_ && !readerGone_) {
    const ssize_t written = ::write(fd_, data_.data() + done, used_ - done);
    if (written >= 0) {
      done += static_cast<size_t>(written);
    } else if (errno == EPIPE) {
      readerGone_ = true;
    } else if (errno != EINTR) {
      throw OutputError(std::string("cannot write the output: ") + std::strerror(errno));
    }
  }
  used_ = 0;
}

}  // namespace zemtra::cli

#include "output_buffer.h"

#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "failures.h"
#include "pacing.h"
#include "stop_signal.h"

namespace zemtra::cli {

namespace {

constexpr size_t kCapacity = 64 * 1024;
constexpr int64_t kLongestHoldNs = 100'000'000;
constexpr int64_t kStopGraceNs = 20'000'000;
constexpr int64_t kNsPerMs = 1'000'000;

// Pipes, sockets and terminals can block a write for as long as their reader
// likes. Written in pieces no larger than PIPE_BUF after each wait, a write
// to a pipe never blocks, so a stop request is never stuck behind one.
size_t ChunkLimit(int fd, bool interactive) {
  struct stat status {};
  const bool mayBlock = interactive || fstat(fd, &status) != 0 || S_ISFIFO(status.st_mode) ||
                        S_ISSOCK(status.st_mode);
  return mayBlock ? PIPE_BUF : SIZE_MAX;
}

}  // namespace

OutputBuffer::OutputBuffer(int fd, bool interactive)
    : fd_(fd), interactive_(interactive), chunkLimit_(ChunkLimit(fd, interactive)), data_(kCapacity) {}

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
  while (done < used_ && !readerGone_ && ReaderReady()) {
    const ssize_t written = ::write(fd_, data_.data() + done, NextChunk(done));
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

bool OutputBuffer::ReaderReady() {
  if (WaitWritableUnlessStopped(fd_)) return true;
  if (stopGraceEndNs_ == 0) stopGraceEndNs_ = MonotonicNs() + kStopGraceNs;
  const int64_t leftNs = stopGraceEndNs_ - MonotonicNs();
  pollfd output{fd_, POLLOUT, 0};
  return leftNs > 0 && poll(&output, 1, static_cast<int>(leftNs / kNsPerMs) + 1) > 0;
}

// Up to the chunk limit, ending after a newline where there is one: a piece
// that the reader takes is whole records, so output dropped at a stop never
// leaves half a line behind.
size_t OutputBuffer::NextChunk(size_t done) const {
  const size_t size = std::min(used_ - done, chunkLimit_);
  if (size == used_ - done) return size;
  const auto* begin = data_.data() + done;
  const void* lastNewline = memrchr(begin, '\n', size);
  return lastNewline == nullptr ? size : static_cast<size_t>(static_cast<const char*>(lastNewline) - begin) + 1;
}

}  // namespace zemtra::cli

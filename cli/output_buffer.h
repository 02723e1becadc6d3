// Standard output for a stream of records: collected in a large buffer and
// written with few system calls. A terminal gets every record at once; a file
// or pipe gets them when the buffer fills or at the latest every 100 ms, so a
// slow stream still reaches a reader promptly.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zemtra::cli {

class OutputBuffer {
 public:
  OutputBuffer(int fd, bool interactive);

  void Append(std::string_view text);
  // Called after each complete record, with the monotonic time in ns.
  void RecordDone(int64_t nowNs);
  // Writes everything held. A closed pipe only sets readerGone(); any other
  // write failure throws OutputError. After a stop request it never waits
  // long for a reader that does not read: what the reader does not take
  // within a short grace is dropped, in whole lines.
  void Flush();
  bool readerGone() const { return readerGone_; }

 private:
  bool ReaderReady();
  size_t NextChunk(size_t done) const;

  int fd_;
  bool interactive_;
  size_t chunkLimit_;
  bool readerGone_ = false;
  std::vector<char> data_;
  size_t used_ = 0;
  int64_t lastFlushNs_ = 0;
  int64_t stopGraceEndNs_ = 0;
};

}  // namespace zemtra::cli

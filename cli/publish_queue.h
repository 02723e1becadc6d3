// Messages waiting for the broker. While it is unreachable the queue holds at
// most `batchLimit` sample batches: the oldest batch goes first, and is
// counted against its board; status changes and deaths are never dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zemtra::cli {

struct Outgoing {
  std::string topic;
  nlohmann::json payload;
  int qos = 0;
  bool batch = false;  // a sample batch: may be dropped
  size_t board = 0;    // index of the board a batch belongs to
};

class PublishQueue {
 public:
  PublishQueue(size_t batchLimit, size_t boards) : batchLimit_(batchLimit), dropped_(boards, 0) {}

  void Push(Outgoing message);
  bool empty() const { return messages_.empty(); }
  Outgoing& front() { return messages_.front(); }
  void PopFront();
  // Batches of `board` dropped since the last call; resets the count.
  uint64_t TakeDropped(size_t board);
  uint64_t totalDropped() const { return totalDropped_; }

 private:
  size_t batchLimit_;
  size_t batches_ = 0;
  std::deque<Outgoing> messages_;
  std::vector<uint64_t> dropped_;
  uint64_t totalDropped_ = 0;
};

}  // namespace zemtra::cli

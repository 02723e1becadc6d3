#include "publish_queue.h"

#include <algorithm>

namespace zemtra::cli {

void PublishQueue::Push(Outgoing message) {
  if (message.batch && batches_ == batchLimit_) {
    const auto oldest = std::find_if(messages_.begin(), messages_.end(), [](const Outgoing& m) { return m.batch; });
    ++dropped_[oldest->board];
    ++totalDropped_;
    messages_.erase(oldest);
    --batches_;
  }
  if (message.batch) ++batches_;
  messages_.push_back(std::move(message));
}

void PublishQueue::PopFront() {
  if (messages_.front().batch) --batches_;
  messages_.pop_front();
}

uint64_t PublishQueue::TakeDropped(size_t board) { return std::exchange(dropped_[board], 0); }

}  // namespace zemtra::cli

// A readable event is an interrupt; an event in error (a removed board's UIO
// node hangs up) is a failure, never an interrupt.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "armed_interrupt.h"

namespace {

using zemtra::interrupts::Poll;
using zemtra::interrupts::PollEvent;

struct PollCase {
  const char* name;
  bool written;        // something to read
  bool writerClosed;   // the other end hung up
  bool readerClosed;   // the descriptor itself is gone
  Poll expected;       // kFailed: with errno ENODEV
};

class PollEventTest : public testing::TestWithParam<PollCase> {};

TEST_P(PollEventTest, TellsAnInterruptFromAFailure) {
  const PollCase& c = GetParam();
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  if (c.written) {
    ASSERT_EQ(::write(ends[1], "x", 1), 1);
  }
  if (c.writerClosed) ::close(ends[1]);
  if (c.readerClosed) ::close(ends[0]);
  errno = 0;
  EXPECT_EQ(PollEvent(ends[0], 0), c.expected);
  if (c.expected == Poll::kFailed) {
    EXPECT_EQ(errno, ENODEV);
  }
  if (!c.readerClosed) ::close(ends[0]);
  if (!c.writerClosed) ::close(ends[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Events, PollEventTest,
    testing::Values(PollCase{"Readable", true, false, false, Poll::kSignalled},
                    PollCase{"Quiet", false, false, false, Poll::kQuiet},
                    PollCase{"HungUp", false, true, false, Poll::kFailed},
                    PollCase{"HungUpWithData", true, true, false, Poll::kFailed},
                    PollCase{"Closed", false, false, true, Poll::kFailed}),
    [](const testing::TestParamInfo<PollCase>& param) { return std::string(param.param.name); });

}  // namespace

// Shared simulated boards between real processes: this test process reaches
// the boards through the access layer, children are the zemtra tool or this
// program again as a hammer (--hammer). Every child is waited for with a
// bound and killed after it; every test has boards of a name of its own,
// removed at the end.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace zemtra::test {

// What the hammer (this program with --hammer) writes: A1's preset
// alternately all zeros and all ones, a count into A3's preset.
inline constexpr uint32_t kHammerPatterns[2] = {0x00000000, 0xFFFFFFFF};

int Hammer();

struct Child {
  pid_t pid = -1;
  int out = -1, err = -1;  // memfds holding what it printed
};

struct Finished {
  int status = -1;  // exit status, 128 + signal when killed
  std::string out, err;
};

class SharedBoardTest : public Library {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ZEMTRA_SIM naming this test's shared boards, with more items.
  std::string Shared(const std::string& items = "motion=off") const;
  // This process's board 0 of `sim`, opened as device_.
  pci::Window Board(const std::string& sim);

  // `program` ("zemtra" or "hammer") with ZEMTRA_SIM=sim ("" = unset).
  Child Start(const std::string& program, const std::vector<std::string>& args, const std::string& sim);
  static Finished Finish(Child& child, int timeoutMs = 20000);
  Finished Tool(const std::vector<std::string>& args, const std::string& sim) {
    Child child = Start("zemtra", args, sim);
    return Finish(child);
  }

  std::string name_;
  uint32_t device_ = 0;
};

// Polls `done` every millisecond for up to timeoutMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace zemtra::test

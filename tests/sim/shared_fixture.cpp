#include "shared_fixture.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "pci/sim/shared_boards.h"
#include "zemtra.h"
#include "zemtra_registers.h"

extern char** environ;

namespace zemtra::test {
namespace {

std::string Drain(int fd) {
  std::string text(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
  if (::pread(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) text.clear();
  ::close(fd);
  return text;
}

}  // namespace

int Hammer() {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  DeviceHandle board = 0;
  if (ZemtraOpen(nullptr, &board, nullptr) != ZEMTRA_SUCCESS) return 1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // never runs on unwatched
  for (uint32_t i = 1; std::chrono::steady_clock::now() < end; ++i) {
    ZemtraWriteRegisterLong(board, ZEMTRA_REG_A1_PRESET, static_cast<int32_t>(kHammerPatterns[i & 1]));
    ZemtraWriteRegisterLong(board, ZEMTRA_REG_A3_PRESET, static_cast<int32_t>(i));
    ZemtraWriteRegisterWord(board, ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  }
  return 0;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; ++waited) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

void SharedBoardTest::SetUp() {
  Library::SetUp();
  static int serial = 0;
  name_ = "test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
}

void SharedBoardTest::TearDown() {
  Library::TearDown();
  std::vector<pci::sim::ProcessUse> users;
  std::string error;
  pci::sim::RemoveSharedBoards(name_, true, &users, &error);
}

std::string SharedBoardTest::Shared(const std::string& items) const {
  return "share=" + name_ + (items.empty() ? "" : "," + items);
}

pci::Window SharedBoardTest::Board(const std::string& sim) {
  EXPECT_TRUE(pci::sim::Configure(sim)) << sim;
  device_ = OpenDevice();
  return Registers(device_);
}

Child SharedBoardTest::Start(const std::string& program, const std::vector<std::string>& args,
                             const std::string& sim) {
  std::vector<std::string> words{program == "zemtra" ? ZEMTRA_CLI_PATH : "/proc/self/exe"};
  if (program == "hammer") words.push_back("--hammer");
  words.insert(words.end(), args.begin(), args.end());
  std::vector<std::string> env{"ZEMTRA_SYSFS_ROOT=/nonexistent", "LC_ALL=C"};
  if (!sim.empty()) env.push_back("ZEMTRA_SIM=" + sim);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (!variable.starts_with("ZEMTRA_") && !variable.starts_with("LC_ALL=")) env.push_back(variable);
  }
  std::vector<char*> argv, envp;
  for (std::string& word : words) argv.push_back(word.data());
  for (std::string& variable : env) envp.push_back(variable.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  Child child{-1, ::memfd_create("out", MFD_CLOEXEC), ::memfd_create("err", MFD_CLOEXEC)};
  child.pid = ::fork();
  if (child.pid == 0) {
    ::dup2(child.out, STDOUT_FILENO);
    ::dup2(child.err, STDERR_FILENO);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return child;
}

Finished SharedBoardTest::Finish(Child& child, int timeoutMs) {
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(child.pid, &status, WNOHANG) == child.pid; }, timeoutMs)) {
    ADD_FAILURE() << "child " << child.pid << " still runs after " << timeoutMs << " ms";
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, &status, 0);
  }
  Finished done;
  done.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  done.out = Drain(child.out);
  done.err = Drain(child.err);
  return done;
}

}  // namespace zemtra::test

// The test program, or with --hammer the child that hammers a shared board.
int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--hammer") == 0) return zemtra::test::Hammer();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ranges>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace zemtra::cli::test {

namespace {

namespace fs = std::filesystem;

constexpr rlim_t kMaxOutputBytes = 64 << 20;
constexpr int kLongestRunMs = 60'000, kLongestStopMs = 5'000, kPollMs = 5;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A directory of the run's own for its output, error, trace and sysfs tree.
struct RunDirectory {
  ~RunDirectory() { fs::remove_all(path, ignored); }
  std::string pattern = (fs::temp_directory_path() / "zemtra-cli-XXXXXX").string();
  fs::path path = mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : throw std::runtime_error("mkdtemp failed");
  std::error_code ignored;
};

void AddBoard(const fs::path& sys, SysfsBoard board) {
  const fs::path device = sys / "bus/pci/devices/0000:03:0e.0";
  fs::create_directories(device);
  std::ofstream(device / "vendor") << "0x1f3c\n";
  std::ofstream(device / "device") << "0x0a00\n";
  if (board == SysfsBoard::kUnopenable) return;
  std::ofstream(device / "resource2", std::ios::binary) << std::string(0x200, '\xFF');
  std::ofstream(device / "resource3", std::ios::binary) << std::string(0x10, '\xFF');
}

// The runner's environment minus what would change the tool behind the test's back, plus the run's own.
std::vector<std::string> Environment(const ToolSetup& setup, const fs::path& dir) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable = *entry, name = variable.substr(0, variable.find('='));
    if (!name.starts_with("ZEMTRA_") && !name.starts_with("LC_") && name != "LANG") env.emplace_back(variable);
  }
  // One entry per name: the C library takes the first of duplicates.
  std::map<std::string, std::string> own = {
      {"LC_ALL", "C"}, {"ZEMTRA_SIM", setup.sim}, {"ZEMTRA_SYSFS_ROOT", dir / "sys"}};
  if (setup.trace) own["ZEMTRA_TRACE"] = dir / "trace";
  for (const auto& [name, value] : setup.env) own[name] = value;
  for (const auto& [name, value] : own) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const ToolSetup& setup) {
  RunDirectory dir;
  if (setup.sysfs != SysfsBoard::kNone) AddBoard(dir.path / "sys", setup.sysfs);
  std::vector<std::string> env = Environment(setup, dir.path);
  std::vector<std::string> argStrings{ZEMTRA_CLI_PATH};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  const std::vector<char*> argv = Pointers(argStrings);
  const std::vector<char*> envp = Pointers(env);

  int pipeEnds[2] = {-1, -1};
  const bool stalled = setup.stdoutTo == StdoutTo::kStalledPipe;
  if ((stalled || setup.stdoutTo == StdoutTo::kClosedPipe) && pipe2(pipeEnds, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const std::string outPath = dir.path / "out", errPath = dir.path / "err";
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    // Close-on-exec: the tool starts with its three standard streams only.
    int outFd = pipeEnds[1];
    if (setup.stdoutTo == StdoutTo::kCapture) outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (setup.stdoutTo == StdoutTo::kDevFull) outFd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const rlimit fileSize{kMaxOutputBytes, kMaxOutputBytes};
    setrlimit(RLIMIT_FSIZE, &fileSize);
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600), STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  const auto closePipe = [&] { close(pipeEnds[0]); close(pipeEnds[1]); };
  if (setup.stdoutTo == StdoutTo::kClosedPipe) closePipe();
  // Readable once the child has ended, so that a wait ends with it.
  pollfd childEnd{static_cast<int>(syscall(SYS_pidfd_open, child, 0)), POLLIN, 0};
  if (childEnd.fd < 0) throw std::runtime_error("pidfd_open failed");
  bool ended = false;
  const auto waitUpTo = [&](int limitMs, const auto& until) {
    for (int waitedMs = 0; !ended && !until() && waitedMs < limitMs; waitedMs += kPollMs) {
      ended = poll(&childEnd, 1, kPollMs) > 0;
    }
  };
  // A stalled pipe is full when it has no room for another write.
  pollfd room{pipeEnds[1], POLLOUT, 0};
  if (stalled) waitUpTo(kLongestRunMs, [&] { return poll(&room, 1, 0) == 0; });
  waitUpTo(setup.interruptAfterMs, [] { return false; });
  const bool stopping = !ended && (stalled || setup.interruptAfterMs > 0);
  if (stopping) kill(child, setup.stopSignal);
  waitUpTo(stopping ? kLongestStopMs : kLongestRunMs, [] { return false; });
  if (!ended) kill(child, SIGKILL);
  int waitStatus = 0;
  waitpid(child, &waitStatus, 0);
  close(childEnd.fd);
  if (stalled) closePipe();
  const int status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
  return {status, ReadFile(outPath), ReadFile(errPath), Lines(ReadFile(dir.path / "trace"))};
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  for (const auto field : std::views::split(text, separator)) fields.emplace_back(field.begin(), field.end());
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace zemtra::cli::test

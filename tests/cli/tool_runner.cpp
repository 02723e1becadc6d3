#include "tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace zemtra::cli::test {

namespace {

constexpr rlim_t kMaxOutputBytes = 64 << 20;
constexpr int kLongestRunMs = 60'000;
constexpr int kLongestStopMs = 5'000;
constexpr int kPollMs = 5;

std::string TempPath(const char* stem) {
  std::string path = std::string("/tmp/") + stem + "XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The test runner's environment minus everything that would change the tool's
// behaviour behind the test's back.
std::vector<std::string> CleanEnvironment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name.starts_with("ZEMTRA_") || name.starts_with("LC_") || name == "LANG") continue;
    env.push_back(variable);
  }
  // The C locale unless the test asks for another (one entry per name: the
  // C library takes the first of duplicates).
  if (!extra.contains("LC_ALL")) env.push_back("LC_ALL=C");
  for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
  return env;
}

int StatusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

// No room for another write: the writer blocks on its next one.
bool PipeFull(int writeEnd) {
  pollfd room{writeEnd, POLLOUT, 0};
  return poll(&room, 1, 0) == 0;
}

}  // namespace

std::vector<std::string> ToolRun::outLines() const {
  std::vector<std::string> lines = Split(out, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

ToolRun RunTool(const std::vector<std::string>& args, const ToolSetup& setup) {
  const std::string outPath = TempPath("zemtra-out-");
  const std::string errPath = TempPath("zemtra-err-");
  std::vector<std::string> env = CleanEnvironment(setup.env);
  std::vector<char*> envp;
  for (std::string& variable : env) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings{ZEMTRA_CLI_PATH};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipeEnds[2] = {-1, -1};
  const bool pipeOut = setup.stdoutTo == StdoutTo::kClosedPipe || setup.stdoutTo == StdoutTo::kStalledPipe;
  if (pipeOut && pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");

  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    int outFd = -1;
    switch (setup.stdoutTo) {
      case StdoutTo::kCapture:
        outFd = open(outPath.c_str(), O_WRONLY | O_TRUNC);
        break;
      case StdoutTo::kDevFull:
        outFd = open("/dev/full", O_WRONLY);
        break;
      case StdoutTo::kClosedPipe:
      case StdoutTo::kStalledPipe:
        close(pipeEnds[0]);
        outFd = pipeEnds[1];
        break;
    }
    // A tool that wrongly runs on without end must not fill the disk.
    const rlimit fileSize{kMaxOutputBytes, kMaxOutputBytes};
    setrlimit(RLIMIT_FSIZE, &fileSize);
    const int errFd = open(errPath.c_str(), O_WRONLY | O_TRUNC);
    const int inFd = open("/dev/null", O_RDONLY);
    dup2(inFd, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  const bool stalled = setup.stdoutTo == StdoutTo::kStalledPipe;
  if (setup.stdoutTo == StdoutTo::kClosedPipe) {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
  }
  int waitStatus = 0;
  bool ended = false;
  const auto waitUpTo = [&](int limitMs, const auto& until) {
    for (int waitedMs = 0; !ended && !until() && waitedMs < limitMs; waitedMs += kPollMs) {
      ended = waitpid(child, &waitStatus, WNOHANG) != 0;
      if (!ended) usleep(kPollMs * 1000);
    }
  };
  if (stalled) waitUpTo(kLongestRunMs, [&] { return PipeFull(pipeEnds[1]); });
  if (setup.interruptAfterMs > 0) usleep(static_cast<useconds_t>(setup.interruptAfterMs) * 1000);
  const bool stopping = !ended && (stalled || setup.interruptAfterMs > 0);
  if (stopping) kill(child, setup.stopSignal);
  waitUpTo(stopping ? kLongestStopMs : kLongestRunMs, [] { return false; });
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &waitStatus, 0);
  }
  if (stalled) {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
  }

  ToolRun run;
  run.status = StatusOf(waitStatus);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return run;
}

ToolRun RunSim(const std::string& sim, const std::vector<std::string>& args) {
  return RunTool(args, {.env = {{"ZEMTRA_SIM", sim}}});
}

TraceFile::TraceFile() : path_(TempPath("zemtra-trace-")) {}

TraceFile::~TraceFile() { unlink(path_.c_str()); }

std::vector<std::string> TraceFile::lines() const {
  std::vector<std::string> lines = Split(ReadFile(path_), '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, start)) {
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

}  // namespace zemtra::cli::test

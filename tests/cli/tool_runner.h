// Runs the zemtra binary as a user would, with a controlled environment: no
// ZEMTRA_* variable unless the test sets it, and the C locale unless it asks
// for another. Captures standard output, standard error and the exit status.
// A run is killed after a minute, or 5 s after its stop signal, and its files
// are limited to 64 MiB, so a tool that wrongly runs on shows up as a failure,
// not as a full disk.
#pragma once

#include <signal.h>

#include <map>
#include <string>
#include <vector>

namespace zemtra::cli::test {

struct ToolRun {
  int status = -1;  // exit status, or 128 + signal number when killed
  std::string out;
  std::string err;
  std::vector<std::string> outLines() const;
};

// kStalledPipe: a pipe that is never read; the stop signal goes once it is full.
enum class StdoutTo { kCapture, kDevFull, kClosedPipe, kStalledPipe };

struct ToolSetup {
  std::map<std::string, std::string> env;  // added to the cleaned environment
  StdoutTo stdoutTo = StdoutTo::kCapture;
  int interruptAfterMs = 0;  // > 0: send the stop signal after this long
  int stopSignal = SIGINT;
};

ToolRun RunTool(const std::vector<std::string>& args, const ToolSetup& setup = {});

// Shorthand for the common case: one ZEMTRA_SIM value.
ToolRun RunSim(const std::string& sim, const std::vector<std::string>& args);

// A fresh file for ZEMTRA_TRACE; its lines after the run.
class TraceFile {
 public:
  TraceFile();
  ~TraceFile();
  const std::string& path() const { return path_; }
  std::vector<std::string> lines() const;

 private:
  std::string path_;
};

// Splits on a separator, keeping empty fields.
std::vector<std::string> Split(const std::string& text, char separator);

}  // namespace zemtra::cli::test

// Runs the zemtra binary as a user would, with its own sysfs tree, ZEMTRA_SIM, the C locale
// unless asked otherwise, and a register trace when asked. Killed after a minute (5 s after
// its stop signal), files limited to 64 MiB: a tool that wrongly runs on fails, not fills the disk.
#pragma once

#include <signal.h>

#include <map>
#include <string>
#include <vector>

namespace zemtra::cli::test {

// kStalledPipe: a pipe that is never read; the stop signal goes once it is full.
enum class StdoutTo { kCapture, kDevFull, kClosedPipe, kStalledPipe };

// A real board at 3:14 in the run's sysfs tree. kFile: its windows are files of 0xFF bytes that
// the library maps (id 0xFFFFFFFF, every status bit set); kUnopenable: it has no windows.
enum class SysfsBoard { kNone, kFile, kUnopenable };

struct ToolSetup {
  std::string sim = "1";                        // ZEMTRA_SIM; "" for none
  std::map<std::string, std::string> env = {};  // added to the cleaned environment
  bool trace = false;                           // the library's register trace into ToolRun::trace
  SysfsBoard sysfs = SysfsBoard::kNone;
  StdoutTo stdoutTo = StdoutTo::kCapture;
  int interruptAfterMs = 0;  // > 0: send the stop signal after this long
  int stopSignal = SIGINT;
};

struct ToolRun {
  int status = -1;  // exit status, or 128 + signal number when killed
  std::string out;
  std::string err;
  std::vector<std::string> trace;  // the library's register accesses, one per line
};

ToolRun RunTool(const std::vector<std::string>& args, const ToolSetup& setup = {});

// Splits on a separator, keeping empty fields.
std::vector<std::string> Split(const std::string& text, char separator);
// The lines of a text, without the empty one after a final newline.
std::vector<std::string> Lines(const std::string& text);

}  // namespace zemtra::cli::test

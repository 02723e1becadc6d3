// Runs the zemtra binary as a user would: no ZEMTRA_* variable but ZEMTRA_SIM, a
// sysfs tree of the run's own (no real board unless the test puts one there),
// a register trace when asked, the C locale unless the test asks for another.
// A run is killed after a minute, or 5 s after its stop signal, and its files
// are limited to 64 MiB: a tool that wrongly runs on fails, not fills the disk.
#pragma once

#include <signal.h>

#include <map>
#include <string>
#include <vector>

namespace zemtra::cli::test {

// kStalledPipe: a pipe that is never read; the stop signal goes once it is full.
enum class StdoutTo { kCapture, kDevFull, kClosedPipe, kStalledPipe };

// A real board at 3:14 in the run's sysfs tree. kFile: its windows are files
// of 0xFF bytes (identification 0xFFFFFFFF, every status bit set) that the
// library maps like a board's memory; kUnopenable: it has no windows at all.
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

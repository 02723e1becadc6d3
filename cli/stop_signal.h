// Ctrl-C and SIGTERM end a running command cleanly: they set a flag that the
// command polls, and cut short the sleep or wait it is in.
#pragma once

namespace zemtra::cli {

void CatchStopSignals();
bool StopRequested();

}  // namespace zemtra::cli

// Ctrl-C and SIGTERM end a running command cleanly: they set a flag that the
// command polls, and cut short the sleep or wait it is in.
#pragma once

namespace zemtra::cli {

void CatchStopSignals();
bool StopRequested();

// Waits until fd takes output; false at once when a stop is requested, also
// one that arrives just before the wait begins.
bool WaitWritableUnlessStopped(int fd);

}  // namespace zemtra::cli

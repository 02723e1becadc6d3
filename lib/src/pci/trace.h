// The register trace: ZEMTRA_TRACE=PATH appends one line per register access
// made through a Window, e.g. "R16 reg 0x020 0x0222", each line with one
// append write. Read from the environment (secure_getenv) once, when the
// first board is found or opened. Only a regular file of the user's own is
// written to (never through a symbolic link); any other path gives one message
// on standard error and no trace.
#pragma once

namespace zemtra::pci::trace {

// Reads ZEMTRA_TRACE unless that was done already. Cheap after the first call.
void EnsureLoaded();

// Tests only: closes the trace and reads ZEMTRA_TRACE again. Must not run
// while another thread accesses a register.
void Reload();

// Whether a trace is being written.
bool Active();

}  // namespace zemtra::pci::trace

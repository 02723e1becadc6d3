// The docstrings of zemtra.Board and the module's functions, as help() shows
// them: a signature line, a blank line, then text wrapped for a terminal.
#pragma once

namespace zemtra::python::doc {

inline constexpr const char* kBoard = R"(Board(bus=None, slot=None)

An open Zemtra board: the first one found, or the one at the given PCI bus
and/or slot (as zemtra.boards() lists them). Raises NoBoardError when there is
none there.

Use it as a context manager, which closes it:

    with zemtra.Board() as board:
        board.preset_all(0, 0, 0)
        data = board.capture(10000, rate_hz=1000, units="mm")

Axes are numbered 0, 1, 2 (A1, A2, A3). Positions and velocities are raw
counts or, with units="mm" or "inch", lengths from the helium-neon wavelength
and each axis's optic fold factor (fold, A1 first; velocities per second). An
axis without a valid sample is nan, never 0. Once closed, every method but
close() raises InvalidHandleError.)";

inline constexpr const char* kClose = R"(close()

Closes the board; closing it again does nothing.)";

inline constexpr const char* kEnter = "__enter__() -> Board\n\nThe board itself, closed when the block ends.";
inline constexpr const char* kExit = "__exit__(*exception)\n\nCloses the board.";

inline constexpr const char* kClearStatus = R"(clear_status(flags=None) -> Status

Clears the given errors (Status flags), or every error present, and returns
the status read right after. A signal still missing latches No Sig again at
once; a glitching one latches Glitch again at the next sample.)";

inline constexpr const char* kConfig = R"(The configuration word (Config flags): the axes' counting directions and
IRQ Enable. To change one setting: board.config |= Config.A1_DIR.)";

inline constexpr const char* kDirection = R"(direction(axis) -> Direction

The counting direction of the axis (0, 1, 2), from the configuration word.)";

inline constexpr const char* kSetDirection = R"(set_direction(axis, direction)

Sets the counting direction of the axis (Direction.NORMAL or REVERSED); it
counts on from where it is.)";

inline constexpr const char* kSample = R"(sample(axes="all", units="raw", fold=(2, 2, 2)) -> Sample

Samples the axes now: "all" with one command for the three, or the axis
numbers given, each with a command of its own. Axes not sampled or without a
valid sample are nan in pos and vel and False in valid.)";

inline constexpr const char* kRead = R"(read(axis, units="raw", fold=(2, 2, 2), latched=False) -> tuple[float, float]

(position, velocity) of one axis, sampled now, or with latched=True as the
last sample command latched them; nan when not valid.)";

inline constexpr const char* kPositions = R"(positions(units="raw", fold=(2, 2, 2)) -> numpy.ndarray

Samples the three axes; their positions, nan where not valid.)";

inline constexpr const char* kVelocities = R"(velocities(units="raw", fold=(2, 2, 2)) -> numpy.ndarray

Samples the three axes; their velocities, nan where not valid.)";

inline constexpr const char* kPreset = R"(preset(axis, value) -> Status

Sets the axis's position to value (raw counts), after clearing the old errors
of the axis and the reference; returns the status right after. Raises
InvalidDataError when the axis or the reference showed an error then (the
preset was made all the same: the status tells which).)";

inline constexpr const char* kPresetAll = R"(preset_all(a1, a2, a3) -> Status

Sets the three positions at once, as preset() does.)";

inline constexpr const char* kCapture = R"(capture(n, rate_hz=None, units="raw", fold=(2, 2, 2)) -> numpy.ndarray

Samples all three axes n times, back to back or at rate_hz on absolute
deadlines of the monotonic clock (the time a sample takes never delays the
next; after a stall longer than a period the missed deadlines are skipped).
The loop runs without the GIL, so other Python threads go on meanwhile.

Returns a structured array of n records:
    t      float64       seconds since the capture began (monotonic clock)
    pos    float64 (3,)  positions of A1, A2, A3 in the units asked for
    vel    float64 (3,)  velocities (per second in mm and inch)
    valid  bool (3,)     False where the axis had no valid sample (pos, vel nan)

Ctrl-C raises KeyboardInterrupt within milliseconds; the board is only
sampled, so it is left as it was.)";

inline constexpr const char* kReadRegister = R"(read_register(offset, width=None) -> int

Reads the register at a byte offset of the register window, 16 or 32 bits
wide (None: the register map's width for the offset). Raises
InvalidAddressError for a misaligned offset or one outside the window.)";

inline constexpr const char* kWriteRegister = R"(write_register(offset, value, width=None)

Writes the register at a byte offset, as read_register reads it.)";

inline constexpr const char* kWaitInterrupt = R"(wait_interrupt(sources, timeout=None) -> Status

Waits for the board's interrupt from the given sources, Status flags such as
Status.A1_GLITCH | Status.REF_NO_SIG: enables them in the interrupt mask, sets
IRQ Enable and the bridge source, clears their latched errors so that the next
occurrence latches, and waits (without the GIL). Returns the sources that
latched. Raises TimeoutError after timeout seconds (None: no limit),
KeyboardInterrupt on Ctrl-C and OSError when the event fails (a board removed
from the bus). The interrupt mask and configuration word are put back as they
were on every way out.)";

inline constexpr const char* kBoards = R"(boards() -> list[BoardInfo]

Every board found, real ones first, then simulated ones (ZEMTRA_SIM); a board
that cannot be opened is listed with its error instead of its identity.)";

inline constexpr const char* kLibraryRevision = "library_revision() -> int\n\nThe device library's revision.";

}  // namespace zemtra::python::doc

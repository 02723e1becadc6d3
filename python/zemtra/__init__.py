"""Zemtra three-axis laser interferometer boards from Python.

Open a board, preset the axes, capture samples into NumPy:

    import zemtra

    with zemtra.Board() as board:
        board.preset_all(0, 0, 0)
        data = board.capture(1000, rate_hz=1000, units="mm")
    print(data["pos"].mean(axis=0))

Without real hardware, ZEMTRA_SIM=1 in the environment gives a simulated
board. Every failure of the library raises ZemtraError (or a subclass), which
carries the library's code, the function and its text.
"""

from ._types import (BoardInfo, DriverError, Filter, Identity, InterruptError, InvalidAddressError,
                     InvalidAxisError, InvalidDataError, InvalidHandleError, LockError, NoBoardError,
                     NoMemoryError, Sample, ZemtraError)
from ._zemtra import Board, Config, Direction, InterruptMask, Status, boards, library_revision

__all__ = [
    "Board", "BoardInfo", "Config", "Direction", "Filter", "Identity", "InterruptMask", "Sample", "Status",
    "boards", "library_revision",
    "ZemtraError", "DriverError", "InterruptError", "InvalidAddressError", "InvalidAxisError",
    "InvalidDataError", "InvalidHandleError", "LockError", "NoBoardError", "NoMemoryError",
]

# Shown as zemtra.X in help(), reprs and tracebacks, where users import them from.
for _name in __all__:
    if isinstance(globals()[_name], type):
        globals()[_name].__module__ = __name__
del _name

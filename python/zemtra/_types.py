"""The plain Python types of the package: the records the board's methods
return and the exceptions that carry the library's error codes. The compiled
part (zemtra._zemtra) builds its results and raises its errors from these."""

from __future__ import annotations

import dataclasses

import numpy


@dataclasses.dataclass(frozen=True)
class Identity:
    """What a board says it is: the product and revision codes of its two
    FPGAs (FPGA 1 first) and the hardware revision word, whose high byte is the
    revision shown to users."""

    product_codes: tuple[int, int]
    fpga_revisions: tuple[int, int]
    hardware_revision: int

    def __repr__(self) -> str:
        def hex_pair(pair: tuple[int, int]) -> str:
            return f"(0x{pair[0]:X}, 0x{pair[1]:X})"

        return (f"Identity(product_codes={hex_pair(self.product_codes)}, "
                f"fpga_revisions={hex_pair(self.fpga_revisions)}, "
                f"hardware_revision=0x{self.hardware_revision:04X})")


@dataclasses.dataclass(frozen=True)
class BoardInfo:
    """One board found on the PCI bus (real boards first, then simulated ones).

    ``identity`` is None when the board could not be opened; ``error`` then
    tells why (for example no permission for its register windows)."""

    bus: int
    slot: int
    identity: Identity | None
    error: ZemtraError | None = None


@dataclasses.dataclass(frozen=True)
class Filter:
    """The board's filter settings: on or off, and the gains Kv and Kp (0 to 3)."""

    enabled: bool = False
    kv: int = 0
    kp: int = 0


@dataclasses.dataclass(frozen=True, eq=False)
class Sample:
    """One sample of the three axes (index 0 is A1). Positions and velocities
    are floats in the units asked for; an axis without a valid sample is
    ``nan`` in both and False in ``valid``."""

    pos: numpy.ndarray
    vel: numpy.ndarray
    valid: numpy.ndarray


class ZemtraError(Exception):
    """A library call failed.

    ``code`` is the library's error code, ``function`` the library function
    that returned it and ``text`` the library's own text for the code."""

    def __init__(self, code: int, function: str, text: str) -> None:
        super().__init__(code, function, text)
        self.code = code
        self.function = function
        self.text = text

    def __str__(self) -> str:
        return f"{self.function}: {self.text} ({self.code})"


class InvalidHandleError(ZemtraError):
    """The board is closed (code 16)."""


class NoBoardError(ZemtraError):
    """No board was found where one was asked for (code 18). Without real
    hardware, ``ZEMTRA_SIM=1`` in the environment gives a simulated board."""


class DriverError(ZemtraError):
    """The operating system refused the board (codes 19, 26 to 29): no
    permission for its register windows, or the board went away."""


class NoMemoryError(ZemtraError, MemoryError):
    """Memory or file descriptors ran out (codes 20 and 22)."""


class InvalidAddressError(ZemtraError, ValueError):
    """A register offset that is misaligned or outside the window (code 21)."""


class LockError(ZemtraError):
    """The board's record could not be locked or released (codes 23 and 30)."""


class InvalidAxisError(ZemtraError, ValueError):
    """An axis other than 0, 1 or 2 (code 24)."""


class InvalidDataError(ZemtraError):
    """An axis or the reference had no valid signal (code 25). Sampling calls
    never raise it: they show it as ``nan`` and ``valid`` False."""


class InterruptError(ZemtraError):
    """The board's interrupt could not be used (codes 31 and 32): no UIO
    driver bound, or too many events attached."""


_ERRORS_BY_CODE: dict[int, type[ZemtraError]] = {
    16: InvalidHandleError,
    18: NoBoardError,
    19: DriverError, 26: DriverError, 27: DriverError, 28: DriverError, 29: DriverError,
    20: NoMemoryError, 22: NoMemoryError,
    21: InvalidAddressError,
    23: LockError, 30: LockError,
    24: InvalidAxisError,
    25: InvalidDataError,
    31: InterruptError, 32: InterruptError,
}


def error_for(code: int, function: str, text: str) -> ZemtraError:
    """The exception for a library error code."""
    return _ERRORS_BY_CODE.get(code, ZemtraError)(code, function, text)

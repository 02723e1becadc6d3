"""Status flags and their clearing, and the board's settings as flags and records."""

import pytest

import zemtra
from zemtra import Config, Direction, Filter, InterruptMask, Status


@pytest.mark.parametrize("action, expected", [
    # A1 glitches: latched again by every sample command. A2 has no signal:
    # latched again at once after every clear.
    (lambda board: (board.sample(), board.status)[1], Status.A1_GLITCH | Status.A2_NO_SIG),
    (lambda board: board.clear_status(), Status.A2_NO_SIG),
    (lambda board: (board.sample(), board.clear_status(Status.A1_GLITCH))[1], Status.A2_NO_SIG),
    (lambda board: (board.sample(), board.clear_status(Status.REF_GLITCH))[1], Status.A1_GLITCH | Status.A2_NO_SIG),
], ids=["sample", "clear all", "clear the glitch", "clear another bit"])
def test_status_flags_latch_and_clear(board, action, expected):
    board.clear_status()
    assert action(board) == expected
    status = board.status
    assert status == expected and isinstance(status, Status)


@pytest.mark.parametrize("name, value", [
    ("config", Config.A1_DIR | Config.A3_DIR | Config.IRQ_ENABLE),
    ("config", Config.A2_DIR),
    ("filter", Filter(enabled=True, kv=3, kp=1)),
    ("filter", Filter(enabled=False, kv=0, kp=2)),
    ("interrupt_mask", InterruptMask.REF_GLITCH | InterruptMask.A2_NO_SIG),
    ("interrupt_mask", InterruptMask.A1_GLITCH | InterruptMask.A3_NO_SIG),
])
def test_settings_read_back_as_set(board, name, value):
    setattr(board, name, value)
    read = getattr(board, name)
    assert read == value and type(read) is type(value)


@pytest.mark.parametrize("axis, bit", [(0, Config.A1_DIR), (1, Config.A2_DIR), (2, Config.A3_DIR)])
def test_direction_is_the_axis_dir_bit(board, axis, bit):
    board.config = Config.IRQ_ENABLE
    board.set_direction(axis, Direction.REVERSED)
    assert board.config == Config.IRQ_ENABLE | bit
    assert [board.direction(a) for a in range(3)] == [Direction.REVERSED if a == axis else Direction.NORMAL
                                                      for a in range(3)]
    board.set_direction(axis, Direction.NORMAL)
    assert board.config == Config.IRQ_ENABLE

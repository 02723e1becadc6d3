"""Status flags and their clearing, directions, and waiting for the board's
interrupt with the settings put back on every way out."""

import pytest

from conftest import interrupt_process
from zemtra import Config, Direction, Filter, InterruptMask, Status


@pytest.mark.parametrize("action, expected", [
    # A1 glitches: latched again by every sample command. A2 has no signal:
    # latched again at once after every clear.
    (lambda board: board.clear_status(), Status.A2_NO_SIG),
    (lambda board: (board.sample(), board.clear_status(Status.A1_GLITCH))[1], Status.A2_NO_SIG),
    (lambda board: (board.sample(), board.clear_status(Status.REF_GLITCH))[1], Status.A1_GLITCH | Status.A2_NO_SIG),
], ids=["clear all", "clear the glitch", "clear another bit"])
def test_status_flags_latch_and_clear(board, action, expected):
    board.clear_status()
    assert action(board) == expected
    status = board.status
    assert status == expected and isinstance(status, Status)


@pytest.mark.parametrize("axis, bit", [(0, Config.A1_DIR), (1, Config.A2_DIR), (2, Config.A3_DIR)])
def test_direction_is_the_axis_dir_bit(board, axis, bit):
    board.config = Config.IRQ_ENABLE
    board.set_direction(axis, Direction.REVERSED)
    assert board.config == Config.IRQ_ENABLE | bit
    assert [board.direction(a) for a in range(3)] == [Direction.REVERSED if a == axis else Direction.NORMAL
                                                      for a in range(3)]
    board.set_direction(axis, Direction.NORMAL)
    assert board.config == Config.IRQ_ENABLE


@pytest.mark.parametrize("trigger, timeout, outcome", [
    # A glitching A1 latches Glitch again at the next sample command.
    (lambda board: board.sample(), 30, Status.A1_GLITCH),
    (None, 0.2, TimeoutError),
    (lambda board: interrupt_process(), None, KeyboardInterrupt),
], ids=["glitch", "timeout", "ctrl-c"])
def test_wait_interrupt_puts_the_settings_back(board, when_blocked, trigger, timeout, outcome):
    board.interrupt_mask, board.config, board.filter = InterruptMask.REF_NO_SIG, Config.A2_DIR, Filter(True, kv=3, kp=1)
    if trigger:
        when_blocked(lambda: trigger(board))
    if isinstance(outcome, Status):
        assert board.wait_interrupt(Status.A1_GLITCH | Status.REF_GLITCH, timeout) == outcome
    else:
        with pytest.raises(outcome):
            board.wait_interrupt(Status.A1_GLITCH, timeout)
    assert (board.interrupt_mask, board.config, board.filter) == (InterruptMask.REF_NO_SIG, Config.A2_DIR,
                                                                  Filter(True, kv=3, kp=1))
    assert type(board.interrupt_mask) is InterruptMask and type(board.config) is Config

"""Waiting for the board's interrupt, and the settings put back on every way out."""

import pytest

from conftest import interrupt_process
from zemtra import Config, InterruptMask, Status


@pytest.mark.parametrize("trigger, timeout, outcome", [
    # A glitching A1 latches Glitch again at the next sample command.
    (lambda board: board.sample(), 30, Status.A1_GLITCH),
    (None, 0.2, TimeoutError),
    (lambda board: interrupt_process(), None, KeyboardInterrupt),
], ids=["glitch", "timeout", "ctrl-c"])
def test_wait_interrupt_puts_the_settings_back(board, later, trigger, timeout, outcome):
    board.interrupt_mask = InterruptMask.REF_NO_SIG
    board.config = Config.A2_DIR
    if trigger:
        later(0.2, lambda: trigger(board))
    if isinstance(outcome, Status):
        assert board.wait_interrupt(Status.A1_GLITCH | Status.REF_GLITCH, timeout) == outcome
    else:
        with pytest.raises(outcome):
            board.wait_interrupt(Status.A1_GLITCH, timeout)
    assert (board.interrupt_mask, board.config) == (InterruptMask.REF_NO_SIG, Config.A2_DIR)

"""Fixtures of the zemtra package's tests.

The library reads ZEMTRA_SIM once per process, so CTest runs pytest once per
board setup. A test runs in the setup its sim mark names, unmarked tests in
DEFAULT_SIM: two boards, A1 glitching, A2 without signal, all moving.
"""

import os
import signal
import threading
import time

import pytest

import zemtra

DEFAULT_SIM = "boards=2,glitch=A1,nosig=A2"


def pytest_configure(config):
    config.addinivalue_line("markers", "sim(value): the ZEMTRA_SIM setup the test needs")


def pytest_collection_modifyitems(config, items):
    setup = os.environ.get("ZEMTRA_SIM")
    wanted = [item for item in items
              if (item.get_closest_marker("sim").args[0] if item.get_closest_marker("sim") else DEFAULT_SIM) == setup]
    config.hook.pytest_deselected(items=[item for item in items if item not in wanted])
    items[:] = wanted


@pytest.fixture
def board():
    """The first board, opened for the test and closed after it; the settings
    it changes go back to their power-on values, since every board of the
    process is one simulated board."""
    with zemtra.Board() as opened:
        yield opened
        if opened.closed:
            return
        opened.config = 0
        opened.interrupt_mask = 0
        opened.filter = zemtra.Filter()


@pytest.fixture
def later():
    """later(seconds, action): runs action on a timer thread; the time it ran
    (time.monotonic) is in the returned list once it has."""
    timers = []

    def start(seconds, action):
        ran = []

        def run():
            ran.append(time.monotonic())
            action()

        timer = threading.Timer(seconds, run)
        timers.append(timer)
        timer.start()
        return ran

    yield start
    for timer in timers:
        timer.cancel()
        timer.join(timeout=10)


def interrupt_process():
    """Ctrl-C as a terminal sends it: SIGINT to the process, whichever thread gets it."""
    os.kill(os.getpid(), signal.SIGINT)

"""Fixtures of the zemtra package's tests. The library reads ZEMTRA_SIM once per process: CTest runs
the tests marked `still` on still boards, the others on two moving boards, A1 glitching, A2 without signal."""

import os
import pathlib
import signal
import threading
import time

import pytest

import zemtra


def pytest_configure(config):
    config.addinivalue_line("markers", "still: runs on still boards (ZEMTRA_SIM=motion=off)")


@pytest.fixture
def board():
    """The first board, its settings put back to their power-on values after the test for the next one."""
    with zemtra.Board() as opened:
        yield opened
        if not opened.closed:
            opened.config, opened.interrupt_mask, opened.filter = 0, 0, zemtra.Filter()


@pytest.fixture
def when_blocked():
    """when_blocked(action) runs action on another thread once the main thread sleeps in poll or nanosleep,
    in the call under test without the GIL (a GIL wait is a futex), never before as a timer may; returns [time]."""
    threads = []
    wchan = pathlib.Path(f"/proc/self/task/{threading.main_thread().native_id}/wchan")

    def run(action, ran):
        deadline = time.monotonic() + 30
        while not any(call in wchan.read_text() for call in ("poll", "nanosleep")):
            if time.monotonic() > deadline:
                break  # still end the call; the teardown fails the test
            time.sleep(0.005)
        else:
            ran.append(time.monotonic())
        action()

    def start(action):
        ran = []
        threads.append((threading.Thread(target=run, args=(action, ran)), ran))
        threads[-1][0].start()
        return ran

    yield start
    for thread, ran in threads:
        thread.join(timeout=60)
        assert ran, "the call under test never blocked"


def interrupt_process():
    """Ctrl-C as a terminal sends it: SIGINT to the process, whichever thread gets it."""
    os.kill(os.getpid(), signal.SIGINT)

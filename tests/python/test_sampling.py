"""Sampling, presets and captures: validity as nan, units against an independent computation, timestamps, Ctrl-C."""

import time

import numpy
import pytest

import zemtra
from conftest import interrupt_process

# Helium-neon wavelength in mm; one position count is lambda / 512 / fold, one
# velocity count one position count per 4096 / 20 MHz.
WAVELENGTH_MM = 632.819639441319e-6
COUNTS_PER_SECOND = 20e6 / 4096
PER_UNIT = {"raw": None, "mm": 1.0, "inch": 25.4}


def per_count(units, fold):
    return 1.0 if units == "raw" else WAVELENGTH_MM / 512 / numpy.array(fold) / PER_UNIT[units]


@pytest.mark.still
@pytest.mark.parametrize("units, fold", [("raw", (2, 2, 2)), ("mm", (2, 4, 8)), ("inch", (1, 3, 65535))])
def test_positions_in_units_from_presets(board, units, fold):
    counts = numpy.array([1000, -2000, 2**31 - 1])
    board.preset_all(*counts)
    expected = counts * per_count(units, fold)
    assert board.positions(units, fold) == pytest.approx(expected, rel=1e-15)
    assert board.capture(2, units=units, fold=fold)["pos"] == pytest.approx(numpy.array([expected] * 2), rel=1e-15)
    assert board.read(2, units, fold) == pytest.approx((expected[2], 0.0), rel=1e-15)
    # One axis: the others are not sampled.
    assert board.preset(1, -77) == zemtra.Status(0)
    sample = board.sample(axes=[1])
    assert numpy.array_equal(sample.pos, [numpy.nan, -77, numpy.nan], equal_nan=True)
    assert list(sample.valid) == [False, True, False]
    assert board.read(1, latched=True) == (-77, 0)


@pytest.mark.parametrize("units", ["mm", "inch"])
def test_velocities_in_units_are_whole_counts_near_the_raw_ones(board, units):
    # Whole counts on moving axes, which a wrong scale or fold breaks, near the raw ones sampled before.
    fold = (3, 5, 7)
    raw = board.capture(200)["vel"][:, [0, 2]]
    counts = board.capture(200, units=units, fold=fold)["vel"][:, [0, 2]] / (per_count(units, fold)[[0, 2]] *
                                                                               COUNTS_PER_SECOND)
    assert numpy.abs(counts - numpy.round(counts)).max() < 1e-6
    assert numpy.all(numpy.abs(counts.mean(axis=0) - raw.mean(axis=0)) <= 0.25 * numpy.abs(raw.mean(axis=0)) + 1)


@pytest.mark.parametrize("n, rate_hz", [(0, None), (1000, None), (50, 1000.0)])
def test_capture_records_with_an_invalid_axis_as_nan(board, n, rate_hz):
    data = board.capture(n, rate_hz=rate_hz)
    assert data.shape == (n,)
    assert [(name, data.dtype[name].base, data.dtype[name].shape) for name in data.dtype.names] == [
        ("t", numpy.float64, ()), ("pos", numpy.float64, (3,)), ("vel", numpy.float64, (3,)),
        ("valid", numpy.bool_, (3,))]
    assert numpy.all(numpy.diff(data["t"]) > 0)
    if rate_hz:
        # Absolute deadlines: sample i never starts before i periods.
        assert numpy.all(data["t"] >= numpy.arange(n) / rate_hz - 1e-6)
    assert data["valid"].tolist() == [[True, False, True]] * n
    assert numpy.isnan(data["pos"][:, 1]).all() and numpy.isnan(data["vel"][:, 1]).all()
    assert numpy.isfinite(data["pos"][:, [0, 2]]).all()
    sample = board.sample()
    assert numpy.isnan(sample.pos[1]) and numpy.isnan(board.velocities()[1]) and numpy.isnan(board.read(1)[0])


@pytest.mark.parametrize("n, rate_hz", [(1_000_000, 1000.0), (10, 0.01)], ids=["1 kHz", "one per 100 s"])
def test_ctrl_c_stops_a_capture(board, when_blocked, n, rate_hz):
    # Either capture would run for 1000 s; it must end soon after the signal.
    sent = when_blocked(interrupt_process)
    with pytest.raises(KeyboardInterrupt):
        board.capture(n, rate_hz=rate_hz)
    stopped = time.monotonic()
    print(f"capture stopped {1000 * (stopped - sent[0]):.1f} ms after SIGINT")
    assert stopped - sent[0] < 5
    assert len(board.capture(3)) == 3

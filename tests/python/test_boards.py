"""Finding and opening boards, closing them, and the errors of the library as exceptions."""

import pytest

import zemtra

SIMULATED = zemtra.Identity(product_codes=(0x4D27B, 0x4D27C), fpga_revisions=(0x00020104, 0x00020103),
                            hardware_revision=0x0312)


@pytest.mark.parametrize("where, expected", [({}, (240, 0)), ({"slot": 1}, (240, 1)),
                                             ({"bus": 240, "slot": 1}, (240, 1))])
def test_board_opens_where_asked_and_the_context_closes_it(where, expected):
    assert zemtra.boards() == [zemtra.BoardInfo(240, 0, SIMULATED), zemtra.BoardInfo(240, 1, SIMULATED)]
    assert zemtra.library_revision() == 0x10
    with zemtra.Board(**where) as board:
        assert (board.bus, board.slot) == expected
        assert board.identity == SIMULATED and board.board_id == 0x4D27B
    assert board.closed
    board.close()  # a second close does nothing


# The library's codes: the exception each raises and its text.
ERRORS = {16: (zemtra.InvalidHandleError, "Invalid Handle"), 18: (zemtra.NoBoardError, "Device not found"),
          21: (zemtra.InvalidAddressError, "Invalid register address for this operation"),
          24: (zemtra.InvalidAxisError, "Non-existent axis"),
          25: (zemtra.InvalidDataError, "Error or invalid data on axis or reference")}


@pytest.mark.parametrize("call, code, function", [
    (lambda board: zemtra.Board(slot=5), 18, "ZemtraOpen"),
    (lambda board: board.read_register(0x031, 16), 21, "ZemtraReadRegisterWord"),
    (lambda board: board.write_register(0x200, 0, 32), 21, "ZemtraWriteRegisterLong"),
    (lambda board: board.read_register(1 << 32, 32), 21, "ZemtraReadRegisterLong"),
    (lambda board: board.preset(3, 0), 24, "ZemtraPresetRaw"),
    # The library looks at the low 16 bits only: 65536 must not become axis 0.
    (lambda board: board.read(65536), 24, "ZemtraGetRawPosVel"),
    (lambda board: board.preset(1, 0), 25, "ZemtraPresetRaw"),
    (lambda board: (board.close(), board.status), 16, "ZemtraGetStatus"),
    (lambda board: (board.close(), board.capture(1)), 16, "ZemtraGetRawPosVelAll"),
    (lambda board: (board.close(), board.wait_interrupt(zemtra.Status.A1_GLITCH, timeout=1)), 16,
     "ZemtraGetInterruptMask"),
], ids=["no board there", "misaligned", "outside the window", "offset beyond 32 bits", "axis 3", "axis 65536",
        "preset without signal", "closed: status", "closed: capture", "closed: wait_interrupt"])
def test_library_errors_carry_code_function_and_text(board, call, code, function):
    error, text = ERRORS[code]
    with pytest.raises(error) as raised:
        call(board)
    assert (raised.value.code, raised.value.function, raised.value.text) == (code, function, text)
    assert str(raised.value) == f"{function}: {text} ({code})"


@pytest.mark.parametrize("call", [
    lambda board: board.capture(1, units="cm"),
    lambda board: board.capture(1, fold=(2, 0, 2)),
    lambda board: board.capture(1, rate_hz=0),
    lambda board: board.capture(-1),
    lambda board: board.read_register(0x030, 8),
    lambda board: board.read_register(0x034),
    lambda board: board.write_register(0x012, 0x10000),
    lambda board: board.preset(0, 1 << 31),
    lambda board: setattr(board, "config", 0x8000),
    lambda board: setattr(board, "filter", zemtra.Filter(kv=4)),
    lambda board: board.wait_interrupt(0),
], ids=["units", "fold", "rate", "count", "width", "unnamed offset", "value too wide", "preset too big",
        "undefined config bit", "filter gain", "no source"])
def test_arguments_out_of_range_raise_value_error(board, call):
    with pytest.raises(ValueError):
        call(board)

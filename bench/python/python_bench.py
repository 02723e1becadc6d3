"""The Python package against the C library, on one simulated board:

 - b.capture(100000) back to back, as a share of the rate of bare
   ZemtraGetRawPosVelAll calls measured by the C benchmark given as the first
   argument (goal: at least 90 %);
 - one b.read_register call, in ns, beside the same read through ctypes
   (ZemtraReadRegisterLong with a reused c_uint32; goal: no slower).

Run by scripts/bench-python.sh with the build's package on PYTHONPATH.
"""

import ctypes
import os
import subprocess
import sys
import time
import timeit

os.environ.setdefault("ZEMTRA_SIM", "1")

import zemtra  # noqa: E402  (after ZEMTRA_SIM, which the library reads once)

PRODUCT_CODE_OFFSET = 0x030
CAPTURE = 100_000


def library_rate(benchmark):
    """ZemtraGetRawPosVelAll in the C benchmark: calls per second and CPU ns per call."""
    csv = subprocess.run([benchmark, "--benchmark_format=csv", "--benchmark_min_time=0.5"], check=True,
                         capture_output=True, text=True).stdout
    header, row = csv.strip().splitlines()[-2:]
    fields = dict(zip(header.split(","), row.split(",")))
    return float(fields["items_per_second"]), float(fields["cpu_time"])


def capture_rate(board, repeats=5):
    """b.capture back to back: samples per second and CPU ns per sample."""
    cpu_start = time.process_time()
    start = time.perf_counter()
    for _ in range(repeats):
        board.capture(CAPTURE)
    return repeats * CAPTURE / (time.perf_counter() - start), (
        time.process_time() - cpu_start) * 1e9 / (repeats * CAPTURE)


def best_of_rounds(board, benchmark, rounds=5):
    """Both sides in turns, so that a busy spell of the machine hits both; the
    best of each (least disturbed) is compared."""
    library, capture = [], []
    for _ in range(rounds):
        library.append(library_rate(benchmark))
        capture.append(capture_rate(board))
    return (max(rate for rate, _ in library), min(cpu for _, cpu in library),
            max(rate for rate, _ in capture), min(cpu for _, cpu in capture))


def ns_per_call(call, number=200_000, repeats=7):
    return min(timeit.repeat(call, number=number, repeat=repeats)) / number * 1e9


def ctypes_reader(library_path):
    library = ctypes.CDLL(library_path)
    library.ZemtraOpen.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_uint32), ctypes.c_void_p]
    library.ZemtraReadRegisterLong.argtypes = [ctypes.c_uint32, ctypes.c_int32, ctypes.POINTER(ctypes.c_uint32)]
    library.ZemtraReadRegisterLong.restype = ctypes.c_int16
    handle = ctypes.c_uint32()
    if library.ZemtraOpen(None, ctypes.byref(handle), None) != 0:
        sys.exit("ctypes: ZemtraOpen failed")
    value = ctypes.c_uint32()
    reference = ctypes.byref(value)
    read = library.ZemtraReadRegisterLong
    board = handle.value
    return lambda: read(board, PRODUCT_CODE_OFFSET, reference)


def main():
    benchmark, library_path = sys.argv[1:3]
    with zemtra.Board() as board:
        library, library_cpu, rate, cpu = best_of_rounds(board, benchmark)
        print(f"ZemtraGetRawPosVelAll (C)  {library:9.0f} samples/s  {library_cpu:6.0f} ns CPU per sample")
        print(f"b.capture({CAPTURE})        {rate:9.0f} samples/s  {cpu:6.0f} ns CPU per sample")
        print(f"share of the library       {100 * rate / library:8.1f} % wall clock  "
              f"{100 * library_cpu / cpu:5.1f} % CPU time (goal >= 90 %)")
        via_ctypes = ns_per_call(ctypes_reader(library_path))
        via_module = ns_per_call(lambda: board.read_register(PRODUCT_CODE_OFFSET, 32))
        print(f"read_register, ctypes       {via_ctypes:8.0f} ns per call")
        print(f"b.read_register             {via_module:8.0f} ns per call  (goal <= ctypes)")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
# pelorin-cli against the scripted ways of making the same .swf file: FFTW
# through pyfftw (one thread, FFTW_ESTIMATE, the real-output transform), and
# numpy's and, where installed, scipy's FFT. Every run is a fresh process,
# the programs alternate round by round, and the minimum CPU time of each is
# kept. pelorin-cli is always charged its whole process (start, recipe,
# synthesis, store). A script is charged its whole process too ("process":
# interpreter and imports included, as an operator running it pays), and,
# in the stricter column, only its synthesis and store ("work"). Every file
# is compared with pelorin's, byte for byte ("diff": differing codes).
#
#   bench/peers.py PELORIN_CLI [ROUNDS]
#
# Goal: pelorin / pyfftw at most 0.33 at 2^20 samples and above, and pelorin
# no slower than any peer at 2^16 (whole processes).
import os
import subprocess
import sys
import tempfile
import time

BANDWIDTH_KHZ = 1000.0
FROM_KHZ = 100.0
TO_KHZ = 300.0
FACTOR = -1
SIZES = [1 << 16, 1 << 20, 1 << 22, 1 << 24]


def synthesise(peer, samples, out):
    """Makes the file with one peer; returns the CPU seconds it took."""
    import numpy as np

    if peer == "pyfftw":
        import pyfftw
    elif peer == "scipy":
        import scipy.fft
    start = time.process_time()
    n = samples // 2
    first = int(FROM_KHZ / BANDWIDTH_KHZ * n)
    last = int(TO_KHZ / BANDWIDTH_KHZ * n)
    m = np.zeros(n)
    m[first:last] = 1.0
    # The quadratic phase law: running sums of the power and of those sums.
    power = m * m
    s1 = np.cumsum(power)
    s2 = np.cumsum(s1)
    total = float(s1[-1])
    points = float(n)
    sweep = 3.14159 * (2.0 * FACTOR)
    i = np.arange(n, dtype=np.float64)
    phase = sweep * (((points / 2.0) * s2) / total + (points / 4.0) * i) / points
    if peer == "pyfftw":
        spectrum = pyfftw.empty_aligned(n + 1, dtype="complex128")
        wave = pyfftw.empty_aligned(samples, dtype="float64")
        plan = pyfftw.FFTW(spectrum, wave, direction="FFTW_BACKWARD",
                           flags=("FFTW_ESTIMATE",), threads=1)
    else:
        spectrum = np.empty(n + 1, dtype=np.complex128)
    spectrum.real[:n] = m * np.cos(phase)
    spectrum.imag[:n] = m * np.sin(phase)
    spectrum[0] = complex(2.0 * spectrum.real[0], 0.0)
    spectrum[n] = 0.0
    if peer == "pyfftw":
        plan.execute()
    elif peer == "scipy":
        wave = scipy.fft.irfft(spectrum, samples)
    else:
        wave = np.fft.irfft(spectrum, samples)
    top = max(float(wave.max()), 0.0)
    bottom = min(float(wave.min()), 0.0)
    scale = 1.0 / (abs(bottom) if abs(bottom) >= top else top)
    codes = 4095.0 * ((wave * scale + 1.0) / 2.0)
    np.minimum(codes, 4095.0, out=codes)
    np.maximum(codes, 0.0, out=codes)
    header = "TAVIK SWIFT File\n\nData Points:%d\nBandwidth:%.6f\nData:\n" % (
        samples, BANDWIDTH_KHZ * 1000.0)
    with open(out, "wb") as f:
        f.write(header.encode("ascii"))
        f.write(codes.astype("<u2").tobytes())
    return time.process_time() - start


def run_cli(cli, samples, out):
    args = [cli, "-e", "reset layout=ni samples=%d bandwidth=%g" % (samples, BANDWIDTH_KHZ),
            "-e", "notch from=%g to=%g level=1" % (FROM_KHZ, TO_KHZ),
            "-e", "swift factor=%d" % FACTOR, "-e", "store file=" + out]
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit("pelorin-cli failed")
    return usage.ru_utime + usage.ru_stime


def run_peer(peer, samples, out):
    """The peer's (whole process, synthesis and store) CPU seconds."""
    child = subprocess.Popen([sys.executable, __file__, "--peer", peer, str(samples), out],
                             stdout=subprocess.PIPE, text=True)
    work = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(peer + " failed")
    return usage.ru_utime + usage.ru_stime, float(work)


def differing_codes(a, b):
    import numpy as np

    with open(a, "rb") as f:
        x = f.read()
    with open(b, "rb") as f:
        y = f.read()
    if x == y:
        return 0
    cut = x.index(b"Data:\n") + 6
    if x[:cut] != y[:cut] or len(x) != len(y):
        return -1
    return int(np.count_nonzero(np.frombuffer(x[cut:], "<u2") != np.frombuffer(y[cut:], "<u2")))


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--peer":
        print(synthesise(sys.argv[2], int(sys.argv[3]), sys.argv[4]))
        return
    if len(sys.argv) < 2:
        sys.exit("usage: peers.py PELORIN_CLI [ROUNDS]")
    cli = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    peers = ["pyfftw", "numpy"]
    try:
        import scipy.fft  # noqa: F401
        peers.append("scipy")
    except ImportError:
        pass
    folder = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    print("CPU seconds, minima of %d rounds; ratio = pelorin / peer" % rounds)
    print("%-9s %9s" % ("samples", "pelorin") + "".join(
        " | %-6s %8s %6s %8s %6s %5s" % (p, "process", "ratio", "work", "ratio", "diff")
        for p in peers))
    try:
        for samples in SIZES:
            mine = os.path.join(folder, "pelorin.swf")
            cpu = {"pelorin": []}
            work = {p: [] for p in peers}
            for p in peers:
                cpu[p] = []
            diff = {}
            for _ in range(rounds):
                cpu["pelorin"].append(run_cli(cli, samples, mine))
                for p in peers:
                    theirs = os.path.join(folder, p + ".swf")
                    whole, inside = run_peer(p, samples, theirs)
                    cpu[p].append(whole)
                    work[p].append(inside)
                    diff[p] = max(diff.get(p, 0), differing_codes(mine, theirs))
                    os.unlink(theirs)
            me = min(cpu["pelorin"])
            print("%-9d %9.4f" % (samples, me) + "".join(
                " | %-6s %8.4f %6.3f %8.4f %6.3f %5d" % (
                    "", min(cpu[p]), me / min(cpu[p]), min(work[p]), me / min(work[p]), diff[p])
                for p in peers), flush=True)
            os.unlink(mine)
    finally:
        os.rmdir(folder)


if __name__ == "__main__":
    main()

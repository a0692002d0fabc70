#!/usr/bin/env python3
"""Drives a WinBoard engine with the adapter's opening lines for a game from the
initial position, paced as the adapter paces them, and counts the runs in
which the engine crashed or made no first move.

  start_probe.py ENGINE white|black RUNS [--skip-computer-for NAME]

--skip-computer-for leaves "computer" out when the engine's "feature myname"
starts with NAME, as the adapter does for engines that cannot take it.
"""
import os
import select
import subprocess
import sys
import time


def run_once(engine, colour, skip_for):
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, bufsize=0)
    out = b""

    def write(line, pace=0.010):
        time.sleep(pace)
        try:
            proc.stdin.write(line.encode())
        except BrokenPipeError:
            pass

    def read_until(seconds, marker):
        nonlocal out
        end = time.time() + seconds
        while marker not in out and time.time() < end:
            ready, _, _ = select.select([proc.stdout], [], [], max(0.0, end - time.time()))
            if not ready:
                break
            data = os.read(proc.stdout.fileno(), 65536)
            if not data:
                break
            out += data

    time.sleep(0.5)
    write("xboard\n", 0)
    write("protover 2\n")
    read_until(1.0, b"done=1")
    skip = skip_for is not None and b'feature myname="' + skip_for.encode() in out
    for line in ["new\n", "random\n", "level 0 1 0\n", "hard\n", "force\n"]:
        write(line)
    if not skip:
        write("computer\n")
    if colour == "white":
        write("time 6000\notim 6000\ngo\n")
    else:
        write("time 6000\notim 6000\ne2e4\ngo\n", 0.3)
    read_until(20.0, b"\nmove ")
    code = proc.poll()
    moved = b"\nmove " in out
    write("quit\n", 0)
    try:
        proc.wait(3)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return code is not None and code != 0, moved


def main():
    engine, colour, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    skip_for = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == "--skip-computer-for" else None
    crashed = unmoved = 0
    for _ in range(runs):
        crash, moved = run_once(engine, colour, skip_for)
        crashed += crash
        unmoved += not moved
    print(f"{os.path.basename(engine)} as {colour}: {crashed}/{runs} crashed, "
          f"{unmoved}/{runs} without a first move")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Plays the opening lines the WinBoard adapter sends to Stockfish through
polyglot, as Black after a replayed 1. e4, answers 2. Nf3 and 3. Bb5, and
counts the runs in which the engine never answers.

  ponder_probe.py hard|easy|guarded CENTISECONDS RUNS

Run it in a folder holding a polyglot.ini that names Stockfish. With
pondering on ("hard") and about a second on the clocks, polyglot's
Stockfish now and then never answers a ponder hit. "guarded" is what the
adapter does: "hard", but "easy" before each move once the engine's clock is
under five seconds (and "hard" again above).
"""
import os
import select
import subprocess
import sys
import time


def run_once(mode, clock):
    proc = subprocess.Popen(["/usr/games/polyglot"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, bufsize=0)
    pending = b""

    def write(line):
        time.sleep(0.010)
        proc.stdin.write(line.encode())

    def wait_for(marker, seconds):
        nonlocal pending
        end = time.time() + seconds
        while time.time() < end:
            if marker in pending:
                pending = pending[pending.index(marker) + len(marker):]
                return True
            ready, _, _ = select.select([proc.stdout], [], [], 0.1)
            if ready:
                data = os.read(proc.stdout.fileno(), 65536)
                if not data:
                    return False
                pending += data
        return False

    write("xboard\n")
    write("protover 2\n")
    wait_for(b"done=1", 5)
    pondering = mode != "easy"
    for line in ["new", "random", "level 0 1 0", "easy" if mode == "easy" else "hard", "force", "e2e4",
                 "computer", "time 6000", "otim 6000", "go"]:
        write(line + "\n")
    answered = True
    for move in ["g1f3", "f1b5", None]:
        if not wait_for(b"move ", 10):
            answered = False
            break
        if move is not None:
            if mode == "guarded" and pondering != (int(clock) >= 500):
                pondering = not pondering
                write("hard\n" if pondering else "easy\n")
            write("time %s\n" % clock)
            write("otim %s\n" % clock)
            write(move + "\n")
    write("quit\n")
    try:
        proc.wait(3)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return answered


def main():
    mode, clock, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    silent = sum(0 if run_once(mode, clock) else 1 for _ in range(runs))
    print("%s, clocks %s cs: no answer in %d of %d runs" % (mode, clock, silent, runs))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Measures the longest stall of the program's event loop while it carries out
one user action, through its automation channel.

  stall_probe.py PROGRAM CASE [--runs N] [--engine PATH]

CASE is one of:
  connect   the main menu's network chess button, the connection dialog
            confirmed at once as a client of a silent server on loopback
            (a listening socket whose backlog is full and that never accepts)
  newgame   New Game of a local game, a person against the engine
  takeback  Takeback Move after the engine has answered the first move
  settings  Settings, then OK (the engines are started afresh)

One connection pings the channel every 10 ms (a request the program answers
at once, whatever it is, even with an error) and notes when each answer
arrives; another drives the program as a person does. The stall is the
longest time between two answers while the action runs: the event loop
answers nothing while it is held.

The program runs headless with its own settings folder and is ended through
the channel (and, failing that, by its own process id). The engine is a
WinBoard engine, Phalanx by default; the engine cases say so and are skipped
when it is missing.
"""
import argparse
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

from automation_channel import Channel, program_environment, write_store

PING_PERIOD = 0.010


class Pinger(threading.Thread):
    """Pings every 10 ms and keeps the arrival time of every answer."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.channel = Channel(path)
        self.answers = []
        self.running = True

    def run(self):
        next_ping = time.monotonic()
        while self.running:
            try:
                self.channel.request("ping", timeout=120.0)
            except (OSError, ConnectionError):
                break
            now = time.monotonic()
            self.answers.append(now)
            next_ping = max(next_ping + PING_PERIOD, now)
            time.sleep(max(0.0, next_ping - time.monotonic()))

    def longest_gap(self, start, end):
        """The longest time without an answer between start and end, and when it began."""
        times = [start] + [t for t in self.answers if start < t <= end]
        later = [t for t in self.answers if t > end]
        times.append(later[0] if later else end)
        gap, at = max((b - a, a - start) for a, b in zip(times, times[1:]))
        if os.environ.get("STALL_PROBE_VERBOSE"):
            print("  longest gap %d ms, %d ms after the action" % (gap * 1000, at * 1000))
        return gap


def silent_server():
    """A loopback port that takes connection requests and never answers them."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    port = listener.getsockname()[1]
    fillers = []
    for _ in range(3):
        filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        filler.setblocking(False)
        filler.connect_ex(("127.0.0.1", port))
        fillers.append(filler)
    time.sleep(0.2)
    return listener, fillers, port


class Program:
    def __init__(self, program, folder, sections):
        self.folder = folder
        config = os.path.join(folder, "config")
        write_store(config, sections)
        self.socket_path = os.path.join(folder, "automation")
        env = program_environment(folder, config, self.socket_path)
        env["XDG_DOCUMENTS_DIR"] = os.path.join(folder, "Documents")
        self.log = open(os.path.join(folder, "program.log"), "w")
        self.process = subprocess.Popen([program], env=env, stdout=self.log, stderr=subprocess.STDOUT)
        self.driver = Channel(self.socket_path)
        self.pinger = Pinger(self.socket_path)
        self.pinger.start()

    def ask(self, line):
        reply = self.driver.request(line)
        if not reply.startswith("ok"):
            raise RuntimeError("%s: %s" % (line, reply))
        return reply

    def wait_for(self, condition, timeout=60.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if condition():
                return True
            time.sleep(0.05)
        return False

    def moves(self):
        reply = self.driver.request("board LocalChessWnd/board")
        return len(json.loads(reply[3:])["moves"]) if reply.startswith("ok ") else 0

    def measure(self, action, settle):
        """The longest stall from the action until `settle` seconds have passed."""
        time.sleep(0.3)
        start = time.monotonic()
        action()
        time.sleep(settle)
        return self.pinger.longest_gap(start, time.monotonic())

    def close(self):
        self.pinger.running = False
        try:
            self.driver.request("quit", timeout=30.0)
        except (OSError, ConnectionError):
            pass
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.driver.close()
        self.log.close()


def engine_sections(folder, engine):
    return {
        "Settings": {"WhiteEngine": "Human", "BlackEngine": "Winboard-Compatible Engine",
                     "IsTimeInfinite": 0, "NbMinutes": 5, "PlaySoundOnOpponentMove": 0},
        "Winboard-Compatible Engines\\Phalanx": {"CommandLine": engine, "WorkingDirectory": folder + "/"},
    }


def run_case(program, case, engine):
    with tempfile.TemporaryDirectory(prefix="stall-") as folder:
        if case == "connect":
            listener, fillers, port = silent_server()
            sections = {"Connection": {"ConnectMode": 0, "ClientPort": port, "Ip": "127.0.0.1",
                                       "Nickname": "Probe"}}
            run = Program(program, folder, sections)
            try:
                run.ask("answer ok")
                gap = run.measure(lambda: run.ask("click MainMenuWnd/button1049"), 6.5)
            finally:
                run.close()
                for s in fillers + [listener]:
                    s.close()
            return gap
        run = Program(program, folder, engine_sections(folder, engine))
        try:
            run.ask("click MainMenuWnd/button1048")
            time.sleep(1.0)
            if case == "newgame":
                return run.measure(lambda: run.ask("click LocalChessWnd/button1012"), 3.0)
            if case == "takeback":
                run.ask("click LocalChessWnd/button1012")
                time.sleep(1.0)
                run.ask("move LocalChessWnd/board e2e4")
                if not run.wait_for(lambda: run.moves() >= 2, 30.0):
                    raise RuntimeError("the engine did not answer")
                return run.measure(lambda: run.ask("click LocalChessWnd/button1031"), 3.0)
            if case == "settings":
                def settings_ok():
                    run.ask("click LocalChessWnd/button1025")
                    time.sleep(0.3)
                    run.ask("click button1")
                return run.measure(settings_ok, 3.0)
            raise ValueError(case)
        finally:
            run.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program")
    parser.add_argument("case", choices=["connect", "newgame", "takeback", "settings"])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--engine", default="/usr/games/phalanx")
    args = parser.parse_args()
    if args.case != "connect" and not os.access(args.engine, os.X_OK):
        print("%s: %s is not installed, skipped" % (args.case, args.engine))
        return 0
    gaps = [run_case(os.path.abspath(args.program), args.case, args.engine) for _ in range(args.runs)]
    print("%s: longest stall %s ms (worst %d ms over %d runs)" %
          (args.case, ", ".join("%d" % (g * 1000) for g in gaps), max(gaps) * 1000, len(gaps)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

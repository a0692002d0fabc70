#!/usr/bin/env python3
"""Plays a round robin of the installed WinBoard engines inside the real
program, through its automation channel, and checks every game.

  round_robin.py PROGRAM [--minutes M] [--seconds S] [--bonus B]
                 [--engines A,B,...] [--single] [--limit N] [--out FILE]

The engines are the folders below the program's Engines/Winboard folder (as
the build links them; Stockfish plays through polyglot). Each game runs in a
fresh copy of the program with its own settings folder: Local Chess, both
players the WinBoard plug-in, the two engines chosen in its engine list, New
Game, and then the program is watched until it announces the end. Each engine
runs through a small wrapper that copies what it writes to a log, so the
checks can see who resigned or claimed what.

Checks of every game:
  - every move is legal (replayed by pgn-extract, which knows nothing of the
    program), and the position the program reports is the one the moves give;
  - the winner announced is right: a checkmate is a checkmate, a resignation
    is charged to the engine that wrote "resign", a claim the board does not
    show is charged to the engine that wrote it, a time loss to the side
    whose clock ran out;
  - the panels name the engines.

--single plays each pair once (colours alternate) instead of twice. --limit
stops after N games. The table is printed and, with --out, written as
Markdown. Not part of the test suite: a full round takes long.
"""
import argparse
import itertools
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from automation_channel import Channel, program_environment, write_store

WINBOARD = "Winboard-Compatible Engine"


def installed_engines(program):
    root = os.path.join(os.path.dirname(program), "Engines", "Winboard")
    engines = {}
    for name in sorted(os.listdir(root)) if os.path.isdir(root) else []:
        folder = os.path.join(root, name)
        for entry in sorted(os.listdir(folder)):
            path = os.path.join(folder, entry)
            if entry.endswith(".ini") or not os.access(path, os.X_OK) or not os.path.exists(path):
                continue
            engines[name] = (path, folder)
            break
    return engines


def wrapper(folder, name, program, log):
    """A program that runs the engine and copies its output to a log."""
    path = os.path.join(folder, "wrap-" + re.sub(r"[^A-Za-z0-9]", "_", name))
    with open(path, "w") as out:
        out.write("#!/bin/sh\nexec %s 2>&1 | tee -a '%s'\n" % (shlex_quote(program), log))
    os.chmod(path, 0o755)
    return path


def shlex_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


def legal_by_pgn_extract(moves, folder):
    """Replays the moves with pgn-extract; returns (ok, checkmate, stalemate, text)."""
    tool = shutil.which("pgn-extract") or "/usr/games/pgn-extract"
    if not os.access(tool, os.X_OK):
        return None, None, None, "pgn-extract is not installed"
    text = ""
    for i, move in enumerate(moves):
        text += ("%d. " % (i // 2 + 1) if i % 2 == 0 else "") + move + " "
    game = '[Event "rr"]\n[White "w"]\n[Black "b"]\n[Result "*"]\n\n' + text + "*\n"
    source = os.path.join(folder, "game.pgn")
    with open(source, "w") as out:
        out.write(game)

    def run(*options):
        done = subprocess.run([tool, "-s", *options, source], capture_output=True, text=True)
        return done.stdout, done.stderr

    out, err = run()
    ok = "[Event" in out and not re.search(r"illegal|unknown move|failed to match", err, re.I)
    mate = "[Event" in run("--checkmate")[0]
    stale = "[Event" in run("--stalemate")[0]
    return ok, mate, stale, err.strip()


def last_words(log):
    try:
        with open(log, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def play(program, white, black, engines, args):
    with tempfile.TemporaryDirectory(prefix="rr-") as folder:
        logs = {c: os.path.join(folder, c + ".log") for c in ("white", "black")}
        sections = {
            "Settings": {"WhiteEngine": WINBOARD, "BlackEngine": WINBOARD, "IsTimeInfinite": 0,
                         "NbHours": 0, "NbMinutes": args.minutes, "NbSeconds": args.seconds,
                         "NbSecondsBonus": args.bonus, "PlaySoundOnOpponentMove": 0,
                         "IsEnginePondering": 0},
        }
        engines_key = {"WhiteEngine": "rr " + white, "BlackEngine": "rr " + black}
        sections["Winboard-Compatible Engines"] = engines_key
        for colour, name in (("white", white), ("black", black)):
            path, work = engines[name]
            sections["Winboard-Compatible Engines\\rr " + name] = {
                "CommandLine": wrapper(folder, colour, path, logs[colour]), "WorkingDirectory": work + "/"}
        if white == black:
            raise ValueError("an engine does not play itself")
        config = os.path.join(folder, "config")
        write_store(config, sections)
        sock = os.path.join(folder, "automation")
        env = program_environment(folder, config, sock)
        with open(os.path.join(folder, "program.log"), "w") as log:
            process = subprocess.Popen([program], env=env, stdout=log, stderr=subprocess.STDOUT)
            channel = Channel(sock)
            result = {"white": white, "black": black}
            try:
                channel.request("click MainMenuWnd/button1048")
                time.sleep(1.0)
                channel.request("click LocalChessWnd/button1012")
                limit = time.time() + 2 * 60 * (args.minutes + 1) + 4 * args.seconds + 300
                messages = []
                while time.time() < limit:
                    reply = channel.request("messages")
                    messages = json.loads(reply[3:]) if reply.startswith("ok ") else []
                    if messages:
                        break
                    time.sleep(0.5)
                board = json.loads(channel.request("board LocalChessWnd/board")[3:])
                names = [channel.request("text LocalChessWnd/" + p)[3:] for p in ("bottomPanel", "topPanel")]
                result["moves"] = board["moves"]
                result["message"] = messages[0]["text"] if messages else "(no end within the limit)"
                result["panels"] = names
            finally:
                try:
                    channel.request("quit", timeout=30.0)
                except (OSError, ConnectionError):
                    pass
                try:
                    process.wait(30)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
                channel.close()
            result["ok"], result["mate"], result["stale"], result["pgnerr"] = legal_by_pgn_extract(
                result["moves"], folder)
            result["logs"] = {c: last_words(logs[c]) for c in logs}
            judge(result)
            return result


def judge(r):
    """How the game ended, who won, and whether the program got it right."""
    text = r["message"].replace("\n", " ")
    side_of = {"White": "white", "Black": "black"}
    r["how"], r["winner"], r["right"], r["why"] = "?", "?", False, ""
    m = re.match(r"(White|Black) is checkmate\.", text)
    if m:
        r["how"], r["winner"] = "mate", "black" if m.group(1) == "White" else "white"
        r["right"] = bool(r["mate"])
        r["why"] = "pgn-extract: %s" % ("checkmate" if r["mate"] else "NOT checkmate")
        return
    m = re.match(r"(White|Black) is stalemate\.", text)
    if m:
        r["how"], r["winner"], r["right"] = "stalemate", "draw", bool(r["stale"])
        return
    if text.startswith("Game is a draw"):
        r["how"], r["winner"], r["right"] = "draw by rule", "draw", True
        return
    m = re.match(r"(White|Black)'s time has expired", text)
    if m:
        loser = side_of[m.group(1)]
        r["how"], r["winner"] = "time", "black" if loser == "white" else "white"
        # The side whose clock ran out must be the side to move.
        to_move = "white" if len(r["moves"]) % 2 == 0 else "black"
        r["right"] = to_move == loser
        r["why"] = "%s to move" % to_move
        return
    m = re.match(r"(White|Black) has resigned\.", text)
    if m:
        loser = side_of[m.group(1)]
        r["how"], r["winner"] = "resigns", "black" if loser == "white" else "white"
        said = {c: bool(re.search(r"^\s*(resign|tellics resign)", r["logs"][c], re.M) or
                        re.search(r"^(0-1|1-0) \{\w+ resigns\}", r["logs"][c], re.M)) for c in ("white", "black")}
        r["right"] = said[loser]
        r["why"] = "resign written by %s" % ",".join(c for c in said if said[c]) or "nobody"
        return
    m = re.match(r"(White|Black) \((.*?)\) has (played an illegal move|claimed a result)", text)
    if m:
        loser = side_of[m.group(1)]
        r["how"] = "illegal move" if "illegal" in m.group(3) else "false claim"
        r["winner"] = "black" if loser == "white" else "white"
        r["right"] = True
        r["why"] = text
        return
    r["how"] = text[:40]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program")
    parser.add_argument("--minutes", type=int, default=1)
    parser.add_argument("--seconds", type=int, default=0)
    parser.add_argument("--bonus", type=int, default=0)
    parser.add_argument("--engines", default="")
    parser.add_argument("--single", action="store_true")
    parser.add_argument("--limit", type=int, default=0)
    parser.add_argument("--out", default="")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    engines = installed_engines(program)
    if args.engines:
        engines = {n: engines[n] for n in args.engines.split(",") if n in engines}
    if len(engines) < 2:
        print("fewer than two engines installed: nothing to play")
        return 0
    names = sorted(engines)
    pairs = []
    for i, (a, b) in enumerate(itertools.combinations(names, 2)):
        pairs.append((a, b) if i % 2 == 0 else (b, a))
        if not args.single:
            pairs.append((b, a) if i % 2 == 0 else (a, b))
    if args.limit:
        pairs = pairs[:args.limit]
    rows = ["| # | White | Black | plies | ended by | winner | legal | right | note |",
            "|---|---|---|---|---|---|---|---|---|"]
    wrong = 0
    for n, (white, black) in enumerate(pairs, 1):
        started = time.time()
        r = play(program, white, black, engines, args)
        if not (r["ok"] and r["right"]):
            wrong += 1
        row = "| %d | %s | %s | %d | %s | %s | %s | %s | %s |" % (
            n, white, black, len(r["moves"]), r["how"], r["winner"], "yes" if r["ok"] else "NO",
            "yes" if r["right"] else "NO", (r["why"] or "").replace("|", "/")[:70])
        rows.append(row)
        print(row, "(%ds, panels: %s)" % (time.time() - started, " / ".join(r["panels"])), flush=True)
        if args.out:
            with open(args.out, "w") as out:
                out.write("\n".join(rows) + "\n")
    print("%d games, %d with an illegal move or a wrong winner" % (len(pairs), wrong))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())

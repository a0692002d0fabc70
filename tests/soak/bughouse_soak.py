#!/usr/bin/env python3
"""Soak run of a bughouse server: the real program under load and abuse.

Starts the program as a bughouse server (offscreen, with a settings folder of
its own and the automation channel), seats three scripted players that play
random legal moves and drops and chat, drives the server's own seat through
the automation channel, and keeps a hostile peer cycling through garbage,
resets, floods, oversized and half messages, idle and slow connections. The
server starts a new game whenever none runs.

At the start and at the end (and every --sample seconds) it reads the
server's memory (resident set), open descriptors and CPU time from /proc, and
at the end it reports them with what the players saw: games started and
finished, chat lines sent and received in order, and any fault. Exit status 0
when the honest players finished every game they started, lost no chat line
and were never dropped, and the server is still alive.

    tests/soak/bughouse_soak.py --program build/app/pellomar --minutes 30

Loopback only; ports are chosen by the system. Python 3 standard library only.
"""

import argparse
import json
import os
import random
import select
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

# ---------------------------------------------------------------------------
# Wire format of the message layer

ELEM_INT, ELEM_LONG, ELEM_STRING, ELEM_BYTES = 5, 7, 10, 11

NET_SERVER_STOPPING, NET_CLIENT_LEAVING, NET_DISCONNECTED = -1, -4, -5
NET_PING_FROM_CLIENT, NET_PING_FROM_SERVER = -2, -3
MSG_JOIN_ACCEPTED, MSG_CHAT, MSG_DRAW_ACCEPTED, MSG_GAME_ABORTED = 0, 1, 2, 3
MSG_GAME_STARTED, MSG_PLAYER_JOINED, MSG_MOVE, MSG_DROP = 4, 5, 6, 7
MSG_SEATS_CHANGED, MSG_RESIGN, MSG_SETTINGS, MSG_SWITCH_COLORS = 10, 11, 13, 14
MSG_TIME_CALL, MSG_TIME_EXPIRED, MSG_FLAG_FELL, MSG_PLAYER_LEFT = 15, 16, 17, 18
MSG_JOIN_REQUEST, MSG_REFUSED_FULL, MSG_REFUSED_NICKNAME = 500, 501, 502
MSG_WRONG_MODE, MSG_REFUSED_STARTED, MSG_WRONG_VERSION = 503, 504, 505
GAME_MODE_DOUBLE, GAME_MODE_SINGLE = 0, 1
END_IDS = (MSG_RESIGN, MSG_TIME_EXPIRED, MSG_DRAW_ACCEPTED, MSG_GAME_ABORTED, MSG_PLAYER_LEFT)


def encode(msg_id, *elements):
    """elements: ints (ELEM_INT), ('long', n), str or bytes (ELEM_STRING)."""
    out = bytearray(struct.pack('<ii', msg_id, len(elements)))
    for e in elements:
        if isinstance(e, tuple) and e[0] == 'long':
            out += struct.pack('<BiI', ELEM_LONG, e[1], 0)
        elif isinstance(e, int):
            out += struct.pack('<BiI', ELEM_INT, e, 0)
        else:
            data = e.encode('utf-8') if isinstance(e, str) else e
            out.append(ELEM_STRING)
            n = len(data)
            if n < 0xFF:
                out.append(n)
            elif n < 0xFFFE:
                out += b'\xff' + struct.pack('<H', n)
            else:
                out += b'\xff\xff\xff' + struct.pack('<I', n)
            out += data
    return bytes(out)


class Reader:
    """Cuts a byte stream into messages (id, [values])."""

    def __init__(self):
        self.buf = bytearray()

    def feed(self, data):
        self.buf += data
        out = []
        while True:
            got = self._one()
            if got is None:
                return out
            out.append(got)

    def _one(self):
        b = self.buf
        if len(b) < 8:
            return None
        msg_id, count = struct.unpack_from('<ii', b, 0)
        pos, values = 8, []
        for _ in range(count):
            if pos >= len(b):
                return None
            tag = b[pos]
            pos += 1
            if tag == ELEM_STRING:
                if pos >= len(b):
                    return None
                n = b[pos]
                pos += 1
                if n == 0xFF:
                    if pos + 2 > len(b):
                        return None
                    n = struct.unpack_from('<H', b, pos)[0]
                    pos += 2
                    if n == 0xFFFF:
                        if pos + 4 > len(b):
                            return None
                        n = struct.unpack_from('<I', b, pos)[0]
                        pos += 4
                if pos + n > len(b):
                    return None
                values.append(bytes(b[pos:pos + n]).decode('utf-8', 'replace'))
                pos += n
            elif tag == ELEM_BYTES:
                if pos + 4 > len(b):
                    return None
                n = struct.unpack_from('<I', b, pos)[0]
                pos += 4
                if pos + n > len(b):
                    return None
                values.append(bytes(b[pos:pos + n]))
                pos += n
            else:
                if pos + 8 > len(b):
                    return None
                values.append(struct.unpack_from('<i', b, pos)[0])
                pos += 8
        del self.buf[:pos]
        return msg_id, values


# ---------------------------------------------------------------------------
# Bughouse rules, enough to play random legal moves and see a game end.
# Squares 0..63 = rank * 8 + file, file 0 the a-file. Pieces as in FEN;
# types as on the wire: pawn 0, rook 1, knight 2, bishop 3, queen 4, king 5.
# Castling and en passant are never played (legal but not needed here).

TYPE_OF = {'p': 0, 'r': 1, 'n': 2, 'b': 3, 'q': 4, 'k': 5}
LETTER = 'prnbqk'
KNIGHT = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def colour_of(piece):
    return 'w' if piece.isupper() else 'b'


class Position:
    def __init__(self):
        self.board = [None] * 64
        for f, p in enumerate('rnbqkbnr'):
            self.board[f] = p.upper()
            self.board[56 + f] = p
            self.board[8 + f] = 'P'
            self.board[48 + f] = 'p'
        self.promoted = set()
        self.side = 'w'
        self.holdings = {'w': [0] * 5, 'b': [0] * 5}

    @staticmethod
    def from_fen(fen, holdings):
        pos = Position()
        pos.board = [None] * 64
        rows = fen.split()[0].split('/')
        for r, row in enumerate(rows):
            rank, f = 7 - r, 0
            for ch in row:
                if ch.isdigit():
                    f += int(ch)
                elif ch.isalpha():
                    pos.board[rank * 8 + f] = ch
                    f += 1
        pos.side = fen.split()[1]
        pos.holdings = {'w': [0] * 5, 'b': [0] * 5}
        for colour, key in (('w', 'white'), ('b', 'black')):
            for ch in holdings.get(key, ''):
                pos.holdings[colour]['prnbq'.index(ch.lower())] += 1
        return pos

    def copy(self):
        c = Position.__new__(Position)
        c.board = self.board[:]
        c.promoted = set(self.promoted)
        c.side = self.side
        c.holdings = {'w': self.holdings['w'][:], 'b': self.holdings['b'][:]}
        return c

    def king(self, colour):
        k = 'K' if colour == 'w' else 'k'
        return self.board.index(k) if k in self.board else -1

    def attacked(self, sq, by):
        r, f = divmod(sq, 8)
        b = self.board

        def at(rr, ff):
            return b[rr * 8 + ff] if 0 <= rr < 8 and 0 <= ff < 8 else None
        pawn_r = r - 1 if by == 'w' else r + 1
        for df in (-1, 1):
            p = at(pawn_r, f + df)
            if p and colour_of(p) == by and p.lower() == 'p':
                return True
        for dr, df in KNIGHT:
            p = at(r + dr, f + df)
            if p and colour_of(p) == by and p.lower() == 'n':
                return True
        for dr, df in KING:
            p = at(r + dr, f + df)
            if p and colour_of(p) == by and p.lower() == 'k':
                return True
        for dirs, kinds in ((ROOK_DIRS, 'rq'), (BISHOP_DIRS, 'bq')):
            for dr, df in dirs:
                rr, ff = r + dr, f + df
                while 0 <= rr < 8 and 0 <= ff < 8:
                    p = b[rr * 8 + ff]
                    if p:
                        if colour_of(p) == by and p.lower() in kinds:
                            return True
                        break
                    rr, ff = rr + dr, ff + df
        return False

    def in_check(self, colour):
        k = self.king(colour)
        return k >= 0 and self.attacked(k, 'b' if colour == 'w' else 'w')

    def pseudo_moves(self):
        side, b, out = self.side, self.board, []
        for sq in range(64):
            p = b[sq]
            if not p or colour_of(p) != side:
                continue
            r, f = divmod(sq, 8)
            kind = p.lower()
            if kind == 'p':
                d = 1 if side == 'w' else -1
                start = 1 if side == 'w' else 6
                if 0 <= r + d < 8 and not b[(r + d) * 8 + f]:
                    out.append((sq, (r + d) * 8 + f))
                    if r == start and not b[(r + 2 * d) * 8 + f]:
                        out.append((sq, (r + 2 * d) * 8 + f))
                for df in (-1, 1):
                    if 0 <= f + df < 8 and 0 <= r + d < 8:
                        t = b[(r + d) * 8 + f + df]
                        if t and colour_of(t) != side and t.lower() != 'k':
                            out.append((sq, (r + d) * 8 + f + df))
            elif kind in 'nk':
                for dr, df in (KNIGHT if kind == 'n' else KING):
                    rr, ff = r + dr, f + df
                    if 0 <= rr < 8 and 0 <= ff < 8:
                        t = b[rr * 8 + ff]
                        if not t or (colour_of(t) != side and t.lower() != 'k'):
                            out.append((sq, rr * 8 + ff))
            else:
                dirs = (ROOK_DIRS if kind == 'r' else BISHOP_DIRS if kind == 'b' else ROOK_DIRS + BISHOP_DIRS)
                for dr, df in dirs:
                    rr, ff = r + dr, f + df
                    while 0 <= rr < 8 and 0 <= ff < 8:
                        t = b[rr * 8 + ff]
                        if t:
                            if colour_of(t) != side and t.lower() != 'k':
                                out.append((sq, rr * 8 + ff))
                            break
                        out.append((sq, rr * 8 + ff))
                        rr, ff = rr + dr, ff + df
        return out

    def legal(self, extra_rook=False):
        """Legal moves ('m', from, to, promotion type) and drops ('d', type, to)."""
        side, moves = self.side, []
        for frm, to in self.pseudo_moves():
            promo = 4 if self.board[frm].lower() == 'p' and to // 8 in (0, 7) else 0
            c = self.copy()
            c.apply_move(frm, to, promo)
            if not c.in_check(side):
                moves.append(('m', frm, to, promo))
        holdings = self.holdings[side][:]
        if extra_rook:
            holdings[1] += 1
        checked = self.in_check(side)
        for t in range(5):
            if holdings[t] <= 0:
                continue
            for sq in range(64):
                if self.board[sq] or (t == 0 and sq // 8 in (0, 7)):
                    continue
                # A drop never exposes the own king; in check it must block.
                if checked:
                    c = self.copy()
                    c.board[sq] = LETTER[t].upper() if side == 'w' else LETTER[t]
                    if c.in_check(side):
                        continue
                moves.append(('d', t, sq))
        return moves

    def apply_move(self, frm, to, promo):
        """Plays a move; returns (captured, piece nibble, colour) for the wire."""
        p, t = self.board[frm], self.board[to]
        captured = (0, 0, 0)
        if t:
            nibble = TYPE_OF[t.lower()] | (8 if to in self.promoted else 0)
            captured = (1, nibble, 2 if colour_of(t) == 'w' else 1)
        self.promoted.discard(to)
        self.board[to], self.board[frm] = p, None
        if frm in self.promoted:
            self.promoted.discard(frm)
            self.promoted.add(to)
        if p.lower() == 'p' and to // 8 in (0, 7):
            kind = LETTER[promo or 4]
            self.board[to] = kind.upper() if p.isupper() else kind
            self.promoted.add(to)
        self.side = 'b' if self.side == 'w' else 'w'
        return captured

    def apply_drop(self, t, sq):
        side = self.side
        self.holdings[side][t] = max(0, self.holdings[side][t] - 1)
        self.board[sq] = LETTER[t].upper() if side == 'w' else LETTER[t]
        self.side = 'b' if side == 'w' else 'w'

    def is_legal_move(self, frm, to):
        if (frm, to) not in self.pseudo_moves():
            return False
        c = self.copy()
        c.apply_move(frm, to, 4)
        return not c.in_check(self.side)

    def status(self):
        """'mate', 'stalemate' or None for the side to move, as the program
        judges a bughouse board: a rook that might still come is counted, so
        a side not in check with an empty square is never stalemated."""
        side = self.side
        checked = self.in_check(side)
        if not checked and None in self.board:
            return None
        for frm, to in self.pseudo_moves():
            c = self.copy()
            c.apply_move(frm, to, 4)
            if not c.in_check(side):
                return None
        kinds = [t for t in range(5) if self.holdings[side][t] > 0 or t == 1]
        for sq in range(64):
            if self.board[sq]:
                continue
            for t in kinds:
                if t == 0 and sq // 8 in (0, 7):
                    continue
                c = self.copy()
                c.board[sq] = LETTER[t].upper() if side == 'w' else LETTER[t]
                if not c.in_check(side):
                    return None
        return 'mate' if checked else 'stalemate'


def sq_name(sq):
    return 'abcdefgh'[sq % 8] + str(sq // 8 + 1)


def wire_square(sq):
    """(row, column) on the wire: column 0 is the h-file."""
    return sq // 8, 7 - sq % 8


def from_wire(row, col):
    return row * 8 + (7 - col)


# ---------------------------------------------------------------------------
# Seats of a four-player table (seat 0's seat flag set)


def seat_layout(white0):
    """Board and colour of each seat: boards 'A' (seats 0, 2), 'B' (1, 3)."""
    c0 = 'w' if white0 else 'b'
    other = 'b' if c0 == 'w' else 'w'
    return {0: ('A', c0), 1: ('B', other), 2: ('A', other), 3: ('B', c0)}


# ---------------------------------------------------------------------------
# An honest player


class Player(threading.Thread):
    def __init__(self, name, port, stats, stop, game_ms, chat_every):
        super().__init__(daemon=True)
        self.name, self.port, self.stats, self.stop = name, port, stats, stop
        self.game_ms, self.chat_every = game_ms, chat_every
        self.sock = None
        self.reader = Reader()
        self.seats = []
        self.white0 = True
        self.flag = 0
        self.boards = None
        self.running = False
        self.my_time = game_ms
        self.turn_since = None
        self.next_move_at = 0
        self.chat_sent = 0
        self.next_chat = time.monotonic() + random.uniform(0, chat_every)
        self.chat_seen = {}  # sender -> next expected number
        self.lock = threading.Lock()
        self.joined = False
        self.gone = False

    def log(self, key, n=1):
        with self.lock:
            self.stats[key] = self.stats.get(key, 0) + n

    def fault(self, text):
        with self.lock:
            self.stats.setdefault('faults', []).append('%s: %s' % (self.name, text))

    def send(self, data):
        try:
            self.sock.sendall(data)
            return True
        except OSError as e:
            self.fault('send failed: %s' % e)
            return False

    def my_seat(self):
        return self.seats.index(self.name) if self.name in self.seats else -1

    def run(self):
        try:
            deadline = time.monotonic() + 30
            while True:  # the program may not listen yet
                try:
                    self.sock = socket.create_connection(('127.0.0.1', self.port), timeout=10)
                    break
                except ConnectionRefusedError:
                    if time.monotonic() > deadline:
                        raise
                    time.sleep(0.2)
            self.sock.settimeout(None)
            self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            self.send(encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, self.name, ('long', 2), ('long', 0)))
            while not self.stop.is_set() and not self.gone:
                ready, _, _ = select.select([self.sock], [], [], 0.02)
                if ready:
                    data = self.sock.recv(65536)
                    if not data:
                        self.fault('connection closed by the server')
                        return
                    for msg in self.reader.feed(data):
                        self.handle(*msg)
                        if self.gone:
                            return
                self.act()
            if self.joined and not self.gone:
                self.send(encode(MSG_PLAYER_LEFT, self.name) + encode(NET_CLIENT_LEAVING))
        except OSError as e:
            if not self.stop.is_set():
                self.fault('socket error: %s' % e)
        finally:
            if self.sock:
                self.sock.close()

    # -- what arrives

    def handle(self, msg_id, v):
        if msg_id in (NET_SERVER_STOPPING, NET_DISCONNECTED):
            if not self.stop.is_set():
                self.fault('removed by the server (%d)' % msg_id)
            self.stop_self()
        elif msg_id == NET_PING_FROM_SERVER:
            self.send(encode(NET_PING_FROM_SERVER, ('long', v[0])))
        elif msg_id == MSG_JOIN_ACCEPTED:
            self.joined = True
            self.game_ms = ((v[0] * 60 + v[1]) * 60 + v[2]) * 1000
            self.take_seats(v[7], v[8], v[10:10 + v[9]])
        elif msg_id == MSG_PLAYER_JOINED:
            self.take_seats(v[1], v[2], v[4:4 + v[3]])
        elif msg_id == MSG_SEATS_CHANGED:
            self.take_seats(v[0], v[1], v[3:3 + v[2]])
        elif msg_id in (MSG_REFUSED_FULL, MSG_REFUSED_NICKNAME, MSG_WRONG_MODE, MSG_REFUSED_STARTED,
                        MSG_WRONG_VERSION):
            self.fault('refused (%d)' % msg_id)
            self.stop_self()
        elif msg_id == MSG_SWITCH_COLORS:
            self.white0 = not self.white0
        elif msg_id == MSG_GAME_STARTED:
            self.start_game()
        elif msg_id in (MSG_MOVE, MSG_DROP):
            self.receive_play(msg_id, v)
        elif msg_id in END_IDS:
            self.end_game('message %d' % msg_id)
        elif msg_id == MSG_CHAT:
            self.receive_chat(v)

    def take_seats(self, white, flag, names):
        self.white0, self.flag, self.seats = bool(white), flag, list(names)
        with self.lock:
            self.stats.setdefault('seated', {})[self.name] = len(self.seats)

    def start_game(self):
        if self.running:
            self.fault('a game started before the last one ended')
            self.end_game('next start')
        if len(self.seats) != 4 or self.my_seat() < 0:
            self.fault('game started without four seats: %s' % self.seats)
            return
        self.running = True
        self.boards = {'A': Position(), 'B': Position()}
        self.my_time = self.game_ms
        self.turn_since = None
        self.log('games_started')
        self.next_move_at = time.monotonic() + random.uniform(0.05, 0.3)

    def end_game(self, why):
        if not self.running:
            return
        self.running = False
        self.log('games_finished')
        self.log('end: ' + why.split(' (')[0])

    def receive_play(self, msg_id, v):
        if not self.running:
            return
        seat = v[0]
        layout = seat_layout(self.white0)
        board_name, colour = layout[seat]
        pos = self.boards[board_name]
        if pos.side != colour:
            self.fault('%s moved out of turn on board %s' % (self.seats[seat], board_name))
            return
        if msg_id == MSG_MOVE:
            frm, to = from_wire(v[2], v[3]), from_wire(v[4], v[5])
            if not pos.is_legal_move(frm, to):
                self.fault('illegal move %s%s from %s' % (sq_name(frm), sq_name(to), self.seats[seat]))
            captured = pos.apply_move(frm, to, v[6])
            self.pass_on(board_name, captured)
        else:
            sq = from_wire(v[2], v[3])
            if pos.board[sq] or pos.holdings[colour][v[4]] <= 0:
                self.fault('impossible drop on %s from %s' % (sq_name(sq), self.seats[seat]))
            pos.apply_drop(v[4], sq)
        self.judge(board_name)

    def pass_on(self, board_name, captured):
        """A captured piece goes to its colour's holdings on the other board."""
        if not captured[0]:
            return
        t = 0 if captured[1] & 8 else captured[1]
        colour = 'w' if captured[2] == 2 else 'b'
        self.boards['B' if board_name == 'A' else 'A'].holdings[colour][t] += 1

    def judge(self, board_name):
        # Only the board played on can have ended: a capture elsewhere only
        # adds pieces to drop.
        state = self.boards[board_name].status()
        if state:
            self.end_game(state)

    def receive_chat(self, v):
        if len(v) != 2:
            self.fault('chat of %d fields' % len(v))
            return
        sender, text = v
        if not text.startswith('#'):
            return  # the server's own lines and others
        number = int(text[1:text.index(' ')])
        expected = self.chat_seen.get(sender, number)  # lines sent before this one joined are not seen
        if number != expected:
            self.fault('chat from %s: got #%d, expected #%d' % (sender, number, expected))
        self.chat_seen[sender] = number + 1
        self.log('chat_received')
        if len(text) > 2000:
            self.fault('a chat line of %d characters was delivered' % len(text))

    # -- what it does

    def act(self):
        now = time.monotonic()
        if self.joined and now >= self.next_chat:
            self.next_chat = now + random.uniform(0.5, 1.5) * self.chat_every
            body = ' '.join(random.choice(['e4', 'nice', 'take it', 'hmm', 'drop!', 'gg', 'pawn']) for _ in
                            range(random.randint(1, 30)))
            if random.random() < 0.02:
                body = 'x' * 5000  # cut by the server on the way
            if self.send(encode(MSG_CHAT, self.name, '#%d %s' % (self.chat_sent, body))):
                self.chat_sent += 1
                self.log('chat_sent')
        if not self.running or len(self.seats) != 4:
            return
        seat = self.my_seat()
        board_name, colour = seat_layout(self.white0)[seat]
        pos = self.boards[board_name]
        if pos.side != colour:
            self.turn_since = None
            return
        if self.turn_since is None:
            self.turn_since = now
        if now - self.turn_since > self.my_time / 1000.0:
            # Out of time: with the automatic time loss the owner says so.
            self.my_time = 0
            self.send(encode(MSG_TIME_EXPIRED, seat))
            self.end_game('own time expired')
            return
        if now < self.next_move_at:
            return
        moves = pos.legal()
        if not moves:
            return  # waits for a piece from the partner, or for its clock
        if random.random() < 0.0005:
            self.send(encode(MSG_RESIGN, seat))
            self.end_game('resigned')
            return
        used = int((now - self.turn_since) * 1000)
        self.my_time = max(0, self.my_time - used)
        self.turn_since = None
        move = random.choice(moves)
        orientation = 1 if colour == 'b' else 0
        if move[0] == 'm':
            _, frm, to, promo = move
            captured = pos.apply_move(frm, to, promo)
            fr, fc = wire_square(frm)
            tr, tc = wire_square(to)
            data = encode(MSG_MOVE, seat, orientation, fr, fc, tr, tc, promo, captured[0], captured[1],
                          captured[2], self.my_time, 0)
            self.pass_on(board_name, captured)
        else:
            _, t, sq = move
            pos.apply_drop(t, sq)
            r, c = wire_square(sq)
            data = encode(MSG_DROP, seat, orientation, r, c, t, self.my_time, 0)
        self.log('moves')
        self.send(data)
        self.next_move_at = now + random.uniform(0.03, 0.4)
        self.judge(board_name)

    def stop_self(self):
        self.running = False
        self.gone = True


# ---------------------------------------------------------------------------
# The hostile peer


def hostile(port, stop, stats):
    def count(key):
        stats[key] = stats.get(key, 0) + 1

    def connect():
        s = socket.create_connection(('127.0.0.1', port), timeout=5)
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return s

    def reset(s):
        s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
        s.close()

    def garbage():
        s = connect()
        s.sendall(os.urandom(random.randint(1, 65536)))
        time.sleep(0.1)
        s.close()

    def join_and_reset():
        s = connect()
        s.sendall(encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, 'Ghost%d' % random.randint(0, 999), ('long', 2),
                         ('long', 0)))
        reset(s)

    def flood():
        sockets = []
        for _ in range(60):
            try:
                sockets.append(connect())
            except OSError:
                count('flood_refused')
        time.sleep(1.0)
        for s in sockets:
            reset(s) if random.random() < 0.5 else s.close()

    def unknown_and_huge():
        s = connect()
        s.sendall(encode(random.choice([12, 19, 77, 499, -9]), 'u' * 500000))
        s.sendall(encode(MSG_CHAT, 'nobody', 'y' * 100000))
        time.sleep(0.2)
        s.close()

    def half_message():
        s = connect()
        whole = encode(MSG_CHAT, 'half', 'h' * 1000000)
        s.sendall(whole[:600000])
        time.sleep(2.0)
        s.close()

    def idle():
        s = connect()
        end = time.monotonic() + 7
        while time.monotonic() < end and not stop.is_set():
            ready, _, _ = select.select([s], [], [], 0.5)
            if ready and not s.recv(65536):
                count('idle_dropped')
                break
        s.close()

    def bad_joins():
        for request in (encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, 'old', ('long', 1), ('long', 9)),
                        encode(MSG_JOIN_REQUEST, GAME_MODE_SINGLE, 'chess', ('long', 2), ('long', 0)),
                        encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, 'n' * 300, ('long', 2), ('long', 0)),
                        encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, 'Ann', ('long', 2), ('long', 0)),
                        encode(MSG_JOIN_REQUEST, 7),
                        encode(MSG_JOIN_REQUEST)):
            s = connect()
            s.sendall(request)
            time.sleep(0.05)
            reset(s) if random.random() < 0.3 else s.close()

    def slow_join():
        s = connect()
        data = encode(MSG_JOIN_REQUEST, GAME_MODE_DOUBLE, 'Slowpoke', ('long', 2), ('long', 0))
        for byte in data:
            if stop.is_set():
                break
            s.sendall(bytes([byte]))
            time.sleep(0.05)
        time.sleep(0.3)
        s.close()

    def game_messages_unjoined():
        s = connect()
        for _ in range(200):
            s.sendall(encode(MSG_MOVE, 1, 0, 1, 3, 3, 3, 0, 0, 0, 0, 60000, 0) + encode(MSG_DRAW_ACCEPTED) +
                      encode(MSG_GAME_ABORTED) + encode(MSG_PLAYER_LEFT, 'Ann'))
        time.sleep(0.2)
        s.close()

    def goodbye_then_linger():
        s = connect()
        s.sendall(encode(MSG_PLAYER_LEFT, 'x') + encode(MSG_CHAT, 'linger', 'z' * 700000)[:400000])
        time.sleep(1.0)
        s.close()

    actions = [garbage, join_and_reset, flood, unknown_and_huge, half_message, idle, bad_joins, slow_join,
               game_messages_unjoined, goodbye_then_linger]
    while not stop.is_set():
        for action in actions:
            if stop.is_set():
                break
            try:
                action()
                count(action.__name__)
            except OSError:
                count(action.__name__ + ' cut short')  # the server closed first: often its answer
            time.sleep(0.2)


# ---------------------------------------------------------------------------
# The server program and its automation channel


class Automation:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        deadline = time.monotonic() + 20
        while True:
            try:
                self.sock.connect(path)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        self.file = self.sock.makefile('rwb')

    def request(self, line):
        self.file.write((line + '\n').encode('utf-8'))
        self.file.flush()
        return self.file.readline().decode('utf-8').rstrip('\n')

    def json(self, line):
        reply = self.request(line)
        return json.loads(reply[3:]) if reply.startswith('ok ') else None


def proc_sample(pid):
    with open('/proc/%d/status' % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith('VmRSS:'))
    fds = len(os.listdir('/proc/%d/fd' % pid))
    with open('/proc/%d/stat' % pid) as f:
        fields = f.read().rsplit(')', 1)[1].split()
    ticks = os.sysconf('SC_CLK_TCK')
    cpu = (int(fields[11]) + int(fields[12])) / ticks
    return {'rss_kb': rss, 'fds': fds, 'cpu_s': cpu, 't': time.monotonic()}


def write_settings(folder, minutes):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'Pellomar II.conf'), 'w') as f:
        f.write('PELLOMAR-REGISTRY 1\n[HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II\\Settings]\n')
        f.write('"NbHours"=dword:00000000\n"NbMinutes"=dword:%08x\n"NbSeconds"=dword:00000000\n' % minutes)
        f.write('"IsWinOnOpponentTimeZero"=dword:00000001\n"PlaySoundOnOpponentMove"=dword:00000000\n')


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--program', default=os.path.join(here, '..', '..', 'build', 'app', 'pellomar'))
    parser.add_argument('--minutes', type=float, default=30)
    parser.add_argument('--game-minutes', type=int, default=1)
    parser.add_argument('--sample', type=float, default=60, help='seconds between samples')
    parser.add_argument('--chat-every', type=float, default=2.0, help='seconds between a player\'s chat lines')
    parser.add_argument('--no-hostile', action='store_true')
    parser.add_argument('--board', default='BughouseWnd/board0', help='the server\'s own board view')
    parser.add_argument('--start-button', default='BughouseWnd/button1027')
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix='pellomar-soak-')
    config = os.path.join(work, 'config')
    write_settings(config, args.game_minutes)
    channel = os.path.join(work, 'automation')
    port = free_port()
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen', PELLOMAR_CONFIG_DIR=config, PELLOMAR_AUTOMATION=channel)
    log = open(os.path.join(work, 'server.log'), 'wb')
    server = subprocess.Popen([args.program, 'server', 'double', str(port), 'Host'], env=env, stdout=log,
                              stderr=subprocess.STDOUT)
    print('soak: server pid %d on port %d, folder %s' % (server.pid, port, work), flush=True)
    auto = Automation(channel)
    stats, hostile_stats, samples = {}, {}, []
    stop = threading.Event()
    samples.append(proc_sample(server.pid))

    players = [Player(name, port, stats, stop, args.game_minutes * 60000, args.chat_every)
               for name in ('Ann', 'Ben', 'Cid')]
    for p in players:
        p.start()
        time.sleep(0.5)
    deadline = time.monotonic() + 20
    while any(stats.get('seated', {}).get(p.name) != 4 for p in players):
        if time.monotonic() > deadline:
            print('soak: the players were not all seated: %s' % stats, flush=True)
            break
        time.sleep(0.1)
    baseline = proc_sample(server.pid)
    samples.append(baseline)
    hostile_thread = None
    if not args.no_hostile:
        hostile_thread = threading.Thread(target=hostile, args=(port, stop, hostile_stats), daemon=True)
        hostile_thread.start()

    server_games = 0
    server_moves = 0

    def all_seated():
        return all(stats.get('seated', {}).get(p.name) == 4 and not p.gone for p in players)

    end = time.monotonic() + args.minutes * 60
    next_sample = time.monotonic() + args.sample
    rng = random.Random()
    try:
        while time.monotonic() < end and server.poll() is None:
            if all_seated() and not any(p.running for p in players) and \
                    auto.request('click ' + args.start_button) == 'ok':
                server_games += 1
            state = auto.json('board ' + args.board)
            if state and state.get('input') and state.get('gameGoingOn'):
                pos = Position.from_fen(state['fen'], state.get('holdings', {}))
                moves = [m for m in pos.legal() if not (m[0] == 'm' and m[3])]  # no promotion dialog
                if moves:
                    m = rng.choice(moves)
                    if m[0] == 'm':
                        reply = auto.request('move %s %s%s' % (args.board, sq_name(m[1]), sq_name(m[2])))
                    else:
                        reply = auto.request('drop %s %s %s' % (args.board, 'PRNBQ'[m[1]], sq_name(m[2])))
                    server_moves += reply == 'ok'
            if time.monotonic() >= next_sample:
                next_sample += args.sample
                s = proc_sample(server.pid)
                samples.append(s)
                print('soak: %5.0f s  rss %6d kB  fds %3d  cpu %7.1f s  games %d' %
                      (s['t'] - samples[0]['t'], s['rss_kb'], s['fds'], s['cpu_s'], stats.get('games_started', 0)),
                      flush=True)
            time.sleep(rng.uniform(0.05, 0.3))
    finally:
        final = proc_sample(server.pid) if server.poll() is None else None
        stop.set()
        for p in players:
            p.join(5)
        if hostile_thread:
            hostile_thread.join(15)
        alive = server.poll() is None
        if alive:
            try:
                auto.request('quit')
            except OSError:
                pass
            try:
                server.wait(20)
            except subprocess.TimeoutExpired:
                server.kill()

    faults = stats.get('faults', [])
    started, finished = stats.get('games_started', 0), stats.get('games_finished', 0)
    # A game still running at the end counts once per player.
    in_progress = sum(1 for p in players if p.running)
    print('\nsoak report (%s minutes, folder %s)' % (args.minutes, work))
    if final:
        for label, s in (('after seating', baseline), ('at the end', final)):
            print('  %-14s rss %7d kB  fds %4d  cpu %8.1f s' % (label, s['rss_kb'], s['fds'], s['cpu_s']))
        span = final['t'] - baseline['t']
        print('  cpu over the run: %.1f%% of one core' % (100.0 * (final['cpu_s'] - baseline['cpu_s']) / span))
        print('  largest rss %d kB, most fds %d' % (max(s['rss_kb'] for s in samples + [final]),
                                                    max(s['fds'] for s in samples + [final])))
    print('  server alive until the end: %s; server seat moves: %d; starts clicked: %d' %
          (alive, server_moves, server_games))
    print('  players: games started %d, finished %d (+%d running at the end), moves %d' %
          (started, finished, in_progress, stats.get('moves', 0)))
    print('  ends: %s' % {k[5:]: v for k, v in stats.items() if k.startswith('end: ')})
    print('  chat: sent %d, received %d' % (stats.get('chat_sent', 0), stats.get('chat_received', 0)))
    print('  hostile: %s' % hostile_stats)
    print('  faults: %d' % len(faults))
    for f in faults[:20]:
        print('    ' + f)
    ok = alive and not faults and started == finished + in_progress and started > 0
    print('  result: %s' % ('PASS' if ok else 'FAIL'))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())

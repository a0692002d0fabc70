"""What the tools that drive the real program share: its settings file and its
automation channel (a local socket that takes a request line and answers with
one reply line)."""
import os
import socket
import time

KEY = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"


class Channel:
    """One connection to the automation channel: a request line, a reply line."""

    def __init__(self, path, timeout=60.0):
        deadline = time.time() + timeout
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.sock.connect(path)
                break
            except OSError:
                self.sock.close()
                if time.time() > deadline:
                    raise
                time.sleep(0.05)
        self.buffer = b""

    def request(self, line, timeout=60.0):
        self.sock.sendall(line.encode() + b"\n")
        self.sock.settimeout(timeout)
        while b"\n" not in self.buffer:
            data = self.sock.recv(65536)
            if not data:
                raise ConnectionError("the program closed its channel")
            self.buffer += data
        reply, self.buffer = self.buffer.split(b"\n", 1)
        return reply.decode()

    def close(self):
        self.sock.close()


def write_store(folder, sections):
    """The program's settings file with the given keys and values."""
    os.makedirs(folder, exist_ok=True)
    lines = ["PELLOMAR-REGISTRY 1"]
    for key, values in sections.items():
        lines.append("[%s\\%s]" % (KEY, key))
        for name, value in values.items():
            if isinstance(value, int):
                lines.append('"%s"=dword:%08x' % (name, value & 0xFFFFFFFF))
            else:
                lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
    with open(os.path.join(folder, "Pellomar II.conf"), "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def program_environment(home, config, socket_path):
    """The environment of a headless, silent copy of the program with its own
    home, settings folder and automation socket."""
    env = dict(os.environ)
    env.update({"QT_QPA_PLATFORM": "offscreen", "PELLOMAR_CONFIG_DIR": config,
                "PELLOMAR_AUTOMATION": socket_path, "PELLOMAR_MUTE": "1", "HOME": home})
    return env

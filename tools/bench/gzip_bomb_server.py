#!/usr/bin/env python3
"""Serves, on 127.0.0.1 and a free port, one small gzip answer that inflates
to far more, compressed while it is sent, for scripts/bench-bomb.sh. Prints
the port on its first line, then serves until it is killed.

Usage: gzip_bomb_server.py KIND MIB
  malformed  MIB MiB of 0xFF bytes (not UTF-8)
  blanks     MIB MiB of blanks
  padded     a one-person address book with MIB MiB of blanks inside it
  persons    an address book of MIB MiB of the shortest persons (<person/>)
  million    an address book of 1,000,000 persons (the most a run keeps) filling MIB MiB
"""
import http.server
import socketserver
import sys
import zlib

HEAD = ('<?xml version="1.0" encoding="utf-8"?><addressbooks>'
        '<person Name="张三" E-Mail="zhangsan@corp.example"/>').encode("utf-8")
TAIL = b"</addressbooks>"
MIB = 1 << 20


def persons(kind, mib):
    yield HEAD
    if kind == "persons":
        fill = b"<person/>" * (MIB // 9)
        for _ in range(mib):
            yield fill
    else:
        count = 999_999  # and the one of HEAD
        name = b"n" * (mib * MIB // count - 40)
        for i in range(count):
            yield b'<person Name="%s" E-Mail="p%07d@corp.example"/>' % (name, i)
    yield TAIL


def pieces(kind, mib):
    if kind in ("persons", "million"):
        yield from persons(kind, mib)
        return
    if kind == "padded":
        yield HEAD
    fill = (b"\xFF" if kind == "malformed" else b" ") * MIB
    for _ in range(mib):
        yield fill
    if kind == "padded":
        yield TAIL


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    kind = "blanks"
    mib = 0

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Connection", "close")
        self.end_headers()
        packer = zlib.compressobj(9, zlib.DEFLATED, 31)  # 31: the gzip wrapper
        try:
            for piece in pieces(self.kind, self.mib):
                self.wfile.write(packer.compress(piece))
            self.wfile.write(packer.flush())
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, as it should
        self.close_connection = True

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    Handler.kind = sys.argv[1]
    Handler.mib = int(sys.argv[2])
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Serves one generated address-book-like body of SIZE_MB megabytes at every
path, on 127.0.0.1 and a free port, for scripts/bench-http.sh. Prints the
port on its first line, then serves until it is killed.

Usage: http_body_server.py SIZE_MB
"""
import http.server
import socketserver
import sys

LINE = '<person Name="张三丰" E-Mail="zhang.sanfeng@corp.example"/>\n'.encode("utf-8")


def make_body(size):
    body = bytearray(LINE * (size // len(LINE) + 1))
    del body[size:]
    return bytes(body)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    body = b""

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(self.body)))
        self.end_headers()
        view = memoryview(self.body)
        for start in range(0, len(view), 1 << 20):
            self.wfile.write(view[start:start + (1 << 20)])

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    Handler.body = make_body(int(sys.argv[1]) * 1000 * 1000)
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

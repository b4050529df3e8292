#!/usr/bin/env python3
"""A demo mail server for the address-book sync: answers the page
/<virtual>/addresssync.asp on loopback with the bundled sample company (or a
generated address book of any size), checking accounts against an INI file.
See README.md for the options and the failure answers."""
import os
import signal
import ssl
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import answer_documents as documents
from content_coding import accepts_gzip, gzip_body
from demo_accounts import ConfigError, load_accounts
from request_query import (decode_component, escape_non_ascii, mask_password, masked_target,
                           parse_query, split_target)
from sample_company import DEPARTMENTS, SAMPLE_SIZE, build_company
from served_stats import CountingWriter, ServedStats
from server_options import parse_arguments

WRONG_CREDENTIALS = "帐号或密码错误"
XML_TYPE = "text/xml; charset=utf-8"
HTML_TYPE = "text/html; charset=utf-8"


class AnswerBodies:
    """Every body the page can send, built once: a large book is then sent
    straight from memory on each request."""

    def __init__(self, people):
        by_department = {name: [] for name, _ in DEPARTMENTS}
        lines = []
        for person in people:
            line = documents.person_line(person)
            lines.append(line)
            by_department[person.department].append(line)
        self.company = documents.addressbook_document(lines)
        self.departments = {name: documents.addressbook_document(members)
                            for name, members in by_department.items()}
        self.empty = documents.addressbook_document([])
        self.wrong_credentials = documents.error_document(WRONG_CREDENTIALS)
        # Answers that are the same whoever asks: (status, type, body).
        self.fixed = {
            "empty": (200, XML_TYPE, self.empty),
            "unparsable": (200, XML_TYPE, documents.unparsable_document(people)),
            "unknown-entity": (200, XML_TYPE, documents.unknown_entity_document(people)),
            "http500": (500, HTML_TYPE, documents.server_failure_page()),
        }

    def book(self, department, only_department):
        if not only_department:
            return self.company
        return self.departments.get(department, self.empty)


class AddressBookServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, settings, tls_context=None):
        self.settings = settings
        self.tls_context = tls_context
        self.stats = ServedStats()
        # Set on shutdown, so that slow answers stop waiting.
        self.stopping = threading.Event()
        super().__init__(address, AddressBookHandler)

    def get_request(self):
        connection, client = self.socket.accept()
        if self.tls_context is not None:
            # The handshake happens in the handler's thread, so a client that
            # stalls in it cannot hold up accepting the next connection.
            connection = self.tls_context.wrap_socket(
                connection, server_side=True, do_handshake_on_connect=False)
        return connection, client

    def handle_error(self, request, client_address):
        error = sys.exc_info()[1]
        log(f"{client_address[0]} connection ended: {type(error).__name__}: {error}")


class AddressBookHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive, as the client expects
    server_version = "TarnwellDemoMail/1.0"
    timeout = 60  # an idle keep-alive connection gives its thread back

    def setup(self):
        super().setup()
        self.wfile = CountingWriter(self.wfile, self.server.stats)
        if isinstance(self.connection, ssl.SSLSocket):
            self.connection.do_handshake()

    def parse_request(self):
        # http.server splits the line as Latin-1 text, where the UTF-8 bytes
        # of some Chinese characters read as white space (U+0085, U+00A0).
        self.raw_requestline = escape_non_ascii(self.raw_requestline)
        return super().parse_request()

    def do_GET(self):
        self.server.stats.count_request()
        settings = self.server.settings
        target = self.path.encode("latin-1")
        path, query = split_target(target)
        if decode_component(path).lower() != settings.page_path.lower():
            self.send_body(target, 404, HTML_TYPE, documents.not_found_page(), "not found")
            return

        fields = parse_query(query)
        account = settings.accounts.get(fields.get("accnt"))
        if account is None or account.password != fields.get("pwd"):
            self.send_body(target, 200, XML_TYPE, settings.bodies.wrong_credentials,
                           "wrong account or password")
            return

        answer = settings.forced_answer or account.answer
        book = settings.bodies.book(account.department, fields.get("onlydepart") == "1")
        if answer in settings.bodies.fixed:
            status, content_type, body = settings.bodies.fixed[answer]
            self.send_body(target, status, content_type, body, answer)
        elif answer == "error":
            self.send_body(target, 200, XML_TYPE,
                           documents.error_document(account.error_text), answer)
        elif answer == "slow":
            if self.server.stopping.wait(settings.slow_seconds):
                self.close_connection = True
                return
            self.send_body(target, 200, XML_TYPE, book, answer)
        elif answer == "truncated":
            self.send_body(target, 200, XML_TYPE, book, answer, cut_short=True)
            self.close_connection = True
        else:
            self.send_body(target, 200, XML_TYPE, book, "address book")

    def send_body(self, target, status, content_type, body, outcome, cut_short=False):
        """Sends `body`, as gzip when the request accepts it; cut short, only
        the first half of what the Content-Length announces."""
        compress = self.server.settings.compression and accepts_gzip(
            self.headers.get("Accept-Encoding"))
        wire = gzip_body(body) if compress else body
        sent = wire[:len(wire) // 2] if cut_short else wire
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if compress:
            self.send_header("Content-Encoding", "gzip")
        if self.server.settings.compression:
            self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(len(wire)))
        self.end_headers()
        self.wfile.write(sent)
        coding = f" gzip of {len(body)}" if compress else ""
        log(f"{self.client_address[0]} {self.command} {masked_target(target)} -> "
            f"{status} {outcome}, {len(sent)} of {len(wire)} bytes{coding}")

    def log_request(self, code="-", size="-"):
        # The default line holds the raw request line, password included;
        # send_body logs a masked one instead.
        pass

    def log_message(self, format, *args):
        # Error messages quote the request line.
        log(f"{self.client_address[0]} {mask_password(format % args)}")


class Settings:
    def __init__(self, accounts, bodies, virtual, forced_answer, slow_seconds, compression):
        self.accounts = accounts
        self.bodies = bodies
        directory = virtual.strip("/")
        self.page_path = f"/{directory}/addresssync.asp" if directory else "/addresssync.asp"
        self.forced_answer = forced_answer
        self.slow_seconds = slow_seconds
        self.compression = compression


def log(line):
    print(line, file=sys.stderr, flush=True)


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def write_port_file(path, port):
    # Written whole and renamed, so a reader polling for it never sees half.
    partial = f"{path}.partial"
    with open(partial, "w", encoding="ascii") as file:
        file.write(f"{port}\n")
    os.replace(partial, path)


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        accounts = load_accounts(arguments.config, {name for name, _ in DEPARTMENTS})
        context = tls_context(arguments.tls_cert, arguments.tls_key) if arguments.tls_cert else None
    except (ConfigError, OSError, ssl.SSLError) as error:
        log(f"addressbook_server: {error}")
        return 2

    size = SAMPLE_SIZE if arguments.generate is None else arguments.generate
    settings = Settings(accounts, AnswerBodies(build_company(size)), arguments.virtual,
                        arguments.mode, arguments.slow_seconds, not arguments.no_compression)
    try:
        server = AddressBookServer((arguments.host, arguments.port), settings, context)
    except OSError as error:
        log(f"addressbook_server: cannot listen on {arguments.host}:{arguments.port}: {error}")
        return 2

    host, port = server.server_address[:2]
    if arguments.port_file:
        try:
            write_port_file(arguments.port_file, port)
        except OSError as error:
            log(f"addressbook_server: {error}")
            server.server_close()
            return 2

    stop = threading.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: stop.set())
    # The socket already listens, so a client that reads the port and
    # connects at once waits in the backlog until serving starts.
    print(f"listening {host} {port}", flush=True)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    serving.start()
    scheme = "https" if context else "http"
    log(f"serving {size} people at {scheme}://{host}:{port}{settings.page_path}")

    # A timed wait, so the signal handler gets to run promptly.
    while not stop.wait(0.5):
        pass
    server.stopping.set()
    server.shutdown()
    serving.join()
    server.server_close()
    log(server.stats.summary())
    if arguments.stats_file:
        try:
            server.stats.write(arguments.stats_file)
        except OSError as error:
            log(f"addressbook_server: {error}")
    if arguments.port_file:
        try:
            os.remove(arguments.port_file)
        except OSError:
            pass
    log("stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main())

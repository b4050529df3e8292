#!/usr/bin/env python3
"""Tests of the demo address-book server, each against a server process of
its own on 127.0.0.1 and a free port."""
import gzip
import http.client
import json
import os
import select
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
from urllib.parse import quote

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "addressbook_server.py")
DEADLINE_SECONDS = 15
DECLARATION = b'<?xml version="1.0" encoding="UTF-8"?>\n'
WRONG_CREDENTIALS = DECLARATION + "<error>帐号或密码错误</error>\n".encode("utf-8")
TRICKY_PASSWORD = "a&b#c d+e%f=g?h密码"


def page(account, password, only_department=0, virtual="mail"):
    return (f"/{virtual}/addresssync.asp?accnt={quote(account, safe='@')}"
            f"&pwd={quote(password, safe='')}&onlydepart={only_department}")


def people_of(body):
    root = ElementTree.fromstring(body)
    return [(person.get("Name"), person.get("E-Mail")) for person in root.iter("person")]


class ServerProcess:
    """The server started with `arguments`; stop() checks that it ends cleanly."""

    def __init__(self, *arguments):
        self.log = tempfile.TemporaryFile()
        environment = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        self.process = subprocess.Popen(
            [sys.executable, SERVER, "--port", "0", *arguments],
            stdout=subprocess.PIPE, stderr=self.log, env=environment)
        ready, _, _ = select.select([self.process.stdout], [], [], DEADLINE_SECONDS)
        line = self.process.stdout.readline().decode() if ready else ""
        if not line.startswith("listening 127.0.0.1 "):
            self.process.kill()
            raise AssertionError(f"server did not start: {line!r} {self.log_text()}")
        self.port = int(line.split()[2])

    def get(self, path, tls=None, host="127.0.0.1", headers=None):
        if tls is None:
            connection = http.client.HTTPConnection(host, self.port, timeout=DEADLINE_SECONDS)
        else:
            connection = http.client.HTTPSConnection(host, self.port, timeout=DEADLINE_SECONDS,
                                                     context=tls)
        try:
            connection.request("GET", path, headers=headers or {})
            response = connection.getresponse()
            return response.status, response.headers, response.read()
        finally:
            connection.close()

    def send_raw(self, request):
        with socket.create_connection(("127.0.0.1", self.port), timeout=DEADLINE_SECONDS) as raw:
            raw.sendall(request)
            response = http.client.HTTPResponse(raw)
            response.begin()
            return response.status, response.read()

    def log_text(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", errors="replace")

    def wait_for_log(self, text):
        deadline = time.monotonic() + DEADLINE_SECONDS
        while text not in self.log_text():
            if time.monotonic() > deadline:
                raise AssertionError(f"{text!r} not logged: {self.log_text()}")
            time.sleep(0.05)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(DEADLINE_SECONDS)
        finally:
            if self.process.poll() is None:
                self.process.kill()
            self.process.stdout.close()
            self.log.close()
        if code != 0:
            raise AssertionError(f"server ended with {code}")


class SampleCompanyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess("--slow-seconds", "0.3")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def test_whole_company_answer(self):
        status, headers, body = self.server.get(page("demo@tarnwell-demo.example", "demo123"))
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/xml; charset=utf-8")
        self.assertEqual(int(headers["Content-Length"]), len(body))
        self.assertTrue(body.startswith(DECLARATION + b"<addressbooks>\n<person "))
        people = people_of(body)
        self.assertEqual(len(people), 300)
        self.assertEqual(people[:3], [("赵峰", "zhaofeng@tarnwell-demo.example"),
                                      ("陈洋芳", "chenyangfang@tarnwell-demo.example"),
                                      ("黄斌", "huangbin@tarnwell-demo.example")])
        self.assertEqual(len({address for _, address in people}), 300)

    def test_only_department_gives_the_accounts_department(self):
        _, _, company = self.server.get(page("demo@tarnwell-demo.example", "demo123"))
        for account, size in (("demo@tarnwell-demo.example", 88),
                              ("sales@tarnwell-demo.example", 66)):
            _, _, body = self.server.get(page(account, "demo123", only_department=1))
            department = people_of(body)
            self.assertEqual(len(department), size, account)
            self.assertLessEqual(set(department), set(people_of(company)))

    def test_wrong_or_missing_credentials_get_the_error_answer(self):
        for path in (page("demo@tarnwell-demo.example", "demo1234"),
                     page("nobody@tarnwell-demo.example", "demo123"),
                     "/mail/addresssync.asp?accnt=demo@tarnwell-demo.example&onlydepart=0",
                     "/mail/addresssync.asp"):
            status, _, body = self.server.get(path)
            self.assertEqual((status, body), (200, WRONG_CREDENTIALS), path)

    def test_other_paths_are_not_found_and_bad_requests_do_no_harm(self):
        for path in ("/", "/webmail/addresssync.asp", "/mail/addresssync.aspx",
                     "/mail/sub/addresssync.asp?accnt=demo@tarnwell-demo.example&pwd=demo123"):
            self.assertEqual(self.server.get(path)[0], 404, path)
        self.assertEqual(self.server.send_raw(b"GET /a b c HTTP/1.1\r\n\r\n")[0], 400)
        self.assertEqual(self.server.send_raw(b"DELETE /mail/addresssync.asp HTTP/1.1\r\n\r\n")[0],
                         501)
        self.assertEqual(self.server.get(page("demo@tarnwell-demo.example", "demo123"))[0], 200)

    def test_names_are_escaped_with_the_predefined_entities_only(self):
        _, _, body = self.server.get(page("demo@tarnwell-demo.example", "demo123"))
        self.assertIn('Name="市场 &amp; 公关"'.encode(), body)
        self.assertIn('Name="IT服务台 &lt;7x24&gt;"'.encode(), body)
        self.assertIn('Name="HR&apos;s &quot;招聘&quot;信箱"'.encode(), body)
        self.assertNotIn(b"&#", body)
        self.assertIn(("市场 & 公关", "pr@tarnwell-demo.example"), people_of(body))

    def test_escaped_password_with_special_characters_and_chinese(self):
        account = "tricky@tarnwell-demo.example"
        status, _, body = self.server.get(page(account, TRICKY_PASSWORD, only_department=1))
        self.assertEqual((status, len(people_of(body))), (200, 22))
        # Chinese sent as raw UTF-8, and "+" unescaped: it stays a plus.
        raw = ("GET /mail/addresssync.asp?accnt=tricky@tarnwell-demo.example"
               "&pwd=a%26b%23c%20d+e%25f%3Dg%3Fh密码&onlydepart=1 HTTP/1.1\r\n"
               "Host: 127.0.0.1\r\nConnection: close\r\n\r\n").encode("utf-8")
        status, body = self.server.send_raw(raw)
        self.assertEqual((status, len(people_of(body))), (200, 22))
        # A "+" is never a space.
        plus_for_space = page(account, TRICKY_PASSWORD).replace("%20", "+")
        self.assertEqual(self.server.get(plus_for_space)[2], WRONG_CREDENTIALS)

    def test_log_masks_passwords(self):
        self.server.get(page("tricky@tarnwell-demo.example", TRICKY_PASSWORD) + "&last=1")
        self.server.get("/mail/addresssync.asp?pwd=plain&secret&accnt=x&last=2")
        self.server.send_raw(b"GET /mail/addresssync.asp?accnt=x&pwd=in bad request HTTP/1.1\r\n"
                             b"\r\n")
        self.server.wait_for_log("last=2")
        self.server.wait_for_log("code 400")
        log = self.server.log_text()
        self.assertIn("pwd=******", log)
        for secret in ("%E5%AF%86", "a%26b", "plain", "secret", "in bad"):
            self.assertNotIn(secret, log)

    def test_gzip_only_when_the_request_accepts_it(self):
        path = page("demo@tarnwell-demo.example", "demo123")
        _, plain_headers, plain = self.server.get(path)
        self.assertIsNone(plain_headers["Content-Encoding"])
        for accept in ("gzip, deflate", "deflate, GZIP;q=0.5", "*", "br, *;q=1"):
            status, headers, body = self.server.get(path, headers={"Accept-Encoding": accept})
            self.assertEqual((status, headers["Content-Encoding"]), (200, "gzip"), accept)
            self.assertEqual(int(headers["Content-Length"]), len(body))
            self.assertEqual(gzip.decompress(body), plain, accept)
            self.assertLess(len(body), len(plain) / 3)
        for accept in ("identity", "gzip;q=0", "deflate", "*;q=0", "gzip;q=0, *"):
            _, headers, body = self.server.get(path, headers={"Accept-Encoding": accept})
            self.assertEqual((headers["Content-Encoding"], body), (None, plain), accept)
        # Cut short applies to what goes on the wire.
        with self.assertRaises(http.client.IncompleteRead):
            self.server.get(page("truncated@tarnwell-demo.example", "demo123"),
                            headers={"Accept-Encoding": "gzip"})

    def test_answer_shapes_for_failure_tests(self):
        def answer(account):
            return self.server.get(page(f"{account}@tarnwell-demo.example", "demo123"))

        status, _, body = answer("empty")
        self.assertEqual((status, people_of(body)), (200, []))
        self.assertEqual(ElementTree.fromstring(answer("error")[2]).text, "系统维护中，请稍后再试")
        with self.assertRaises(ElementTree.ParseError):
            ElementTree.fromstring(answer("unparsable")[2])
        self.assertIn(b'Name="\xe5\xbc\xa0&nbsp;', answer("unknown-entity")[2])
        status, headers, body = answer("http500")
        self.assertEqual((status, int(headers["Content-Length"])), (500, len(body)))

        started = time.monotonic()
        status, _, body = answer("slow")
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        self.assertEqual((status, len(people_of(body))), (200, 300))

        with self.assertRaises(http.client.IncompleteRead):
            answer("truncated")


class OptionsTest(unittest.TestCase):
    def test_generated_book_virtual_directory_port_file_and_forced_mode(self):
        with tempfile.TemporaryDirectory() as directory:
            port_file = os.path.join(directory, "port")
            server = ServerProcess("--generate", "1000", "--virtual", "webmail",
                                   "--port-file", port_file)
            try:
                with open(port_file, encoding="ascii") as file:
                    self.assertEqual(int(file.read()), server.port)
                demo = ("demo@tarnwell-demo.example", "demo123")
                people = people_of(server.get(page(*demo, virtual="webmail"))[2])
                self.assertEqual((len(people), len(set(people))), (1000, 1000))
                department = people_of(server.get(page(*demo, 1, virtual="webmail"))[2])
                self.assertTrue(0 < len(department) < 1000)
                self.assertEqual(server.get(page(*demo))[0], 404)
            finally:
                server.stop()
            self.assertFalse(os.path.exists(port_file))

        server = ServerProcess("--mode", "http500")
        try:
            self.assertEqual(server.get(page("demo@tarnwell-demo.example", "demo123"))[0], 500)
            self.assertEqual(server.get(page("demo@tarnwell-demo.example", "x"))[2],
                             WRONG_CREDENTIALS)
        finally:
            server.stop()

    def test_without_compression_and_with_stats_of_what_was_sent(self):
        with tempfile.TemporaryDirectory() as directory:
            stats_file = os.path.join(directory, "stats.json")
            server = ServerProcess("--no-compression", "--stats-file", stats_file)
            received = 0
            try:
                for _ in range(3):
                    status, headers, body = server.get(
                        page("demo@tarnwell-demo.example", "demo123"),
                        headers={"Accept-Encoding": "gzip"})
                    self.assertEqual((status, headers["Content-Encoding"]), (200, None))
                    received += len(body) + len(str(headers)) + len("HTTP/1.1 200 OK\r\n")
                self.assertEqual(server.get("/elsewhere")[0], 404)
            finally:
                server.stop()
            with open(stats_file, encoding="utf-8") as file:
                stats = json.load(file)
        self.assertEqual(stats["requests"], 4)
        self.assertEqual(sum(m["requests"] for m in stats["minutes"]), 4)
        self.assertEqual(sum(m["bytes_sent"] for m in stats["minutes"]), stats["bytes_sent"])
        # Three answers with their heads, and a small 404 page.
        self.assertGreaterEqual(stats["bytes_sent"], received)
        self.assertLess(stats["bytes_sent"], received + 1000)
        self.assertIn(stats["busiest_minute"], stats["minutes"])

    def test_refuses_to_start_on_bad_settings(self):
        with tempfile.TemporaryDirectory() as directory:
            config = os.path.join(directory, "accounts.ini")
            with open(config, "w", encoding="utf-8") as file:
                file.write("[someone@tarnwell-demo.example]\npassword = x\nanswer = teapot\n")
            for arguments in (["--host", "0.0.0.0"], ["--host", "192.168.1.10"],
                              ["--config", config], ["--config", config + ".missing"]):
                finished = subprocess.run([sys.executable, SERVER, *arguments],
                                          capture_output=True, timeout=DEADLINE_SECONDS)
                self.assertEqual(finished.returncode, 2, arguments)
                self.assertEqual(finished.stdout, b"", arguments)


@unittest.skipUnless(shutil.which("openssl"), "openssl is not installed")
class HttpsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.TemporaryDirectory()
        subprocess.run(["bash", os.path.join(HERE, "make_test_ca.sh"), cls.directory.name],
                       check=True, capture_output=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        cls.directory.cleanup()

    def serve(self, name):
        file = os.path.join(self.directory.name, name)
        return ServerProcess("--tls-cert", f"{file}.pem", "--tls-key", f"{file}.key")

    def test_certificate_is_trusted_for_address_and_host_name(self):
        trusting = ssl.create_default_context(cafile=os.path.join(self.directory.name, "ca.pem"))
        server = self.serve("server")
        try:
            for host in ("127.0.0.1", "localhost"):
                status, _, body = server.get(page("demo@tarnwell-demo.example", "demo123"),
                                             tls=trusting, host=host)
                self.assertEqual((status, len(people_of(body))), (200, 300), host)
        finally:
            server.stop()

    def test_mismatched_name_fails_verification_and_the_server_carries_on(self):
        trusting = ssl.create_default_context(cafile=os.path.join(self.directory.name, "ca.pem"))
        server = self.serve("mismatch")
        try:
            with self.assertRaises(ssl.SSLCertVerificationError):
                server.get(page("demo@tarnwell-demo.example", "demo123"), tls=trusting)
            trusting.check_hostname = False
            self.assertEqual(server.get(page("demo@tarnwell-demo.example", "demo123"),
                                        tls=trusting)[0], 200)
        finally:
            server.stop()


if __name__ == "__main__":
    unittest.main()

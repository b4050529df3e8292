"""What the server sent: requests and bytes on the wire (status lines,
headers and bodies as written to the connection, before any TLS), per
minute of local time."""
import json
import os
import threading
import time


class ServedStats:
    def __init__(self):
        self._lock = threading.Lock()
        self._minutes = {}

    def _bucket(self):
        minute = time.strftime("%Y-%m-%d %H:%M")
        return self._minutes.setdefault(minute, {"requests": 0, "bytes_sent": 0})

    def count_request(self):
        with self._lock:
            self._bucket()["requests"] += 1

    def count_bytes(self, size):
        with self._lock:
            self._bucket()["bytes_sent"] += size

    def report(self):
        with self._lock:
            minutes = [{"minute": minute, **counts}
                       for minute, counts in sorted(self._minutes.items())]
        busiest = max(minutes, key=lambda m: (m["requests"], m["bytes_sent"]), default=None)
        return {"requests": sum(m["requests"] for m in minutes),
                "bytes_sent": sum(m["bytes_sent"] for m in minutes),
                "busiest_minute": busiest,
                "minutes": minutes}

    def summary(self):
        report = self.report()
        line = f"served {report['requests']} requests, {report['bytes_sent']} bytes on the wire"
        busiest = report["busiest_minute"]
        if busiest:
            line += (f"; busiest minute {busiest['minute']}: {busiest['requests']} requests, "
                     f"{busiest['bytes_sent']} bytes")
        return line

    def write(self, path):
        # Written whole and renamed, so a reader never sees half of it.
        partial = f"{path}.partial"
        with open(partial, "w", encoding="utf-8") as file:
            json.dump(self.report(), file, indent=1)
            file.write("\n")
        os.replace(partial, path)


class CountingWriter:
    """Stands in for a handler's output stream and counts what is written."""

    def __init__(self, stream, stats):
        self._stream = stream
        self._stats = stats

    def write(self, data):
        written = self._stream.write(data)
        self._stats.count_bytes(len(data) if written is None else written)
        return written

    def __getattr__(self, name):
        return getattr(self._stream, name)

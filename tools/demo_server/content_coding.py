"""Compressed answers: whether a request accepts gzip, and each body's gzip
form, made once and kept."""
import functools
import gzip


def _quality(parameters):
    for parameter in parameters:
        name, _, value = parameter.strip().partition("=")
        if name.strip().lower() == "q":
            try:
                return float(value)
            except ValueError:
                return 0.0
    return 1.0


def accepts_gzip(header):
    """Whether an Accept-Encoding value allows gzip: named with a quality
    above 0, or not named while "*" is."""
    if not header:
        return False
    qualities = {}
    for item in header.split(","):
        coding, *parameters = item.split(";")
        qualities.setdefault(coding.strip().lower(), _quality(parameters))
    if "gzip" in qualities:
        return qualities["gzip"] > 0
    return qualities.get("*", 0) > 0


@functools.lru_cache(maxsize=64)
def gzip_body(body):
    """The body as gzip sends it, the same bytes on every call (no time
    stamp), so a large book is compressed only once."""
    return gzip.compress(body, compresslevel=6, mtime=0)

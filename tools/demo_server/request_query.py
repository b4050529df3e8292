"""Reading the request target of the address-book page, and masking the
password in it for the log."""
import re
from urllib.parse import unquote_to_bytes


def split_target(target):
    """Splits raw target bytes into (path, query) bytes; the query may be empty."""
    path, _, query = target.partition(b"?")
    return path, query


def decode_component(raw):
    """%XX escapes decoded, then UTF-8. A "+" stays a plus: the client escapes
    a real plus as %2B and never sends "+" for a space."""
    return unquote_to_bytes(raw).decode("utf-8", errors="replace")


def parse_query(query):
    """Returns {lower-case key: value}; the first occurrence of a key counts."""
    values = {}
    for field in query.split(b"&"):
        if not field:
            continue
        key, _, value = field.partition(b"=")
        values.setdefault(decode_component(key).lower(), decode_component(value))
    return values


# The value runs to the next key the page knows, not to the next "&": an
# unescaped "&" inside a password must not leak the rest of it into the log.
_PASSWORD_VALUE = re.compile(
    r"(?<=[?&]pwd=).*?(?=&(?:accnt|onlydepart|pwd)=|$)", re.IGNORECASE | re.DOTALL)


def mask_password(text):
    """`text` with every pwd value in it replaced by "******"."""
    return _PASSWORD_VALUE.sub("******", text)


def masked_target(target):
    """The raw target as text for the log, its password masked."""
    return mask_password(target.decode("utf-8", errors="backslashreplace"))


_NON_ASCII = re.compile(rb"[\x80-\xff]")


def escape_non_ascii(request_line):
    """Percent-escapes bytes above 0x7F (a client may send UTF-8 unescaped),
    so the line splits into its three words only at real spaces."""
    return _NON_ASCII.sub(lambda match: b"%%%02X" % match.group()[0], request_line)


"""Command-line options of the demo address-book server."""
import argparse
import ipaddress
import os

from demo_accounts import ANSWERS
from sample_company import SAMPLE_SIZE

HERE = os.path.dirname(os.path.abspath(__file__))


def loopback_host(text):
    try:
        address = ipaddress.IPv4Address(text)
    except ipaddress.AddressValueError:
        raise argparse.ArgumentTypeError(f"{text} is not an IPv4 address") from None
    if not address.is_loopback:
        raise argparse.ArgumentTypeError(f"{text} is not a loopback address (127.x.x.x)")
    return text


def non_negative(text):
    value = int(text)
    if value < 0:
        raise argparse.ArgumentTypeError("must not be negative")
    return value


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description="Demo mail server: the address-book page on loopback.")
    parser.add_argument("--host", type=loopback_host, default="127.0.0.1",
                        help="loopback address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=non_negative, default=0,
                        help="port; 0 (default) picks a free one")
    parser.add_argument("--port-file", help="also write the port to this file")
    parser.add_argument("--virtual", default="mail",
                        help='virtual directory of the page (default "mail")')
    parser.add_argument("--config", default=os.path.join(HERE, "demo_accounts.ini"),
                        help="accounts file (default demo_accounts.ini beside this script)")
    parser.add_argument("--generate", type=non_negative, metavar="N",
                        help=f"serve N generated people, not the {SAMPLE_SIZE}-person sample")
    parser.add_argument("--mode", choices=ANSWERS,
                        help="answer every authenticated request so, whatever its account says")
    parser.add_argument("--slow-seconds", type=float, default=40.0,
                        help="delay of the slow answer (default 40: beyond the client's "
                             "30 s time-out)")
    parser.add_argument("--no-compression", action="store_true",
                        help="never gzip, whatever the request's Accept-Encoding says")
    parser.add_argument("--stats-file",
                        help="on stop, write requests and bytes sent per minute here (JSON)")
    parser.add_argument("--tls-cert", help="serve HTTPS with this PEM certificate (chain)")
    parser.add_argument("--tls-key", help="PEM private key of --tls-cert")
    arguments = parser.parse_args(argv)
    if (arguments.tls_cert is None) != (arguments.tls_key is None):
        parser.error("--tls-cert and --tls-key go together")
    return arguments

"""The demo server's accounts: an INI file with one section per account."""
import configparser
from typing import NamedTuple

# What an account can be configured to get (README.md explains each).
ANSWERS = (
    "addressbook",     # the address book (the whole company, or the department)
    "empty",           # an address book without people
    "error",           # an <error> answer with the account's error_text
    "unparsable",      # XML that the client's parser rejects
    "unknown-entity",  # an address book holding an entity XML does not define
    "http500",         # HTTP 500 with an HTML page
    "slow",            # the address book after --slow-seconds
    "truncated",       # Content-Length of the whole book, connection closed halfway
)

DEFAULT_ERROR_TEXT = "系统维护中，请稍后再试"


class Account(NamedTuple):
    password: str
    department: str
    answer: str
    error_text: str


class ConfigError(Exception):
    pass


def load_accounts(path, departments):
    """Returns {account name: Account}. Raises ConfigError naming the file and
    the section for an unreadable file, a missing password, an unknown
    answer or an unknown department."""
    # No interpolation: "%" is an ordinary password character.
    parser = configparser.ConfigParser(interpolation=None)
    try:
        with open(path, encoding="utf-8-sig") as file:
            parser.read_file(file)
    except (OSError, UnicodeDecodeError, configparser.Error) as error:
        raise ConfigError(f"{path}: {error}") from None

    accounts = {}
    for name in parser.sections():
        section = parser[name]
        if "password" not in section:
            raise ConfigError(f"{path}: [{name}] has no password")
        account = Account(
            password=section["password"],
            department=section.get("department", ""),
            answer=section.get("answer", "addressbook"),
            error_text=section.get("error_text", DEFAULT_ERROR_TEXT),
        )
        if account.answer not in ANSWERS:
            raise ConfigError(f"{path}: [{name}] answer must be one of {', '.join(ANSWERS)}")
        if account.department and account.department not in departments:
            raise ConfigError(f"{path}: [{name}] department {account.department} does not exist")
        accounts[name] = account
    return accounts

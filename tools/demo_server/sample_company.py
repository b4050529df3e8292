"""The bundled sample company: a deterministic staff list grouped by
department. The same seed always gives the same people in the same order."""
import random
from typing import NamedTuple

from chinese_names import random_name

DOMAIN = "tarnwell-demo.example"
SAMPLE_SIZE = 300
SEED = 20240801

# Department sizes of the 300-person sample company; other sizes scale them.
DEPARTMENTS = (
    ("销售部", 66),
    ("研发部", 88),
    ("财务部", 22),
    ("人事部", 18),
    ("市场部", 40),
    ("技术支持部", 52),
    ("行政部", 14),
)

# Shared mailboxes close their department's list. Between them their names
# hold all five characters that an XML attribute value must escape.
SHARED_MAILBOXES = {
    "人事部": (("HR's \"招聘\"信箱", "jobs"),),
    "市场部": (("市场 & 公关", "pr"),),
    "技术支持部": (("IT服务台 <7x24>", "helpdesk"),),
}


class Person(NamedTuple):
    name: str
    email: str
    department: str


def department_sizes(total):
    """Splits `total` people over DEPARTMENTS in the sample's proportions."""
    sample_total = sum(size for _, size in DEPARTMENTS)
    sizes = {name: total * size // sample_total for name, size in DEPARTMENTS}
    largest_first = sorted(DEPARTMENTS, key=lambda department: -department[1])
    for index in range(total - sum(sizes.values())):
        sizes[largest_first[index % len(largest_first)][0]] += 1
    return sizes


class _AddressBook:
    """Hands out unique local parts: the second "wangwei" becomes "wangwei2"."""

    def __init__(self, reserved):
        self._next_suffix = {local: 2 for local in reserved}

    def claim(self, base):
        suffix = self._next_suffix.get(base)
        if suffix is None:
            self._next_suffix[base] = 2
            return base
        # Pinyin has no digits, so "wangwei2" never collides with a base name.
        self._next_suffix[base] = suffix + 1
        return f"{base}{suffix}"


def build_company(total=SAMPLE_SIZE, seed=SEED):
    """Returns `total` people, department by department in DEPARTMENTS order."""
    rng = random.Random(seed)
    reserved = [local for boxes in SHARED_MAILBOXES.values() for _, local in boxes]
    addresses = _AddressBook(reserved)
    people = []
    for department, size in department_sizes(total).items():
        shared = SHARED_MAILBOXES.get(department, ())
        if len(shared) > size:
            shared = ()
        for _ in range(size - len(shared)):
            name, pinyin = random_name(rng)
            people.append(Person(name, f"{addresses.claim(pinyin)}@{DOMAIN}", department))
        for name, local in shared:
            people.append(Person(name, f"{local}@{DOMAIN}", department))
    return people

#!/usr/bin/env python3
"""Plants small faults in C++ sources, one line at a time.

`list --seed S [--only LOG] FILE...` prints every mutant, shuffled by the
seed, one a line: file, line number, rule, the changed line (base64); with
--only, just those an earlier run's LOG reports as survivors. `put FILE LINE
B64` writes one of them. The rules follow universalmutator's C rules: relational
flips, && <-> ||, a negated condition, an integer constant +1/-1,
true <-> false, a deleted statement, an early return.
"""
import base64
import random
import re
import sys

RELATIONAL = ['<', '<=', '>', '>=', '==', '!=']
RELATIONAL_RE = re.compile(r'(?<=\s)(<=|>=|==|!=|<|>)(?=\s)')
LOGICAL_RE = re.compile(r'(?<=\s)(&&|\|\|)(?=\s)')
BOOL_RE = re.compile(r'\b(true|false)\b')
INT_RE = re.compile(r'(?<![\w.])(\d+)(?![\w.\'])')
CONDITION_RE = re.compile(r'\b(if|while)\s*\(')
# A statement worth deleting: a call, an assignment or a step of one
# expression (no type before it, so no declaration), or a jump.
STATEMENT_RE = re.compile(
    r'^\s*(?:(?:\+\+|--)?[\w:.\->\[\]*]+(?:\(.*\)|\s*(?:[-+*/|&^]?=|<<=|>>=)\s*.+|\+\+|--)'
    r'|(?:\+\+|--)[\w:.\->\[\]*]+|break|continue)\s*;\s*$')
VOID_RETURN_RE = re.compile(r'^\s*void\s+[\w:~]+\(')
SKIPPED_LINE_RE = re.compile(r'^\s*(#|template\b|static_assert\b|using\b|namespace\b)')


def masked(lines):
    """Each line with comments, strings and characters blanked (same length)."""
    out, in_comment = [], False
    for line in lines:
        chars, i = list(line), 0
        while i < len(line):
            if in_comment:
                end = line.find('*/', i)
                stop = len(line) if end < 0 else end + 2
                chars[i:stop] = ' ' * (stop - i)
                in_comment, i = end < 0, stop
            elif line.startswith('//', i):
                chars[i:] = ' ' * (len(line) - i)
                break
            elif line.startswith('/*', i):
                in_comment = True
            elif line[i] in '"\'':
                j = i + 1
                while j < len(line) and line[j] != line[i]:
                    j += 2 if line[j] == '\\' else 1
                chars[i:j + 1] = ' ' * (min(j + 1, len(line)) - i)
                i = j + 1
            else:
                i += 1
        out.append(''.join(chars))
    return out


def closing_paren(text, start):
    depth = 0
    for i in range(start, len(text)):
        depth += {'(': 1, ')': -1}.get(text[i], 0)
        if depth == 0:
            return i
    return -1


def line_mutants(line, code, in_void):
    """(rule, changed line) for every fault this line can carry."""
    def spliced(m, new):
        return line[:m.start()] + new + line[m.end():]
    for m in RELATIONAL_RE.finditer(code):
        for op in RELATIONAL:
            if op != m.group(1):
                yield f'{m.group(1)} -> {op}', spliced(m, op)
    for m in LOGICAL_RE.finditer(code):
        op = '||' if m.group(1) == '&&' else '&&'
        yield f'{m.group(1)} -> {op}', spliced(m, op)
    for m in BOOL_RE.finditer(code):
        new = 'false' if m.group(1) == 'true' else 'true'
        yield f'{m.group(1)} -> {new}', spliced(m, new)
    if not re.search(r'\[\s*\d+\s*\]\s*[=;{]|\bcase\b', code):
        for m in INT_RE.finditer(code):
            for step in (1, -1):
                new = str(int(m.group(1)) + step)
                if int(new) >= 0:
                    yield f'{m.group(1)} -> {new}', spliced(m, new)
    for m in CONDITION_RE.finditer(code):
        open_at = m.end() - 1
        close_at = closing_paren(code, open_at)
        if close_at > 0:
            inner = line[open_at + 1:close_at]
            if ';' not in code[open_at:close_at]:
                yield f'{m.group(1)} negated', f'{line[:open_at + 1]}!({inner}){line[close_at:]}'
    if STATEMENT_RE.match(code):
        indent = line[:len(line) - len(line.lstrip())]
        yield 'statement deleted', indent + ';'
        if in_void and not code.strip().startswith(('break', 'continue')):
            yield 'early return', indent + 'return;'


def mutants(path):
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    codes = masked(lines)
    in_void, depth = False, 0
    for number, (line, code) in enumerate(zip(lines, codes), start=1):
        if depth == 0:
            in_void = bool(VOID_RETURN_RE.match(code)) or (in_void and '{' not in code and ';' not in code)
        depth += code.count('{') - code.count('}')
        if SKIPPED_LINE_RE.match(code) or not code.strip():
            continue
        # A statement's continuation is only part of one: deleting it, or
        # returning there, would not build.
        previous = codes[number - 2].rstrip() if number > 1 else ''
        whole = not previous or previous.endswith((';', '{', '}', ':')) or not previous.strip()
        for rule, new in line_mutants(line, code, in_void and depth > 0):
            if whole or rule not in ('statement deleted', 'early return'):
                yield path, number, rule, new


def main(argv):
    if argv[:1] == ['put']:
        path, number, new = argv[1], int(argv[2]), base64.b64decode(argv[3]).decode()
        with open(path, encoding='utf-8') as f:
            lines = f.read().split('\n')
        lines[number - 1] = new
        with open(path, 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines))
        return 0
    if argv[:2] != ['list', '--seed'] or len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    seed, files, only = int(argv[2]), argv[3:], None
    if files[:1] == ['--only']:
        with open(files[1], encoding='utf-8') as f:
            only = {line.rstrip('\n') for line in f if line.startswith('survived: ')}
        files = files[2:]
    found = [m for path in sorted(files) for m in mutants(path)]
    random.Random(seed).shuffle(found)
    if only is not None:
        found = [m for m in found if f'survived: {m[0]}:{m[1]} {m[2]}: {m[3].lstrip()}' in only]
    try:
        for path, number, rule, new in found:
            print(path, number, rule, base64.b64encode(new.encode()).decode(), sep='\t')
    except BrokenPipeError:  # the reader has drawn enough
        sys.stderr.close()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

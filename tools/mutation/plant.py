#!/usr/bin/env python3
"""Plants small faults in C++ sources, one line at a time.

`list --seed S [--edges] [--only LOG] [--accepted FILE] FILE...` prints
every mutant, shuffled by the seed, one a line: file, line number, rule, the
changed line (base64); with --only, just those an earlier run's LOG reports
as survivors; with --accepted, none that FILE lists. `put FILE LINE B64`
writes one of them. The rules follow universalmutator's C rules: relational
flips, && <-> ||, a negated condition, an integer constant +1/-1,
true <-> false, a deleted statement, an early return. --edges plants instead
the faults that sit at a rule's edge: a comparison moved across its boundary
(< <=, > >=, == !=), one operand of && or || dropped, an enumerator swapped
for its neighbour, an integer constant +1/-1, a statement that calls
something deleted, a ! removed.

An accepted line is the file, the rule, the line and the changed line
(both stripped), tab-separated, then the reason: no line number, so it
outlives edits above.
"""
import base64
import os
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
ACROSS = {'<': '<=', '<=': '<', '>': '>=', '>=': '>', '==': '!=', '!=': '=='}
NOT_RE = re.compile(r'(?<![!=<>])!(?!=)')
ENUM_RE = re.compile(r'\benum\s+(class\s+|struct\s+)?(\w+)\s*(?::[^{;]*)?\{([^}]*)\}')
CALL_START_RE = re.compile(r'^\s*[\w:.\->\[\]*]+(?:\(|\s*(?:[-+*/|&^]?=|<<=|>>=)\s*\S)')
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


def integer_steps(code, spliced):
    """Each integer constant one up and one down, never below zero; not in an
    array's size or a case label, where a change rarely builds."""
    if re.search(r'\[\s*\d+\s*\]\s*[=;{]|\bcase\b', code):
        return
    for m in INT_RE.finditer(code):
        for step in (1, -1):
            new = str(int(m.group(1)) + step)
            if int(new) >= 0:
                yield f'{m.group(1)} -> {new}', spliced(m, new)


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
    yield from integer_steps(code, spliced)
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


def enumerations(paths):
    """Each enumeration's enumerators in order, by the enumeration's name
    (Name::X) and, for an unscoped one, by each bare enumerator too."""
    scoped, bare = {}, {}
    for path in paths:
        try:
            with open(path, encoding='utf-8') as f:
                code = ' '.join(masked(f.read().split('\n')))
        except OSError:
            continue
        for m in ENUM_RE.finditer(code):
            names = [re.match(r'\s*(\w*)', item).group(1) for item in m.group(3).split(',')]
            names = [n for n in names if n]
            if len(names) > 1:
                scoped[m.group(2)] = names
                if not m.group(1):
                    for n in names:
                        bare[n] = names
    return scoped, bare


def enum_mutants(line, code, scoped, bare):
    if not re.search(r'\breturn\b|\bcase\b|==|!=', code):
        return
    found = []
    for m in re.finditer(r'\b(\w+)::(\w+)\b', code):
        names = scoped.get(m.group(1))
        if names and m.group(2) in names:
            found.append((m.start(2), m.end(2), names))
    for m in re.finditer(r'(?<![\w:])(\w+)\b', code):
        if m.group(1) in bare:
            found.append((m.start(1), m.end(1), bare[m.group(1)]))
    for start, end, names in found:
        i = names.index(line[start:end])
        for j in (i - 1, i + 1):
            if 0 <= j < len(names):
                yield f'{names[i]} -> {names[j]}', line[:start] + names[j] + line[end:]


def operand_edge(code, at, step):
    """Where the operand of a logical operator starting (step -1: ending)
    next to `at` ends, and what bounds it: the logical operator there, or
    None at anything else (a bracket, a comma, an assignment, the line)."""
    depth, i = 0, at
    while 0 <= i < len(code):
        c, pair = code[i], code[i:i + 2] if step > 0 else code[i - 1:i + 1]
        if c in ('([{' if step > 0 else ')]}'):
            depth += 1
        elif c in (')]}' if step > 0 else '([{'):
            if depth == 0:
                return i - step, None
            depth -= 1
        elif depth == 0:
            if pair in ('&&', '||'):
                return i - step, pair
            if c in ',;?' or (c == ':' and ':' not in (code[i - 1:i], code[i + 1:i + 2])):
                return i - step, None
            if c == '=' and code[i - 1:i] not in '=!<>' and code[i + 1:i + 2] != '=':
                return i - step, None
            if step < 0 and re.search(r'\breturn$', code[:i + 1]):
                return i - step, None
        i += step
    return i - step, 'line'


def logical_drops(line, code, previous, next_line):
    """One operand of && or || dropped (replaced by the operator's identity
    where the operand is the last of a condition begun on the line before)."""
    seen = set()
    for m in LOGICAL_RE.finditer(code):
        op = m.group(1)
        l_end, l_bound = operand_edge(code, m.start() - 1, -1)
        r_end, r_bound = operand_edge(code, m.end(), 1)
        if l_bound == 'line':
            tail = previous.rstrip()[-2:]
            l_bound = tail if tail in ('&&', '||') else None
        # An operand binds to && over ||; between equals, to either.
        left_binds = l_bound != '&&' or op == '&&'
        right_binds = r_bound not in ('&&', 'line') or op == '&&'
        if r_bound == 'line':
            right_binds = False
        if left_binds and code[l_end:m.start()].strip():
            start = l_end + len(line[l_end:m.start()]) - len(line[l_end:m.start()].lstrip())
            new = line[:start] + line[m.end():].lstrip()
            if new not in seen:
                seen.add(new)
                yield f'{op} left dropped', new
        if right_binds and code[m.end():r_end + 1].strip():
            stop = len(line[:r_end + 1].rstrip())
            new = line[:m.start()].rstrip() + line[stop:]
            if new not in seen:
                seen.add(new)
                yield f'{op} right dropped', new
    # The last operand of a chain begun above: no operator on its line.
    tail = previous.rstrip()[-2:]
    if tail in ('&&', '||') and not LOGICAL_RE.search(code):
        r_end, r_bound = operand_edge(code, len(code) - len(code.lstrip()), 1)
        start = len(code) - len(code.lstrip())
        if r_bound is None and code[start:r_end + 1].strip():
            stop = len(line[:r_end + 1].rstrip())
            identity = 'true' if tail == '&&' else 'false'
            yield f'{tail} right dropped', line[:start] + identity + line[stop:]


def edge_mutants(line, code, previous, next_line, scoped, bare):
    def spliced(m, new):
        return line[:m.start()] + new + line[m.end():]
    for m in RELATIONAL_RE.finditer(code):
        yield f'{m.group(1)} -> {ACROSS[m.group(1)]}', spliced(m, ACROSS[m.group(1)])
    yield from logical_drops(line, code, previous, next_line)
    yield from enum_mutants(line, code, scoped, bare)
    yield from integer_steps(code, spliced)
    for m in NOT_RE.finditer(code):
        yield '! removed', spliced(m, '')


def call_deletion(lines, codes, number):
    """A statement that calls something, deleted: `;` for one on its own line,
    `if (false)` before one that runs on over several."""
    code = codes[number - 1]
    if '(' not in code or re.match(r'\s*(return|break|continue|case|default|else|do)\b', code):
        return None
    if STATEMENT_RE.match(code):
        indent = lines[number - 1][:len(code) - len(code.lstrip())]
        return indent + ';'
    if not CALL_START_RE.match(code) or code.count('(') <= code.count(')'):
        return None
    depth = 0
    for later in codes[number - 1:number + 20]:
        depth += later.count('(') - later.count(')')
        if depth == 0:
            if later.rstrip().endswith(';'):
                line = lines[number - 1]
                indent = line[:len(line) - len(line.lstrip())]
                return indent + 'if (false) ' + line.lstrip()
            return None
    return None


def mutants(path, edges=False, scoped=None, bare=None):
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
        if edges:
            next_line = codes[number] if number < len(codes) else ''
            for rule, new in edge_mutants(line, code, previous, next_line, scoped, bare):
                yield path, number, rule, new
            deleted = call_deletion(lines, codes, number) if whole and depth > 0 else None
            if deleted is not None:
                yield path, number, 'call deleted', deleted
            continue
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
    seed, files, only, accepted, edges = int(argv[2]), argv[3:], None, set(), False
    while files[:1] in (['--only'], ['--accepted'], ['--edges']):
        if files[0] == '--edges':
            edges, files = True, files[1:]
            continue
        with open(files[1], encoding='utf-8') as f:
            if files[0] == '--only':
                only = {line.rstrip('\n') for line in f if line.startswith('survived: ')}
            else:
                accepted = {tuple(line.split('\t')[:4]) for line in f if line.strip() and not line.startswith('#')}
        files = files[2:]
    scoped, bare = enumerations(
        os.path.join(root, name) for top in ('common', 'xml', 'sync', 'net', 'clients', 'app')
        for root, _, names in os.walk(top) for name in names if name.endswith(('.h', '.cpp')))
    found = []
    for path in sorted(files):
        with open(path, encoding='utf-8') as f:
            original = f.read().split('\n')
        found += [m for m in mutants(path, edges, scoped, bare)
                  if (m[0], m[2], original[m[1] - 1].strip(), m[3].strip()) not in accepted]
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

#!/usr/bin/env python3
"""Which test cases run which source lines, so a mutant runs only the cases
that can see it.

`map TREE OUT` runs each case of TREE/tests/core_tests (built with
--coverage) alone and writes, for every line of the portable code, the cases
that ran it. `pick MAP TIMES FILE LINE` prints a gtest filter of the cases
to run against a mutant of that line, fastest first (TIMES: the unmutated
suite's --gtest_output json), then the seconds they took; `none` when no
case runs the line. A line gcov does not count (a declaration, a
continuation) gets every case that runs its file, or, in a header, every
case.
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor


def cases(binary):
    out = subprocess.run([binary, '--gtest_list_tests'], capture_output=True, text=True, check=True).stdout
    suite, found = '', []
    for line in out.splitlines():
        if not line.startswith(' '):
            suite = line.split()[0]
        elif line.strip():
            found.append(suite + line.split()[0])
    return found


def covered(gcdas, root):
    """{file: {line: ran}} from one case's counts."""
    report = subprocess.run(['gcov', '--json-format', '--stdout', *gcdas], capture_output=True,
                            text=True, cwd=root, check=False).stdout
    found = {}
    for doc in report.splitlines():
        if not doc.startswith('{'):
            continue
        doc = json.loads(doc)
        for f in doc['files']:
            path = os.path.relpath(os.path.realpath(os.path.join(doc['current_working_directory'], f['file'])), root)
            if path.startswith(('..', 'tests', 'build')):
                continue
            seen = found.setdefault(path, {})
            for line in f['lines']:
                key = str(line['line_number'])
                seen[key] = seen.get(key, False) or line['count'] > 0
    return found


def make_map(tree, out):
    root = os.getcwd()
    binary = os.path.join(tree, 'tests', 'core_tests')
    tests = cases(binary)
    lines = {}
    with tempfile.TemporaryDirectory() as scratch, ThreadPoolExecutor(2) as pool:
        jobs = []
        for index, test in enumerate(tests):
            subprocess.run([binary, f'--gtest_filter={test}'], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300, check=False)
            # Each case's counts move aside (beside links to their notes) so
            # gcov reads them while the next case runs.
            gcdas = []
            for gcda in glob.glob(os.path.join(tree, '**', '*.gcda'), recursive=True):
                moved = os.path.join(scratch, str(index), gcda.replace(os.sep, '_'))
                os.makedirs(os.path.dirname(moved), exist_ok=True)
                shutil.move(gcda, moved)
                os.symlink(os.path.abspath(gcda[:-5] + '.gcno'), moved[:-5] + '.gcno')
                gcdas.append(moved)
            if gcdas:
                jobs.append((index, pool.submit(covered, gcdas, root)))
        for index, job in jobs:
            for path, seen in job.result().items():
                mine = lines.setdefault(path, {})
                for key, ran in seen.items():
                    mine.setdefault(key, [])
                    if ran:
                        mine[key].append(index)
    with open(out, 'w', encoding='utf-8') as f:
        json.dump({'tests': tests, 'lines': lines}, f)


def pick(map_path, times_path, path, line):
    with open(map_path, encoding='utf-8') as f:
        data = json.load(f)
    with open(times_path, encoding='utf-8') as f:
        times = {f"{s['name']}.{t['name']}": float(t.get('time', '0s').rstrip('s'))
                 for s in json.load(f)['testsuites'] for t in s['testsuite']}
    tests, by_line = data['tests'], data['lines'].get(path, {})
    if line in by_line:
        chosen = {tests[i] for i in by_line[line]}
        if not chosen:
            print('none')
            return
    elif path.endswith('.h') or not by_line:
        chosen = set(tests)
    else:
        chosen = {tests[i] for ran in by_line.values() for i in ran}
    ordered = sorted(chosen, key=lambda t: times.get(t, 60.0))
    print(':'.join(ordered), round(sum(times.get(t, 60.0) for t in ordered)))


def main(argv):
    if argv[:1] == ['map'] and len(argv) == 3:
        make_map(argv[1], argv[2])
    elif argv[:1] == ['pick'] and len(argv) == 5:
        pick(argv[1], argv[2], argv[3], argv[4])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

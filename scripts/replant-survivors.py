#!/usr/bin/env python3
"""Plants each survivor of a planted-fault report (../shared/tools/mutants.py --out) again, one
at a time, in a checkout and its configured build: the line is found by its text, nearest to
its number, so an older or newer tree works too. Rebuilds, runs the whole suite and prints
whether it catches the fault. It tells what an older suite caught of a newer sample, or what
rows added after a run catch, without drawing a new sample.

  scripts/replant-survivors.py REPORT TREE BUILD
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                '..', 'shared', 'tools'))
import mutants  # noqa: E402

report = sys.argv[1]
tree, build = (os.path.abspath(p) for p in sys.argv[2:4])
survivors = re.findall(r'^- (src/\S+?):(\d+): `(.*)` -> `(.*)`$', open(report).read(), re.M)
code, out = mutants.run(['cmake', '--build', build, '-j', '2'], tree, 3600)
if code != 0 or mutants.test_run(build, 2, 120) != []:
    sys.exit('the unmutated tree does not build or pass')
for rel, number, before, after in survivors:
    path = f'{tree}/{rel}'
    lines = open(path, encoding='utf-8').read().split('\n')
    hits = [k for k, line in enumerate(lines) if line.strip() == before]
    if not hits:
        print(f'absent    {rel}:{number}', flush=True)
        continue
    n = min(hits, key=lambda k: abs(k - (int(number) - 1)))
    indent = lines[n][:len(lines[n]) - len(lines[n].lstrip())]
    original = '\n'.join(lines)
    with open(path, 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines[:n] + [indent + after] + lines[n + 1:]))
    try:
        code, out = mutants.run(['cmake', '--build', build, '-j', '2'], tree, 1800)
        failed = mutants.test_run(build, 2, 120) if code == 0 else 'does not compile'
    finally:
        with open(path, 'w', encoding='utf-8') as f:
            f.write(original)
    print(f'{"caught" if failed else "SURVIVED":9} {rel}:{number} (line {n + 1} here)  {failed or ""}',
          flush=True)
mutants.run(['cmake', '--build', build, '-j', '2'], tree, 1800)  # leave the build unmutated

#!/usr/bin/env python3
"""Structure rules of the production sources: no function over 100 lines
(by Universal Ctags' line ranges) and no include cycle between top-level
folders (an include names the folder that holds a header of that name)."""
import os, re, shutil, subprocess, sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ['app', 'archive', 'chart', 'cli', 'gui_support', 'instrument', 'list_table',
           'main_window', 'presentation', 'report', 'resources', 'tools', 'xlsx']
LIMIT = 100
os.chdir(ROOT)
failed = 0

ctags = shutil.which('ctags-universal') or 'ctags'
tags = subprocess.run([ctags, '-R', '--languages=C++', '--c++-kinds=f', '--fields=+ne', '--extras=-F',
                       '-o', '-'] + FOLDERS, capture_output=True, text=True, check=True).stdout
for line in tags.splitlines():
    cols = line.split('\t')
    fields = dict(c.split(':', 1) for c in cols[3:] if ':' in c)
    if 'line' in fields and 'end' in fields:
        n = int(fields['end']) - int(fields['line']) + 1
        if n > LIMIT:
            print(f'{cols[1]}:{fields["line"]}: {cols[0]} has {n} lines (at most {LIMIT})')
            failed += 1

headers = {}
for folder in FOLDERS:
    for dirpath, _, files in os.walk(folder):
        for f in files:
            headers.setdefault(f, folder)
edges = defaultdict(set)
include = re.compile(r'#\s*include\s+"([^"]+)"')
for folder in FOLDERS:
    for dirpath, _, files in os.walk(folder):
        for f in files:
            if not f.endswith(('.h', '.cpp', '.in')):
                continue
            for m in include.finditer(open(os.path.join(dirpath, f), encoding='utf-8').read()):
                to = headers.get(os.path.basename(m.group(1)))
                if to and to != folder:
                    edges[folder].add(to)

state = {}
def visit(node, path):
    state[node] = 1
    for nxt in sorted(edges[node]):
        if state.get(nxt) == 1:
            return path[path.index(nxt):] + [nxt] if nxt in path else path + [nxt]
        if not state.get(nxt):
            cycle = visit(nxt, path + [nxt])
            if cycle:
                return cycle
    state[node] = 2
    return None
for folder in FOLDERS:
    if not state.get(folder):
        cycle = visit(folder, [folder])
        if cycle:
            print('include cycle between folders: ' + ' -> '.join(cycle))
            failed += 1
            break
sys.exit(1 if failed else 0)

#!/usr/bin/env python3
"""A workbook whose facts hold text XML cannot carry as it is (a control
character and a byte that is not UTF-8, here in the archive's file name)
still opens, with U+FFFD in place of each.

    odd_text_check.py TERVIK_CLI SAMPLE.mnr
"""
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl

CLI, SAMPLE = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as work:
    odd = os.path.join(os.fsencode(work), b'odd\x01\xff & <x>.mnr')
    shutil.copy(SAMPLE, odd)
    book = os.path.join(work, 'odd.xlsx')
    r = subprocess.run([os.fsencode(CLI), b'export', odd, b'--series', b'1', b'-o', os.fsencode(book)],
                       capture_output=True)
    if r.returncode != 0:
        sys.exit(f'export -o .xlsx: {r.returncode} {r.stderr!r}')
    facts = {row[0]: row[1] for row in openpyxl.load_workbook(book).worksheets[0].iter_rows(values_only=True)}
    source = facts.get('Source') or ''
    if 'odd\ufffd\ufffd & <x>.mnr' not in source:
        sys.exit(f'Source fact: {source!r}')
print('ok')

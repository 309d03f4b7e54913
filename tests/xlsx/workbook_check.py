#!/usr/bin/env python3
"""tervik-cli's .xlsx workbook read back by openpyxl against its CSV exports,
the openair CSV against the export, and failed workbooks leaving nothing.

    workbook_check.py TERVIK_CLI SAMPLE.mnr
"""
import csv
import datetime
import io
import math
import os
import re
import subprocess
import sys
import tempfile

import openpyxl

CLI, SAMPLE = sys.argv[1], sys.argv[2]
ISO = re.compile(r'^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)[+-]\d\d:\d\d$')
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(*args, env=None):
    return subprocess.run([CLI, *args], capture_output=True, text=True, env=env)


def whole_seconds(cell):
    # openpyxl turns the day fraction into microseconds; the cells hold whole seconds.
    return (cell + datetime.timedelta(microseconds=500000)).replace(microsecond=0)


def compare_sheet(sheet, csv_text, name):
    lines = list(csv.reader(io.StringIO(csv_text)))
    heads, data = lines[0], lines[1:]
    rows = list(sheet.iter_rows(values_only=True))
    at = next(i for i, r in enumerate(rows) if r[0] == heads[0])
    xheads = [h.split(',')[0] for h in rows[at][:len(heads)]]
    check(xheads == [('utc' if h == 'epoch' else h) for h in heads], f'{name}: heads {xheads} vs {heads}')
    body = rows[at + 1:]
    check(len(body) == len(data), f'{name}: {len(body)} rows, CSV {len(data)}')
    for n, (cells, fields) in enumerate(zip(body, data)):
        for head, cell, field in zip(heads, cells, fields):
            where = f'{name} row {n + 1} {head}: {cell!r} vs {field!r}'
            iso = ISO.match(field)
            if field == '':
                check(cell is None, where)
            elif iso:
                want = datetime.datetime(*map(int, iso.groups()))
                check(isinstance(cell, datetime.datetime) and whole_seconds(cell) == want, where)
            elif head == 'epoch':
                want = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=int(float(field)))
                check(isinstance(cell, datetime.datetime) and whole_seconds(cell) == want, where)
            elif re.match(r'^-?[0-9.]+(e[-+]?[0-9]+)?$', field):
                # The workbook holds the CSV's shortest exact text; Excel keeps 15 digits.
                check(isinstance(cell, (int, float)) and math.isclose(cell, float(field), rel_tol=1e-15), where)
            else:
                check(cell == field, where)
    return rows[:at]


def facts_of(rows):
    return {r[0]: r[1] for r in rows if r[0]}


with tempfile.TemporaryDirectory() as work:
    tmp = os.path.join(work, 'tmp')
    os.mkdir(tmp)
    env = dict(os.environ, TMPDIR=tmp, TMP=tmp, TEMP=tmp)
    version = run('--version').stdout.split()[-1]
    for series in ('1', '2'):
        book = os.path.join(work, f'points{series}.xlsx')
        r = run('export', SAMPLE, '--series', series, '-o', book, env=env)
        check(r.returncode == 0, f'export -o .xlsx: {r.returncode} {r.stderr}')
        wb = openpyxl.load_workbook(book)
        points = run('export', SAMPLE, '--series', series, '--format', 'csv').stdout
        hourly = run('intervals', SAMPLE, '--series', series, '--format', 'csv').stdout
        facts = facts_of(compare_sheet(wb.worksheets[0], points, f'points {series}'))
        compare_sheet(wb.worksheets[1], hourly, f'intervals {series}')
        check(facts.get('Program version') == version, f'facts: {facts}')
        check(wb.worksheets[0].freeze_panes == f'A{len(facts) + 3}', f'frozen at {wb.worksheets[0].freeze_panes}')

    # The intervals command's options shape the intervals sheet and its facts.
    args = ['--series', '1', '--interval', '30', '--limit', '1.5', '--std-temp', '20']
    book = os.path.join(work, 'intervals.xlsx')
    r = run('intervals', SAMPLE, *args, '-o', book, env=env)
    check(r.returncode == 0, f'intervals -o .xlsx: {r.returncode} {r.stderr}')
    wb = openpyxl.load_workbook(book, read_only=True)
    facts = facts_of(compare_sheet(wb.worksheets[1], run('intervals', SAMPLE, *args, '--format', 'csv').stdout,
                                   'intervals 30 min'))
    check(facts.get('Limit value') == '1.5' and facts.get('Standard temperature', '').startswith('20'),
          f'facts: {facts}')

    # summary and rolling write the same workbook; their sheets hold their CSV.
    for command, extra in (('summary', ['--limit-preset', 'eu-ioelv']), ('rolling', ['--hours', '24'])):
        args = ['--series', '1', *extra]
        book = os.path.join(work, command + '.xlsx')
        r = run(command, SAMPLE, *args, '-o', book, env=env)
        check(r.returncode == 0, f'{command} -o .xlsx: {r.returncode} {r.stderr}')
        wb = openpyxl.load_workbook(book, read_only=True)
        rolling = run('rolling', SAMPLE, *args, '--format', 'csv').stdout
        summary = run('summary', SAMPLE, *(args if command == 'summary' else args[:2]), '--format', 'csv').stdout
        compare_sheet(wb.worksheets[2], rolling, command + ': rolling means')
        compare_sheet(wb.worksheets[3], summary, command + ': summary')

    # openair: date with its offset and hg, one line per measurement point.
    oa = run('export', SAMPLE, '--series', '1', '--format', 'openair').stdout.splitlines()
    rows = list(csv.reader(io.StringIO(run('export', SAMPLE, '--series', '1', '--format', 'csv').stdout)))[1:]
    measured = [r for r in rows if r[5] == '0']
    check(oa[0] == 'date,hg', f'openair header {oa[0]!r}')
    check(len(oa) == len(measured) + 1 and oa[1] == f'{measured[0][0]},{measured[0][2]}',
          f'openair: {len(oa)} lines, first {oa[1]!r}, export {measured[0]}')

    # Failures leave no file and no temporary behind.
    r = run('export', SAMPLE, '--series', '1', '-o', os.path.join(work, 'none', 'x.xlsx'), env=env)
    check(r.returncode == 1 and 'cannot create' in r.stderr, f'missing folder: {r.returncode} {r.stderr}')
    empty = os.path.join(work, 'empty.xlsx')
    r = run('intervals', SAMPLE, '--series', '1', '--view', '0', '1', '-o', empty, env=env)
    check(r.returncode == 1 and 'no points in view' in r.stderr and not os.path.exists(empty),
          f'no points: {r.returncode} {r.stderr}')
    check(os.listdir(tmp) == [], f'temporaries left: {os.listdir(tmp)}')

for f in failures[:20]:
    print('FAILED:', f)
print(f'{len(failures)} failures')
sys.exit(1 if failures else 0)

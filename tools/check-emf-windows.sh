#!/usr/bin/env bash
# Checks that an EMF written by the Windows build (GDI's own enhanced
# metafile, tervik-cli.exe render under Wine) opens in LibreOffice and shows
# the chart: both the Windows and the Linux EMF of the demo's first series go
# through `soffice --headless --convert-to png`, and the pictures' coarse
# features must agree (size and aspect on the page, plot area, marker and
# text ink). Not run by tools/test.sh: LibreOffice is too large for every CI
# run. Installs libreoffice-draw-nogui (without recommends; the core package
# alone cannot load an EMF) when soffice is missing. Output in
# build/emf-check (or the folder given): windows.emf, linux.emf and their
# PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=$(realpath -m "${1:-build/emf-check}")

if ! command -v soffice >/dev/null; then
  SUDO=
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get install -y --no-install-recommends libreoffice-draw-nogui
fi
FONTS=
for d in /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation; do
  [ -e "$d/LiberationSans-Regular.ttf" ] && FONTS=$d && break
done
[ -n "$FONTS" ] || {
  echo "Liberation Sans is missing (apt-get install fonts-liberation2)" >&2
  exit 1
}

bash tools/build-qt-windows.sh
cmake --preset windows-gui >/dev/null
cmake --build --preset windows-gui --target tervik-cli
cmake --preset release >/dev/null
cmake --build --preset release --target tervik-cli

# A prefix of its own: Wine brings no font files, and the Windows build's
# offscreen platform reads them from %WINDIR%\Fonts, where Windows has Arial;
# Liberation Sans, metrically Arial, stands in.
export WINEPREFIX=$ROOT/build/windows/wine-emf
. tools/wine-env.sh
mkdir -p "$WINEPREFIX"
"$WINE" wineboot --init >/dev/null 2>&1 || true
cp "$FONTS"/LiberationSans-*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

rm -rf "$OUT"
mkdir -p "$OUT"
cp samples/demo.mnr "$OUT/"
(cd "$OUT" && "$WINE" "$ROOT/build/windows-gui/bin/tervik-cli.exe" render demo.mnr --series 1 -o windows.emf)
(cd "$OUT" && "$ROOT/build/release/bin/tervik-cli" render demo.mnr --series 1 -o linux.emf)
"$WINESERVER" -k 2>/dev/null || true
# A profile of its own, so a desktop LibreOffice's settings and lock play no part.
soffice "-env:UserInstallation=file://$OUT/profile" --headless --convert-to png --outdir "$OUT" \
  "$OUT/windows.emf" "$OUT/linux.emf"

python3 - "$OUT/windows.png" "$OUT/linux.png" <<'EOF'
import struct, sys, zlib


def load(path):
    """8-bit RGB or RGBA PNG, not interlaced (what LibreOffice writes): rows of (r, g, b)."""
    d = open(path, 'rb').read()
    if d[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(f'{path}: not a PNG')
    off, idat = 8, b''
    while off < len(d):
        n, kind = struct.unpack('>I4s', d[off:off + 8])
        body = d[off + 8:off + 8 + n]
        off += 12 + n
        if kind == b'IHDR':
            w, h, depth, ctype, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or ctype not in (2, 6) or interlace:
                sys.exit(f'{path}: unexpected PNG layout')
            bpp = 3 if ctype == 2 else 4
        elif kind == b'IDAT':
            idat += body
    raw, stride = zlib.decompress(idat), w * bpp
    rows, prev, p = [], bytearray(stride), 0
    for _ in range(h):
        f, line = raw[p], bytearray(raw[p + 1:p + 1 + stride])
        p += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(w)])
        prev = line
    return rows


def features(path):
    rows = load(path)
    drawn = [(x, y) for y, row in enumerate(rows) for x, px in enumerate(row) if px != (255, 255, 255)]
    if not drawn:
        sys.exit(f'{path}: blank')
    x0, x1 = min(x for x, _ in drawn), max(x for x, _ in drawn)
    y0, y1 = min(y for _, y in drawn), max(y for _, y in drawn)
    count = {'plot area': 0, 'measurement markers': 0, 'zero markers': 0, 'text and lines': 0}
    for row in rows[y0:y1 + 1]:
        for r, g, b in row[x0:x1 + 1]:
            if r > 245 and g > 245 and 215 < b < 245:
                count['plot area'] += 1  # the ivory behind the curves
            elif r < 60 and 80 < g < 160 and b < 80:
                count['measurement markers'] += 1
            elif r < 100 and g > 150 and b > 150:
                count['zero markers'] += 1
            elif r + g + b < 200:
                count['text and lines'] += 1
    return x1 - x0 + 1, y1 - y0 + 1, count


ww, wh, wc = features(sys.argv[1])
lw, lh, lc = features(sys.argv[2])
print(f'picture on the page: Windows {ww}x{wh}, Linux {lw}x{lh} pixels')
failures = []
if abs((ww / wh) / (lw / lh) - 1) > 0.02:
    failures.append('aspect ratio')
if abs(ww * wh / (lw * lh) - 1) > 0.05:
    failures.append('size')
# Zero markers: GDI records an ellipse's box with its right and bottom edges
# inside (7x7 where libEMF writes 8x8), and LibreOffice draws the small
# circles visibly smaller from it.
limits = {'plot area': 0.05, 'measurement markers': 0.2, 'zero markers': 0.6, 'text and lines': 0.3}
for name, limit in limits.items():
    ratio = wc[name] / lc[name] if lc[name] else float('inf')
    print(f'{name}: Windows {wc[name]}, Linux {lc[name]} pixels ({ratio:.2f})')
    if not lc[name] or abs(ratio - 1) > limit:
        failures.append(name)
if failures:
    sys.exit('the Windows EMF differs from the Linux one in: ' + ', '.join(failures))
print('the Windows EMF opens in LibreOffice and shows the chart as the Linux one does')
EOF

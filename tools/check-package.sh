#!/usr/bin/env bash
# Builds the Debian package and installs it into a clean Debian 12 root made
# with debootstrap, then runs tervik-cli there and checks that *.mnr files
# open with Tervik's desktop entry. Needs root (debootstrap, chroot) and the
# network (the Debian mirror). The root is removed afterwards.
#   TERVIK_DEBIAN_MIRROR   mirror to bootstrap from (default: the first Debian
#                          archive this system's apt sources name)
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD

# The first archive URI of the system's apt sources, one-line (*.list) or
# deb822 (*.sources) style, that is not a security or updates suite.
apt_mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -r "$f" ] || continue
    awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) while ($i !~ /\]$/) i++; if ($i ~ /^\[/ || $i ~ /\]$/) i++;
                       if ($(i + 1) !~ /-(security|updates)$/) { print $i; exit } }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -r "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
         { uri = ""; main = 0; deb = 0
           for (i = 1; i <= NF; i++) {
             if ($i ~ /^URIs:/) { uri = $i; sub(/^URIs:[ \t]*/, "", uri); sub(/[ \t].*/, "", uri) }
             if ($i ~ /^Suites:/) {
               n = split($i, suite, /[ \t]+/)
               for (j = 2; j <= n; j++) if (suite[j] !~ /-(security|updates)$/) main = 1
             }
             if ($i ~ /^Types:.*deb([ \t]|$)/) deb = 1
           }
           if (deb && main && uri != "") { print uri; exit } }' "$f"
  done
}
MIRROR=${TERVIK_DEBIAN_MIRROR:-$(apt_mirror | head -n1)}
if [ -z "$MIRROR" ]; then
  echo "No Debian archive found in /etc/apt/sources.list*: set TERVIK_DEBIAN_MIRROR" >&2
  exit 1
fi

bash tools/install-deps.sh --package

step() { printf '\n== %s\n' "$*"; }

# --lint-only: stop after lintian and the AppStream check, before the
# steps that need root and the network.
LINT_ONLY=0
[ "${1:-}" = --lint-only ] && LINT_ONLY=1

step "building the package"
cmake --preset release >/dev/null
cmake --build build/release --target package
DEB=$(ls -t build/release/tervik_*_amd64.deb | head -n1)
echo "$DEB"
dpkg-deb --field "$DEB" Package Version Architecture Depends Recommends
dpkg-deb --contents "$DEB" | awk '{print $6}' | grep -v '/$'

# No lintian overrides: any error or warning fails the check.
step "lintian"
lintian --fail-on error,warning "$DEB"
step "appstreamcli validate-tree"
TREE=$(mktemp -d)
dpkg-deb -x "$DEB" "$TREE"
appstreamcli validate-tree --no-net "$TREE" || { rm -rf "$TREE"; exit 1; }
rm -rf "$TREE"
if ((LINT_ONLY)); then
  step "package lint OK"
  exit 0
fi

ROOT=$(mktemp -d /var/tmp/tervik-pkgroot.XXXXXX)
cleanup() {
  for m in dev/pts dev proc; do
    mountpoint -q "$ROOT/$m" && umount -l "$ROOT/$m"
  done
  rm -rf --one-file-system "$ROOT"
}
trap cleanup EXIT

step "bootstrapping Debian 12 into $ROOT"
debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR" >"$ROOT.log" 2>&1 || {
  tail -n 30 "$ROOT.log"
  exit 1
}
tail -n 1 "$ROOT.log"
rm -f "$ROOT.log"
mount -t proc proc "$ROOT/proc"
mount --bind /dev "$ROOT/dev"
mount --bind /dev/pts "$ROOT/dev/pts"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }

# The MIME and desktop tools go in first, so the package's own install must
# refresh their databases through the dpkg triggers.
step "installing the desktop tools"
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends shared-mime-info desktop-file-utils xdg-utils >/dev/null

step "apt-get install ./$(basename "$DEB")"
cp "$DEB" "$ROOT/tmp/"
cp samples/demo.mnr "$ROOT/tmp/"
: >"$ROOT/var/log/dpkg.log"
in_root sh -c 'cd /tmp && apt-get install -y -q ./tervik_*_amd64.deb'
grep -E ' trigproc (shared-mime-info|desktop-file-utils)' "$ROOT/var/log/dpkg.log" || {
  echo "FAIL: no MIME or desktop database trigger ran"
  exit 1
}

fail=0
step "tervik-cli --version"
in_root tervik-cli --version || fail=1
step "tervik-cli info /tmp/demo.mnr"
in_root tervik-cli info /tmp/demo.mnr || fail=1
step "tervik-cli render /tmp/demo.mnr (handed to tervik-cli-draw)"
in_root tervik-cli render /tmp/demo.mnr --series 1 -o /tmp/demo.svg || fail=1

step "*.mnr file type"
for f in /usr/bin/tervik /usr/bin/tervik-cli /usr/libexec/tervik/tervik-cli-draw /usr/bin/kx208m-sim /usr/share/applications/tervik.desktop \
  /usr/share/mime/packages/tervik.xml /usr/share/icons/hicolor/48x48/apps/tervik.png \
  /usr/lib/udev/rules.d/60-tervik-kx208m.rules /usr/share/doc/tervik/README.md; do
  [ -e "$ROOT$f" ] || { echo "FAIL: $f missing"; fail=1; }
done
glob=$(grep -i ':\*\.mnr$' "$ROOT/usr/share/mime/globs2" || true)
echo "globs2: $glob"
type=${glob#*:}
type=${type%%:*}
[ "$type" = application/x-tervik-mnr ] || { echo "FAIL: *.mnr is not application/x-tervik-mnr"; fail=1; }
cache=$(grep '^application/x-tervik-mnr=' "$ROOT/usr/share/applications/mimeinfo.cache" || true)
echo "mimeinfo.cache: $cache"
app=$(in_root xdg-mime query default application/x-tervik-mnr || true)
echo "xdg-mime query default application/x-tervik-mnr: $app"
[ "$app" = tervik.desktop ] || { echo "FAIL: *.mnr does not open with tervik.desktop"; fail=1; }

if ((fail)); then
  step "FAILED"
  exit 1
fi
step "package OK"

#!/usr/bin/env bash
# Makes the Debian package from an already built tree, checks its desktop entry
# and metainfo, installs it with dpkg, and starts the installed program the way
# its desktop entry does, as a new user with an empty home under Xvfb: its files
# must appear under that user's XDG directories and nothing under /usr. Then
# removes the package and the user again.
#
#     packaging/check-package.sh [build-dir]
#
# LX_PACKAGE_SHOT=file.png also saves a picture of the installed program's window.
# Needs root and a throwaway machine (CI): it installs into the real /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
user=lxpkgcheck
home=/home/$user
work=$(mktemp -d)

fail() { echo "package check FAILED: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || fail "needs root (it installs the package)"

xvfb_pid= prog_pid=
cleanup() {
  set +e
  [ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  dpkg -s lanternyx >/dev/null 2>&1 && dpkg --purge lanternyx >/dev/null
  id "$user" >/dev/null 2>&1 && userdel -r "$user" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "-- making the package"
deb=$(bash scripts/package.sh "$build") || fail "scripts/package.sh"
[ "$(echo "$deb" | wc -l)" = 1 ] && [ -f "$deb" ] || fail "no single lanternyx_*.deb in $build/package"
echo "$(basename "$deb"):"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
dpkg -c "$deb"

echo "-- validating what the package ships"
dpkg-deb -x "$deb" "$work/root"
desktop=$(echo "$work"/root/usr/share/applications/*.desktop)
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
grep -q "^Format: .*copyright-format/1.0/" "$work/root/usr/share/doc/lanternyx/copyright" \
  || fail "no machine-readable /usr/share/doc/lanternyx/copyright"
for s in 16 22 24 32 48 64 128 256; do
  [ "$(identify -format '%w %h' "$work/root/usr/share/icons/hicolor/${s}x${s}/apps/lanternyx.png")" = "$s $s" ] \
    || fail "icon ${s}x${s}"
done

echo "-- installing"
dpkg -i "$deb" >/dev/null || fail "dpkg -i"
version=$(lanternyx --version) || fail "lanternyx --version"
echo "lanternyx --version: $version"
[[ $version == "Lanternyx v"* ]] || fail "unexpected version text"

id "$user" >/dev/null 2>&1 && userdel -r "$user" 2>/dev/null
useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user"
mkdir -m 700 "$home" && chown "$user:" "$home"
as_user() { runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin "$@"; }

help=$(cd / && as_user lanternyx --help) || fail "lanternyx --help"
grep -q "$home/.config/lanternyx/" <<<"$help" || fail "--help does not name $home/.config/lanternyx/"
[ -z "$(ls -A "$home")" ] || fail "--help wrote into the home directory"

echo "-- starting it from its desktop entry as $user, under Xvfb"
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$work/display" || fail "Xvfb did not start"
export DISPLAY=:$display
# The Exec line without its field codes (%u: no URL given).
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/"$(basename "$desktop")" | sed 's/ *%[a-zA-Z]//g')
touch "$work/stamp"
sleep 1  # file times are compared with the stamp below
# setpriv and env exec in turn, so the program keeps this pid.
(cd "$home" && exec setpriv --reuid="$user" --regid="$user" --init-groups \
  env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" $exec_line) >"$work/prog.out" 2>&1 &
prog_pid=$!

cfg=$home/.config/lanternyx/lanternyx.cfg
for _ in $(seq 200); do
  [ -f "$cfg" ] && [ "$(stat -c %s "$cfg")" = 3042 ] && break
  kill -0 "$prog_pid" 2>/dev/null || { cat "$work/prog.out"; fail "the program ended early"; }
  sleep 0.1
done
window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Lanternyx" | head -1) || fail "no window"
[ "$(xdotool getwindowpid "$window")" = "$prog_pid" ] || fail "the window is not the program's"
# The icon follows the title.
for _ in $(seq 50); do
  xprop -id "$window" _NET_WM_ICON | grep -q "Icon (64 x 64)" && break
  sleep 0.1
done
xprop -id "$window" _NET_WM_ICON | grep -q "Icon (64 x 64)" || fail "the window has no icon"
if [ -n "${LX_PACKAGE_SHOT:-}" ]; then sleep 2; import -window "$window" "$LX_PACKAGE_SHOT"; fi
[ "$(stat -c %s "$cfg" 2>/dev/null)" = 3042 ] || fail "no 3042-byte $cfg"
python3 - "$cfg" "$home" <<'EOF' || fail "the new configuration's directories"
import sys
cfg, home = open(sys.argv[1], "rb").read(), sys.argv[2]
def path(ofs): return cfg[ofs + 1:ofs + 1 + cfg[ofs]].decode()
files, data = home + "/.config/lanternyx/", home + "/.local/share/lanternyx/"
want = {0: files, 141: data, 282: data, 423: data, 564: files}
bad = {o: path(o) for o, p in want.items() if path(o) != p}
sys.exit(f"wrong paths at offsets {bad}" if bad else 0)
EOF
kill -TERM "$prog_pid"
for _ in $(seq 100); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$prog_pid" 2>/dev/null && fail "the program did not stop on SIGTERM"
wait "$prog_pid" || fail "exit code $? (output: $(cat "$work/prog.out"))"
prog_pid=

expected=".config
.config/lanternyx
.config/lanternyx/lanternyx.cfg
.local
.local/share
.local/share/lanternyx"
actual=$(cd "$home" && find . -mindepth 1 | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "the home holds:
$actual"
[ "$(stat -c %a "$home/.config/lanternyx")" = 700 ] || fail "the configuration directory is not private"
written=$(find /usr -xdev -newer "$work/stamp" -not -type d | head)
[ -z "$written" ] || fail "files written under /usr: $written"
echo "files made for $user:"; (cd "$home" && find . -mindepth 1 -printf '  %M %s %p\n' | sort -k3)

echo "-- removing the package"
dpkg --purge lanternyx >/dev/null || fail "dpkg --purge"
[ ! -e /usr/bin/lanternyx ] || fail "/usr/bin/lanternyx left after removal"
echo "package check passed"

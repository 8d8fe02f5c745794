#!/usr/bin/env bash
# Starts the installed program on the demo song in a virtual X server, finds
# its window by the caption, and takes a screenshot.
#
#   screenshot.sh BUILD_DIR SOURCE_DIR [MODULES_PNG]
#
# The program is installed with `cmake --install BUILD_DIR --prefix /usr` into
# a scratch root (DESTDIR) and run from there. The screenshot of the screen is
# left in BUILD_DIR/screenshot/demo.png. With MODULES_PNG the test also clicks
# the "Modules" tab and writes a screenshot of the window alone to MODULES_PNG
# (that is how docs/screenshot-modules.png is made).
#
# Exits 77 (skipped) when Xvfb, xdotool, xwininfo or ImageMagick is missing.
set -euo pipefail

build=$(cd "${1:?build dir}" && pwd)
source=$(cd "${2:?source dir}" && pwd)
modules_png=${3:-}
caption="Tarvo Analyzer - demo.kvs"
width=1280
height=800

for tool in Xvfb xdotool xwininfo import identify compare mogrify cmake; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

scratch=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$scratch/app.log" ]; then
    echo "--- program output:" >&2
    cat "$scratch/app.log" >&2
  fi
  exit 1
}

root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
program=$root/usr/bin/tarvo-analyzer
[ -x "$program" ] || fail "the installed program is missing"

# A display number nobody uses: Xvfb picks it and writes it to the file. On
# a shared machine the server can still lose its display to another one
# starting at the same moment, so a server that dies or takes no connection
# is replaced, up to three times.
start_xvfb() {
  : >"$scratch/display"
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -s "$scratch/display" ] || return 1
  export DISPLAY=":$(head -n1 "$scratch/display")"
  # A loaded machine can take a while before the server takes connections.
  for _ in $(seq 200); do
    kill -0 "$xvfb_pid" 2>/dev/null || return 1
    xwininfo -root >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
for attempt in 1 2 3; do
  start_xvfb && break
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  if [ "$attempt" -eq 3 ]; then
    cat "$scratch/xvfb.log" >&2
    fail "cannot start Xvfb or connect to it (display ${DISPLAY:-none})"
  fi
  echo "Xvfb on ${DISPLAY:-no display} took no connection; starting another" >&2
done
# The tests run Qt offscreen; this one needs the real X window.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# In a sanitizer build: the X keyboard library hands strndup() names that are
# not NUL-terminated, which is allowed but fails strict_string_checks. The
# last setting of an option wins.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi

# Run from the scratch root's folder so that nothing depends on the build tree;
# no settings, so that neither the tester's layouts nor their recent songs show.
(cd "$scratch" && exec "$program" --no-settings "$source/examples/demo.kvs") >"$scratch/app.log" 2>&1 &
app_pid=$!

# Wait for the caption that the loaded song gives the window.
wid=
for _ in $(seq 300); do
  wid=$(xdotool search --onlyvisible --name "^${caption//./\\.}\$" 2>/dev/null | head -n1 || true)
  [ -n "$wid" ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window showed \"$caption\""
  sleep 0.1
done
[ -n "$wid" ] || fail "no visible window titled \"$caption\""
[ "$(xdotool getwindowname "$wid")" = "$caption" ] || fail "the window's caption is not \"$caption\""

info=$(xwininfo -id "$wid")
grep -q "Map State: IsViewable" <<<"$info" || fail "the window is not viewable"
win_w=$(sed -n 's/^ *Width: //p' <<<"$info")
win_h=$(sed -n 's/^ *Height: //p' <<<"$info")
[ "$win_w" -ge 200 ] && [ "$win_h" -ge 150 ] || fail "the window is only ${win_w}x${win_h}"

# Let the first paint after the load finish.
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
# A message box (titled "Tarvo Analyzer") would mean the pages could not be filled.
if xdotool search --onlyvisible --name '^Tarvo Analyzer$' >/dev/null 2>&1; then
  fail "a message box shows over the window"
fi

mkdir -p "$build/screenshot"
shot=$build/screenshot/demo.png
rm -f "$shot"
import -display "$DISPLAY" -window root "$shot" || fail "import could not take the screenshot"

# A PNG of the whole screen, with more on it than an empty screen.
[ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$shot is not a PNG"
[ "$(identify -format '%wx%h' "$shot")" = "${width}x${height}" ] || fail "$shot is not ${width}x${height}"
[ "$(stat -c %s "$shot")" -gt 5000 ] || fail "$shot is nearly empty"
# The window's own area: widgets and text in several colours, not one flat fill.
read -r win_x win_y < <(xdotool getwindowgeometry "$wid" | sed -n 's/^ *Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
colours=$(import -display "$DISPLAY" -window "$wid" png:- | identify -format '%k' -)
[ "$colours" -ge 16 ] || fail "the window shows only $colours colours"
echo "window $wid at ${win_x},${win_y} size ${win_w}x${win_h}, $colours colours; screenshot $shot"

if [ -n "$modules_png" ]; then
  # A click on the third tab, "Modules", in the tab row below the buttons
  # (where it is with the default font of a Debian machine).
  import -display "$DISPLAY" -window "$wid" "$scratch/before.png"
  xdotool mousemove --window "$wid" 143 47 click 1
  xdotool mousemove --window "$wid" "$((win_w - 5))" "$((win_h - 5))"
  sleep 1
  # Without the time stamps, so that the same window gives the same file.
  import -display "$DISPLAY" -window "$wid" "$scratch/modules.png" || fail "import could not take the Modules page"
  mogrify -strip "$scratch/modules.png"
  cp "$scratch/modules.png" "$modules_png"
  difference=$(compare -metric AE "$scratch/before.png" "$scratch/modules.png" null: 2>&1 || true)
  echo "pixels changed: $difference"
  [ "$difference" -gt 10000 ] ||
    fail "the window did not change: the Modules tab was not reached"
  echo "Modules page: $modules_png"
fi
echo "PASS: screenshot"

#!/bin/sh
# Runs a test program under its own Xvfb and openbox; both end with it. Nothing of the user's session is
# used: the window manager gets a temporary HOME.
set -eu
tmp=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$tmp/display" ]; do
    i=$((i + 1))
    [ $i -gt 100 ] && { echo "Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$tmp/display")"
unset WAYLAND_DISPLAY

mkdir -p "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/runtime" \
    openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
i=0
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    i=$((i + 1))
    [ $i -gt 100 ] && { echo "openbox did not start" >&2; cat "$tmp/openbox.log" >&2; exit 1; }
    sleep 0.1
done

export LUMORA_TEST_QPA=xcb
"$@"

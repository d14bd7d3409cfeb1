#!/usr/bin/env bash
# Starts the Standalone app on a private Xvfb display, waits for its window, keeps a screenshot
# as a test artefact and stops everything again. There is no audio device on CI: the app must
# start anyway (ALSA may complain on stderr).
# Usage: standalone_smoke.sh APP SCREENSHOT.png
set -euo pipefail

app="$1"
screenshot="$2"
window_title="Quello"
startup_timeout_seconds=60

scratch="$(mktemp -d)"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$(dirname "$screenshot")"

xvfb_pid=""
app_pid=""
cleanup() {
    for pid in $app_pid $xvfb_pid; do
        kill "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    [ -f "$scratch/app.log" ] && sed 's/^/    app: /' "$scratch/app.log" >&2
    exit 1
}

# A free display well above :0: JUCE programs with no DISPLAY set fall back to :0, and other tests
# running meanwhile must not end up on this server, which goes away when this test ends.
for number in $(seq 99 199); do
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x900x24 -nolisten tcp 2> "$scratch/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -S "/tmp/.X11-unix/X$number" ] && break
        kill -0 "$xvfb_pid" 2> /dev/null || break
        sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2> /dev/null && [ -S "/tmp/.X11-unix/X$number" ]; then
        export DISPLAY=":$number"
        break
    fi
    wait "$xvfb_pid" 2> /dev/null || true
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "no Xvfb display could be started: $(cat "$scratch/xvfb.log")"

"$app" > "$scratch/app.log" 2>&1 &
app_pid=$!

# The window is found by its title in the tree (JUCE sets the title as UTF-8, which xwininfo -name misses).
window_id=""
for _ in $(seq $((startup_timeout_seconds * 10))); do
    kill -0 "$app_pid" 2> /dev/null || fail "the app exited early"
    window_id="$(xwininfo -root -tree 2> /dev/null | awk -v title="\"$window_title\":" '$2 == title { print $1; exit }')"
    [ -n "$window_id" ] && break
    sleep 0.1
done
[ -n "$window_id" ] || fail "no window named \"$window_title\" within $startup_timeout_seconds s"

# Give the window time to map and paint before taking the picture.
sleep 2
kill -0 "$app_pid" 2> /dev/null || fail "the app exited after showing its window"

geometry="$(xwininfo -id "$window_id")"
width="$(awk '/Width:/ { print $2 }' <<< "$geometry")"
height="$(awk '/Height:/ { print $2 }' <<< "$geometry")"
[ "${width:-0}" -gt 100 ] && [ "${height:-0}" -gt 100 ] || fail "window too small: ${width}x${height}"
grep -q "Map State: IsViewable" <<< "$geometry" || fail "the window is not viewable"

import -window root "$screenshot"
spread="$(convert "$screenshot" -format "%[fx:standard_deviation]" info:)"
awk -v s="$spread" 'BEGIN { exit !(s > 0) }' || fail "the screenshot is a single colour"

echo "window \"$window_title\" ${width}x${height} shown; screenshot: $screenshot"

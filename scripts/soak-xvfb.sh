#!/usr/bin/env bash
# The real engine's memory and file descriptors over a long show: runs a screensaver full screen
# (/s) on a private Xvfb for MINUTES minutes and samples the engine's resident size and its open
# file descriptors every INTERVAL seconds. A count that climbs from sample to sample after the
# first minutes is a leak the show would carry through a night.
#
# Usage: scripts/soak-xvfb.sh [MINUTES] [SCREENSAVER|BUILD_FOLDER] [INTERVAL]
#   MINUTES       default 30
#   SCREENSAVER   a built screensaver file; default build-release/demo/demo.scr (scripts/demo.sh)
#   BUILD_FOLDER  instead: a build folder whose bin/vorlandite builds a demo-like screensaver here
#   INTERVAL      seconds between samples, default 30
# Prints the table and the growth from the first sample after the first minute to the last.
# Exits 1 when the engine ends before the time is up.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-30}
target=${2:-build-release/demo/demo.scr}
interval=${3:-30}
case $minutes$interval in *[!0-9]*) echo "soak-xvfb: MINUTES and INTERVAL are whole numbers" >&2; exit 2 ;; esac
[ "$interval" -gt 0 ] || { echo "soak-xvfb: INTERVAL must be positive" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "soak-xvfb: Xvfb is not installed (scripts/install-deps.sh)" >&2; exit 2; }

work=$(mktemp -d /tmp/vorlandite-soak-XXXXXX)
xvfb_pid=
engine_pid=
cleanup() {
    [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null && wait "$engine_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The screensaver: a given file, or one like the demo's: pictures, a GIF, a video, a Flash
# movie and a melody made by the build's CLI.
if [ -d "$target" ]; then
    cli="$target/bin/vorlandite"
    [ -x "$cli" ] || { echo "soak-xvfb: no $cli" >&2; exit 2; }
    for style in 1 3 5 7; do
        "$cli" render-background --style $style --from 0x00A05010 --to 0x0010D0F0 --size 1200x800 -o "$work/p$style.png"
    done
    "$cli" gallery --out "$work/gallery" --size 320x240 --steps 12 >/dev/null 2>&1
    cp "$(ls "$work"/gallery/*.gif | head -n 1)" "$work/anim.gif"
    "$cli" render-tune --out "$work/tune.wav" --seconds 8
    "$cli" render-clip --out "$work/clip.avi" --seconds 3 --size 320x240
    "$cli" render-movie --out "$work/movie.swf" --seconds 3 --size 320x240
    cat >"$work/soak.json" <<'JSON'
{
  "Header": {"Seconds": 5, "EffectSpeed": 5, "GradientStyle": 2, "BackgroundColor": 1052688,
             "BackgroundColor2": 6303792, "Loop": true, "RunAsProgram": true},
  "Strings": {"Title": "Soak"},
  "Images": [
    {"File": "p1.png", "Text": "One", "TextPosition": 2, "TextSize": 20},
    {"File": "p3.png", "Compressed": true},
    {"File": "anim.gif", "Stretch": 2, "Duration": 6},
    {"File": "p5.png", "Stretch": 1},
    {"File": "p7.png", "Compressed": true, "Stretch": 3},
    {"File": "clip.avi", "Stretch": 2},
    {"File": "movie.swf", "Stretch": 2}
  ],
  "Melodies": [{"File": "tune.wav"}]
}
JSON
    "$cli" build "$work/soak.json" -o "$work/soak.scr" >/dev/null
    saver="$work/soak.scr"
else
    saver=$target
fi
[ -x "$saver" ] || { echo "soak-xvfb: no screensaver at $saver (run scripts/demo.sh, or pass one)" >&2; exit 2; }

# A private server; -displayfd gives its number once it accepts connections.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "soak-xvfb: Xvfb gave no display number" >&2; exit 2; }
display=:$(head -n 1 "$work/display")

# A home of its own: no stored settings (no password), nothing written into the user's files.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    "$saver" /s >"$work/engine.log" 2>&1 &
engine_pid=$!

echo "soak-xvfb: $saver on $display, $minutes min, a sample every ${interval}s (engine pid $engine_pid)"
printf '%8s %10s %10s %6s %8s\n' "time s" "VmRSS kB" "VmHWM kB" "fds" "threads"
start=$(date +%s)
end=$((start + minutes * 60))
base_rss= base_fds= rss= fds= status=0
while :; do
    now=$(date +%s)
    if ! kill -0 "$engine_pid" 2>/dev/null; then
        echo "soak-xvfb: the engine ended after $((now - start))s; its output:" >&2
        tail -n 20 "$work/engine.log" >&2
        status=1
        break
    fi
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$engine_pid/status")
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$engine_pid/status")
    threads=$(awk '/^Threads:/ {print $2}' "/proc/$engine_pid/status")
    fds=$(ls "/proc/$engine_pid/fd" | wc -l)
    printf '%8d %10s %10s %6s %8s\n' $((now - start)) "$rss" "$hwm" "$fds" "$threads"
    # The first minute loads every kind of item once; growth counts from the first sample after it.
    if [ -z "$base_rss" ] && [ $((now - start)) -ge 60 ]; then base_rss=$rss base_fds=$fds; fi
    [ "$now" -ge "$end" ] && break
    sleep $(( interval < end - now ? interval : end - now ))
done
if [ -n "$base_rss" ] && [ -n "$rss" ]; then
    echo "soak-xvfb: growth after the first minute: $((rss - base_rss)) kB resident, $((fds - base_fds)) file descriptors"
fi
exit $status

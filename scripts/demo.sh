#!/usr/bin/env bash
# The main job: installs what is missing, builds the engine, the CLI and the Flash plugin (a
# release build without tests, benchmarks or fuzzers, in build-release/), authors a demo
# screensaver from content this script generates, and shows it: full screen when a display is
# there, otherwise recorded headless with a contact sheet of its items.
#
#   VORLANDITE_DEMO_HEADLESS=1   record even when a display is there (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

# How long each stage took: the main job's time from a fresh machine is watched (packages,
# configure and build, the demo itself).
stage_start=$SECONDS
stage_done() { echo "== $1 took $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }

bash scripts/install-deps.sh --for demo
stage_done "packages"
bash scripts/build-release.sh
stage_done "configure and build"

bin=build-release/bin
demo=build-release/demo
rm -rf "$demo"
mkdir -p "$demo"

echo "== generating content"
# Pictures of several sizes and shapes: gradients painted by the engine's own routine.
"$bin/vorlandite" render-background --style 1 --from 0x00A05010 --to 0x0010D0F0 --size 1600x900 -o "$demo/dawn.png"
"$bin/vorlandite" render-background --style 3 --from 0x00FFFFFF --to 0x00802000 --size 900x900 -o "$demo/ripple.png"
"$bin/vorlandite" render-background --style 7 --from 0x0000A0FF --to 0x00400040 --size 640x1136 -o "$demo/portrait.png"
"$bin/vorlandite" render-background --style 5 --from 0x00204020 --to 0x0080FF80 --size 2400x600 -o "$demo/panorama.png"
"$bin/vorlandite" render-background --style 4 --from 0x000020C0 --to 0x0060F0FF --size 1200x800 -o "$demo/ember.png"
"$bin/vorlandite" render-background --style 2 --from 0x00FFFFFF --to 0x00303030 --size 220x80 -o "$demo/logo.png"
# The mask: black at the edges (background shows), white in the middle (the picture shows).
"$bin/vorlandite" render-background --style 3 --from 0x00000000 --to 0x00FFFFFF --size 400x300 -o "$demo/vignette.png"
# The animated GIF: one transition effect of the engine, played as a looping animation.
"$bin/vorlandite" gallery --out "$demo/gallery" --size 480x360 --steps 24 >/dev/null 2>"$demo/gallery.log" ||
    { cat "$demo/gallery.log"; exit 1; }
cp "$demo/gallery/effect-031.gif" "$demo/animation.gif"
# The melody: a tune synthesised by the CLI; the video: a few seconds of a test pattern, encoded
# to Motion JPEG in AVI by the GStreamer plugins the engine plays it with.
"$bin/vorlandite" render-tune --out "$demo/tune.wav" --seconds 12
"$bin/vorlandite" render-clip --out "$demo/clip.avi" --seconds 4 --size 480x360
# The Flash movie: a rectangle crossing the stage for 3 s, then a stop that brings the next item.
"$bin/vorlandite" render-movie --out "$demo/movie.swf" --seconds 3 --size 480x360

cat > "$demo/demo.json" <<'JSON'
{
  "Header": {
    "Seconds": 5, "DisplayOrder": 0, "Stretch": 0, "EffectSpeed": 5,
    "BackgroundColor": 1052688, "BackgroundColor2": 6303792, "GradientStyle": 2,
    "ExitMouseMove": true, "ExitMouseButton": true, "ExitKeyboard": true, "ExitESC": true,
    "LogoPosition": 3, "LogoMarginX": 16, "LogoMarginY": 16, "RunAsProgram": true, "Loop": true
  },
  "Strings": {
    "Title": "Vorlandite Demo",
    "Notice": "Made with Vorlandite",
    "WebAddress": ""
  },
  "Images": [
    {"File": "dawn.png", "Compressed": false, "Text": "Dawn", "TextPosition": 2, "TextSize": 20},
    {"File": "ripple.png", "Compressed": true, "Text": "Ripples", "TextPosition": 2, "TextSize": 20},
    {"File": "clip.avi", "Compressed": false, "Stretch": 2},
    {"File": "animation.gif", "Compressed": true, "Stretch": 2, "Duration": 8,
     "Text": "An animated GIF", "TextPosition": 1, "TextSize": 22, "TextTransparent": 1, "TextShadow": 1,
     "TextMarginX": 24, "TextMarginY": 16},
    {"File": "portrait.png", "Compressed": true, "Stretch": 4},
    {"File": "movie.swf", "Compressed": false, "Stretch": 2, "Duration": -1},
    {"File": "ember.png", "Compressed": true, "Stretch": 0, "MaskIndex": 0,
     "Text": "Through a mask", "TextPosition": 5, "TextSize": 18},
    {"File": "panorama.png", "Compressed": false, "Text": "Panorama", "TextPosition": 0}
  ],
  "Masks": [
    {"File": "vignette.png", "Format": 1}
  ],
  "Melodies": [
    {"File": "tune.wav", "Compressed": true}
  ],
  "Sections": [
    {"Number": 5, "File": "logo.png"}
  ]
}
JSON

echo "== building $demo/demo.scr"
"$bin/vorlandite" build "$demo/demo.json" -o "$demo/demo.scr"
mb() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f MB", b / 1048576 }'; }
echo "== sizes: the engine $(mb "$bin/vorlandite-engine"), the screensaver $(mb "$demo/demo.scr")"
echo "== inspecting it"
"$bin/vorlandite" inspect "$demo/demo.scr"

if [[ "${VORLANDITE_DEMO_HEADLESS:-0}" != 1 && -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    echo "== all took $SECONDS s up to the show"
    echo "== showing it on $DISPLAY (move the mouse or press a key to end the show)"
    "$demo/demo.scr" /s
else
    echo "== no display: recording the show headless"
    "$bin/vorlandite" record "$demo/demo.scr" --size 1280x720 --seconds 40 --out "$demo/record" \
        --frames --contact-sheet "$demo/contact-sheet.png"
    echo "== music, video and Flash: $(grep -c '"event": "melody"' "$demo/record/events.jsonl") melody starts," \
        "$(grep -c '"event": "video-end"' "$demo/record/events.jsonl") video end(s)," \
        "$(grep -c '"event": "flash-end"' "$demo/record/events.jsonl") Flash movie end(s)"
    echo "== the items as they came in: $demo/record/item-*.png"
    echo "== contact sheet: $(pwd)/$demo/contact-sheet.png"
    stage_done "demo"
    echo "== all took $SECONDS s"
fi

#!/usr/bin/env bash
# The main job: installs what is missing, builds the engine and the CLI, authors a small demo
# screensaver from content this script generates, and inspects it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

bin=build/bin
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"

echo "== generating content"
# Pictures of several sizes and shapes: gradients painted by the engine's own routine.
"$bin/vorlandite" render-background --style 1 --from 0x00A05010 --to 0x0010D0F0 --size 1600x900 -o "$demo/dawn.png"
"$bin/vorlandite" render-background --style 3 --from 0x00FFFFFF --to 0x00802000 --size 900x900 -o "$demo/ripple.png"
"$bin/vorlandite" render-background --style 7 --from 0x0000A0FF --to 0x00400040 --size 640x1136 -o "$demo/portrait.png"
"$bin/vorlandite" render-background --style 5 --from 0x00204020 --to 0x0080FF80 --size 2400x600 -o "$demo/panorama.png"
"$bin/vorlandite" render-background --style 2 --from 0x00FFFFFF --to 0x00303030 --size 220x80 -o "$demo/logo.png"

cat > "$demo/demo.json" <<'JSON'
{
  "Header": {
    "Seconds": 5, "DisplayOrder": 0, "Stretch": 0, "EffectSpeed": 5,
    "BackgroundColor": 1052688, "BackgroundColor2": 6303792, "GradientStyle": 2,
    "ExitMouseMove": true, "ExitMouseButton": true, "ExitKeyboard": true, "ExitESC": true,
    "LogoPosition": 3, "LogoMarginX": 16, "LogoMarginY": 16, "RunAsProgram": true
  },
  "Strings": {
    "Title": "Vorlandite Demo",
    "Notice": "Made with Vorlandite",
    "WebAddress": ""
  },
  "Images": [
    {"File": "dawn.png", "Compressed": false, "Text": "Dawn", "TextPosition": 2, "TextSize": 20},
    {"File": "ripple.png", "Compressed": true, "Text": "Ripples", "TextPosition": 2, "TextSize": 20},
    {"File": "portrait.png", "Compressed": true, "Stretch": 4},
    {"File": "panorama.png", "Compressed": false, "Text": "Panorama", "TextPosition": 0}
  ],
  "Sections": [
    {"Number": 5, "File": "logo.png"}
  ]
}
JSON

echo "== building $demo/demo.scr"
"$bin/vorlandite" build "$demo/demo.json" -o "$demo/demo.scr"
echo "== inspecting it"
"$bin/vorlandite" inspect "$demo/demo.scr"

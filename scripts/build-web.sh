#!/usr/bin/env bash
# Builds the game for the browser with Debian's emscripten and makes the site players open:
#   build-web/site/                          index.html, the page's scripts, the program
#                                            (vask.<hash>.js and .wasm), the data files as
#                                            plain files, the MIDI synthesiser and its
#                                            soundfonts, the icons, README.txt, the licences
#   build-web/vask-light-cycles-web.zip      that folder, zipped (beside it: inside, it
#                                            would double what a visitor downloads)
# Any static web server serves the folder (./play.sh --web does). Run from the repository
# root. Installs what it needs from Debian (only what is missing) and the npm packages
# pinned in package-lock.json, then builds libjpeg-turbo for WebAssembly from Debian's own
# source, once: it is kept in build-web/deps and reused by later runs. With --tests first
# (before any options for CMake) it also installs what the browser tests need, Debian's
# chromium and npm's puppeteer-core, and builds the test pages; without, neither.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
B=${VASK_WEB_BUILD:-$root/build-web}
mkdir -p "$B"
B=$(cd "$B" && pwd)
tests=0
if [ "${1:-}" = "--tests" ]; then tests=1; shift; fi
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
[ -n "${VASK_JOBS:-}" ] && jobs=$VASK_JOBS

# --- packages from Debian ---------------------------------------------------------------
lists=(scripts/packages-web.txt)
[ "$tests" = 1 ] && lists+=(scripts/packages-web-tests.txt)
# Node.js may come with its own npm (NodeSource's does); Debian's is a package of its own.
also=()
command -v npm >/dev/null 2>&1 || also=(npm)
bash scripts/install-packages.sh "${lists[@]}" --also "${also[@]}"
# Emscripten's JavaScript optimiser needs acorn, which Debian keeps where Node does not look.
export NODE_PATH=/usr/share/nodejs

# --- npm packages (pinned in package-lock.json) -----------------------------------------
npmdir=$B/npm
mkdir -p "$npmdir"
# The tests' packages (devDependencies) only when asked for; once there they stay until the
# lock changes.
npm_for=site
[ "$tests" = 1 ] && npm_for=tests
if ! cmp -s package-lock.json "$npmdir/package-lock.json" || [ ! -d "$npmdir/node_modules" ] ||
   { [ "$tests" = 1 ] && [ "$(cat "$npmdir/installed-for" 2>/dev/null)" != tests ]; }; then
  echo "== npm packages =="
  cp package.json package-lock.json "$npmdir/"
  rm -f "$npmdir/installed-for"
  omit=(--omit=dev)
  [ "$tests" = 1 ] && omit=()
  (cd "$npmdir" && npm ci "${omit[@]}" --no-audit --no-fund --loglevel=error)
  echo "$npm_for" > "$npmdir/installed-for"
fi

# --- libjpeg-turbo from Debian's source package, for WebAssembly ---------------------------
deps=$B/deps
mkdir -p "$deps"
if [ ! -f "$deps/jpeg/lib/libjpeg.a" ]; then
  echo "== libjpeg-turbo for WebAssembly =="
  [ -f "$deps/libjpeg-turbo-src/CMakeLists.txt" ] ||
    bash scripts/debian-source.sh libjpeg-turbo "$deps/apt" "$deps/libjpeg-turbo-src"
  rm -rf "$deps/jpeg-build"
  # emcmake's own emulator passes Node a flag Node 20 refuses, and the configure checks
  # that run programs would then read garbage: run them with plain Node.
  emcmake cmake -S "$deps/libjpeg-turbo-src" -B "$deps/jpeg-build" -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF >/dev/null
  cmake --build "$deps/jpeg-build" -j"$jobs" --target jpeg-static >/dev/null
  mkdir -p "$deps/jpeg/lib" "$deps/jpeg/include"
  cp "$deps/jpeg-build/libjpeg.a" "$deps/jpeg/lib/libjpeg.a"
  cp "$deps/jpeg-build/jconfig.h" "$deps/libjpeg-turbo-src/jerror.h" \
     "$deps/libjpeg-turbo-src/jmorecfg.h" "$deps/libjpeg-turbo-src/jpeglib.h" "$deps/jpeg/include/"
  cp "$deps/libjpeg-turbo-src/LICENSE.md" "$deps/jpeg/LICENSE.md"
fi

# --- the game ------------------------------------------------------------------------------
echo "== The game for the browser =="
build_tests=OFF
[ "$tests" = 1 ] && build_tests=ON
emcmake cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=$build_tests \
  -DJPEG_INCLUDE_DIR="$deps/jpeg/include" -DJPEG_LIBRARY="$deps/jpeg/lib/libjpeg.a" \
  "$@" >/dev/null
cmake --build "$B" -j"$jobs"  # the game, and the test pages with --tests

# --- the site --------------------------------------------------------------------------------
site=$B/site
rm -rf "$site"
mkdir -p "$site"
cp platform/web/page/* "$site/"
# The program's two halves carry their content's hash in their names, so that a cache
# can never pair a new script with an old program: index.html names both (the page finds
# the wasm through its script tag's data-wasm).
content_hash() { sha256sum "$1" | cut -c1-12; }
wasm_name=vask.$(content_hash "$B/app/vask.wasm").wasm
js_name=vask.$(content_hash "$B/app/vask.js").js
cp "$B/app/vask.wasm" "$site/$wasm_name"
cp "$B/app/vask.js" "$site/$js_name"
grep -q '<script defer src="vask.js" data-wasm="vask.wasm">' "$site/index.html" ||
  { echo "build-web: index.html has no program script tag to name" >&2; exit 1; }
sed -i "s|<script defer src=\"vask.js\" data-wasm=\"vask.wasm\">|<script defer src=\"$js_name\" data-wasm=\"$wasm_name\">|" "$site/index.html"
# The page's icons (the favicon, and the web app manifest's 192 and 512 pixel ones), drawn
# as the desktop programs' are: by render_icon, built for this machine with its compilers.
# VASK_ICON_RENDERER names one already built (the test command passes the Linux build's).
renderer=${VASK_ICON_RENDERER:-}
if [ -z "$renderer" ]; then
  cmake -S tools/icon -B "$B/icon-renderer" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$B/icon-renderer" -j"$jobs" >/dev/null
  renderer=$B/icon-renderer/render_icon
fi
python3 tools/make_icon.py "$renderer" data "$B/icon" >/dev/null
cp "$B/icon/favicon.ico" "$B/icon/icon-192.png" "$B/icon/icon-512.png" "$site/"
# The data files, plain, and the list the page loads them by: replacing one here changes
# the game, removing one makes the game meet it missing, as on the desktop.
data_files=()
for f in data/*; do
  [ -f "$f" ] || continue
  cp "$f" "$site/"
  data_files+=("$(basename "$f")")
done
printf '%s\n' "${data_files[@]}" | python3 -c 'import json,sys; print(json.dumps([l.strip() for l in sys.stdin if l.strip()]))' \
  > "$site/data-files.json"
synth=$npmdir/node_modules/js-synthesizer
# FluidSynth 2.3.0: the 2.4.6 build's file functions are stubs that log an error each time
# its soundfont loader and sample cache call them, on every start.
cp "$synth/externals/libfluidsynth-2.3.0.js" "$synth/dist/js-synthesizer.min.js" \
   "$synth/dist/js-synthesizer.worklet.min.js" "$site/"
# The soundfont cut down to the presets vask.mid may sound with, and the list of them the page
# checks a song's needs against; the full one stays for a song that needs more.
cp /usr/share/sounds/sf2/TimGM6mb.sf2 "$site/"
python3 tools/cut_soundfont.py cut /usr/share/sounds/sf2/TimGM6mb.sf2 data/vask.mid \
  "$site/vask.sf2" "$site/soundfont-presets.json"
mkdir -p "$site/licences"
cp "$deps/jpeg/LICENSE.md" "$site/licences/libjpeg-turbo.md"
cp "$synth/LICENSE" "$site/licences/js-synthesizer.txt"
cp "$synth/externals/LICENSE.fluidsynth.txt" "$site/licences/fluidsynth.txt"
cp /usr/share/doc/timgm6mb-soundfont/copyright "$site/licences/TimGM6mb.txt"
cp /usr/share/common-licenses/GPL-2 "$site/licences/GPL-2.txt"
cp /usr/share/common-licenses/LGPL-2.1 "$site/licences/LGPL-2.1.txt"
cp LICENSE "$site/licences/vask-light-cycles.txt"

# The manifest names only the icons the site has (a browser fetches each and complains of
# one missing). The service worker's lists: every file of the site, the program's
# content-hashed halves, the data files, and the release's name from a hash over them all,
# so that a new release replaces what a browser kept (filled in before the compressed
# copies, which it does not keep).
python3 - "$site" "$js_name" "$wasm_name" <<'PY'
import hashlib, json, os, sys
site, hashed = sys.argv[1], sys.argv[2:]
data_files = json.load(open(os.path.join(site, 'data-files.json')))
manifest_file = os.path.join(site, 'manifest.webmanifest')
manifest = json.load(open(manifest_file))
icons = [i for i in manifest['icons'] if os.path.isfile(os.path.join(site, i['src']))]
if icons != manifest['icons']:
    print('build-web: the site has no ' + ', '.join(i['src'] for i in manifest['icons'] if i not in icons)
          + '; the manifest names only the rest', file=sys.stderr)
    manifest['icons'] = icons
    with open(manifest_file, 'w') as f: f.write(json.dumps(manifest, indent=2) + '\n')
worker = os.path.join(site, 'service-worker.js')
files = sorted(os.path.relpath(os.path.join(d, f), site) for d, _, fs in os.walk(site) for f in fs)
files = [f for f in files if f != 'service-worker.js']
digest = hashlib.sha256()
for f in files:
    digest.update(f.encode() + b'\0' + hashlib.sha256(open(os.path.join(site, f), 'rb').read()).digest())
text = open(worker).read()
for old, new in [("const RELEASE = 'unbuilt';", f"const RELEASE = '{digest.hexdigest()[:12]}';"),
                 ('const SITE_FILES = [];', f'const SITE_FILES = {json.dumps(files)};'),
                 ('const HASHED_FILES = [];', f'const HASHED_FILES = {json.dumps(hashed)};'),
                 ('const DATA_FILES = [];', f'const DATA_FILES = {json.dumps(data_files)};')]:
    if old not in text: sys.exit(f'build-web: service-worker.js has no line "{old}" to fill in')
    text = text.replace(old, new)
open(worker, 'w').write(text)
PY

# Compressed copies beside the large files, for servers that send them as they are (a
# player's download gets smaller by what the server would otherwise not compress). The
# zip leaves them out: unpacked, the folder is served from the player's own disk. The data
# files have none: a player's replacement would go beside a stale copy a server prefers.
# PNG images are compressed already: a copy would gain nothing.
find "$site" -type f -size +8k ! -name '*.gz' ! -name '*.br' ! -name '*.png' | sort | while read -r f; do
  [ -e "$root/data/$(basename "$f")" ] && continue
  gzip -9 -n -k -f "$f"
  # The soundfont compresses little, and its best quality takes half a minute.
  quality=11
  [ "$(stat -c %s "$f")" -gt 1000000 ] && quality=6
  brotli -q "$quality" -k -f "$f"
done

rm -f "$B/vask-light-cycles-web.zip"
(cd "$B" && mv site vask-light-cycles-web &&
   bash "$root/scripts/reproducible-zip.sh" vask-light-cycles-web.zip vask-light-cycles-web '*.gz' '*.br'
   mv vask-light-cycles-web site)
echo "build-web: $site"

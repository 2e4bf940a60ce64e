#!/usr/bin/env bash
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION   (on a display: run it through with_xvfb.sh)
# Builds the Debian package with cpack in a temporary folder and, without installing it,
# checks its control fields and its files, runs Debian's checkers on it (lintian on the
# package, any tag down to the info level failing; appstreamcli on its metainfo and
# desktop-file-validate on its desktop entry, any error or warning failing; man on both
# manual pages and systemd-analyze on the relay's unit, anything they print failing), then
# starts the extracted relay and checks that it listens and ends cleanly on SIGTERM, and
# starts the extracted launcher from / and checks that the packaged game runs, from the
# package's data folder, up to its title window and ends with exit code 0 on a key.
set -u
build=$1
source=$2
version=$3
tmp=$(mktemp -d)
pid=""
relay_pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$relay_pid" ] && kill -KILL "$relay_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../support/game_window.sh"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$tmp"/out/*.deb)
[ "${#debs[@]}" = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}

# The control file. The version is the one the title screen shows (render/title.cpp draws
# it as "V" and the version).
field() { dpkg-deb --field "$deb" "$1"; }
title_version=$(grep -o '"V[0-9][0-9.]*"' "$source/render/title.cpp" | tr -d '"V')
[ -n "$title_version" ] && [ "$title_version" = "$version" ] ||
  fail "the project version $version is not the title screen's '$title_version'"
[ "$(field Package)" = vask-light-cycles ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)', not $version"
[ "$(basename "$deb")" = "vask-light-cycles_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "the package file is named $(basename "$deb")"
[ "$(field Section)" = games ] || fail "section is '$(field Section)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture is '$(field Architecture)'"
case "$(field Maintainer)" in ?*" <"?*@?*">") ;; *) fail "maintainer is '$(field Maintainer)'" ;; esac
[ -n "$(field Description)" ] || fail "no description"

# The file list: exactly these files with these modes, under folders 0755, all owned by root.
# The relay's systemd unit goes where Debian 12's systemd.pc puts packages' units.
dpkg-deb --contents "$deb" >"$tmp/contents" || fail "dpkg-deb cannot list the package"
owners=$(awk '{print $2}' "$tmp/contents" | sort -u)
[ "$owners" = root/root ] || fail "files not all owned by root: $owners"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {bad = 1; print} END {exit bad}' "$tmp/contents" ||
  fail "folders not 0755"
data=usr/share/vask-light-cycles
{
  printf -- '-rwxr-xr-x %s\n' usr/games/vask-light-cycles usr/libexec/vask-light-cycles/vask \
    usr/games/vask-relay
  printf -- '-rw-r--r-- %s\n' usr/share/applications/vask-light-cycles.desktop \
    usr/share/doc/vask-light-cycles/copyright usr/share/doc/vask-light-cycles/changelog.gz \
    usr/share/lintian/overrides/vask-light-cycles \
    usr/share/man/man6/vask-light-cycles.6.gz usr/share/man/man6/vask-relay.6.gz \
    lib/systemd/system/vask-relay.service \
    usr/share/metainfo/io.github.vask_light_cycles.metainfo.xml
  for f in "$source"/data/*; do printf -- '-rw-r--r-- %s\n' "$data/${f##*/}"; done
  for n in 16 24 32 48 64 128 256; do
    printf -- '-rw-r--r-- %s\n' usr/share/icons/hicolor/${n}x${n}/apps/vask-light-cycles.png
  done
} | sort >"$tmp/expected"
awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $1, $6}' "$tmp/contents" | sort >"$tmp/listed"
diff "$tmp/expected" "$tmp/listed" >&2 || fail "the package's files differ from the above (< wanted, > found)"

# Nothing runs when the package is installed: no maintainer script, so nothing enables or
# starts the relay's unit.
dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort >"$tmp/control-files"
printf '%s\n' control md5sums >"$tmp/control-wanted"
diff "$tmp/control-wanted" "$tmp/control-files" >&2 ||
  fail "the package's control archive holds more than control and md5sums (< wanted, > found)"

# Depends names the package of every library the game and the relay link, and of those
# opened at run time: libGL.so.1 (by SDL), libfluidsynth.so.3 (for the song) and
# libX11.so.6 (for the X error handling); each found here by the library's file in this
# machine's packages.
dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb cannot extract the package"
root=$(realpath "$tmp/root")
game=$root/usr/libexec/vask-light-cycles/vask
relay=$root/usr/games/vask-relay
needed=$(objdump -p "$game" | awk '$1 == "NEEDED" {print $2}')
[ -n "$needed" ] || fail "the packaged game links no shared library"
relay_needed=$(objdump -p "$relay" | awk '$1 == "NEEDED" {print $2}')
[ -n "$relay_needed" ] || fail "the packaged relay links no shared library"
needed=$(printf '%s\n' $needed $relay_needed | sort -u)
depends=" $(field Depends | sed 's/([^)]*)//g; s/[,|]/ /g') "
for lib in $needed libGL.so.1 libfluidsynth.so.3 libX11.so.6; do
  owner=$(dpkg -S "*/$(gcc -print-multiarch)/$lib" 2>/dev/null | head -n1 | cut -d: -f1)
  [ -n "$owner" ] || fail "no installed package holds $lib"
  case "$depends" in *" $owner "*) ;; *) fail "Depends does not name $owner ($lib): $(field Depends)" ;; esac
done

# The files themselves.
for f in "$source"/data/*; do
  cmp -s "$root/$data/${f##*/}" "$f" || fail "data file ${f##*/} is not packaged as it is"
done
copyright=$root/usr/share/doc/vask-light-cycles/copyright
cmp -s "$copyright" "$source/packaging/debian-copyright" ||
  fail "the copyright file is not packaging/debian-copyright"
[ "$(head -c4 "$game")" = $'\x7fELF' ] || fail "the game is not a program"
[ "$(head -c4 "$relay")" = $'\x7fELF' ] || fail "the relay is not a program"
(cd "$root" && dpkg-deb --info "$deb" md5sums | md5sum --quiet -c) >&2 ||
  fail "the package's md5sums do not match its files"
desktop=$root/usr/share/applications/vask-light-cycles.desktop
grep -qx '\[Desktop Entry\]' "$desktop" || fail "desktop entry has no [Desktop Entry] group"
grep -qx 'Type=Application' "$desktop" || fail "desktop entry is not an application"
grep -qx 'Name=Vask Light Cycles' "$desktop" || fail "desktop entry has no name"
grep -qx 'Exec="/usr/games/vask-light-cycles"' "$desktop" ||
  fail "desktop entry does not start /usr/games/vask-light-cycles: $(grep Exec "$desktop")"
grep -qx 'Icon=vask-light-cycles' "$desktop" || fail "desktop entry names no icon"
man=$root/usr/share/man/man6/vask-light-cycles.6.gz
zcat "$man" | grep -q "^\.TH VASK-LIGHT-CYCLES 6 .*Vask Light Cycles $version" ||
  fail "the manual page's heading does not name section 6 and version $version"
relay_man=$root/usr/share/man/man6/vask-relay.6.gz
zcat "$relay_man" | grep -q "^\.TH VASK-RELAY 6 .*Vask Light Cycles $version" ||
  fail "the relay's manual page's heading does not name section 6 and version $version"
zcat "$root/usr/share/doc/vask-light-cycles/changelog.gz" | head -n1 |
  grep -qx "vask-light-cycles ($version) unstable; urgency=medium" ||
  fail "the changelog does not start with version $version"
grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/io.github.vask_light_cycles.metainfo.xml" ||
  fail "the metainfo does not list release $version"

# Both manual pages as man shows them: groff's warnings, all of them (-ww), fail, and so
# does a page that renders no NAME section.
for page in "$man" "$relay_man"; do
  MANWIDTH=80 man --warnings=w -l "$page" >"$tmp/man.txt" 2>"$tmp/man.err"
  status=$?
  [ $status = 0 ] && [ ! -s "$tmp/man.err" ] && grep -q '^NAME' "$tmp/man.txt" ||
    { cat "$tmp/man.err" >&2; fail "man -l warns on or cannot show ${page##*/}"; }
done

# Debian's checkers: each must be installed and report no error and no warning (lintian,
# not even an info tag). lintian
# checks the machine-readable copyright form only in source packages, so here the file's
# first line names the form, every Files paragraph has a Copyright and a License, and every
# licence named without its text has a standalone License paragraph giving it.
[ "$(head -n1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the copyright file is not in Debian's machine-readable form: $(head -n1 "$copyright")"
awk 'BEGIN {RS = ""; FS = "\n"}
  NR == 1 {next}
  {
    files = copyright = text = 0; license = ""
    for (i = 1; i <= NF; i++) {
      if ($i ~ /^Files:/) files = 1
      if ($i ~ /^Copyright:/) copyright = 1
      if ($i ~ /^License:/) {
        license = $i; sub(/^License: */, "", license); text = i < NF && $(i + 1) ~ /^ /
      }
    }
    if (files && (!copyright || license == "")) { print "paragraph " NR " lacks Copyright or License"; bad = 1 }
    else if (files && !text) { n = split(license, names, / (and|or) /); for (j = 1; j <= n; j++) wanted[names[j]] = 1 }
    else if (!files && text) given[license] = 1
    else if (!files) { print "licence " license " has no text"; bad = 1 }
  }
  END { for (l in wanted) if (!(l in given)) { print "no License paragraph gives " l; bad = 1 }; exit bad }' \
  "$copyright" >&2 || fail "the copyright file is incomplete (above)"
for tool in lintian appstreamcli desktop-file-validate; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/packages-tests.txt)"
done
# desktop-file-validate exits 0 on warnings, so anything it prints fails.
desktop-file-validate "$desktop" >"$tmp/desktop.log" 2>&1; status=$?
[ $status = 0 ] && [ ! -s "$tmp/desktop.log" ] ||
  { cat "$tmp/desktop.log" >&2; fail "desktop-file-validate rejects the entry"; }
# validate-tree reads the metainfo where it is installed and finds its launchable's desktop
# entry beside it; without the network it cannot fetch the screenshot, which the web
# address's own site has to serve.
appstreamcli validate-tree --no-net "$root" >"$tmp/appstream.log" 2>&1 ||
  { cat "$tmp/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
# lintian down to its info level, where it reports a program built without Debian's
# hardening (hardening-no-bindnow, hardening-no-fortify-functions and the like): no tag at
# all. Root's run warns that it is root, on its standard error; the tags go to standard output.
lintian --display-info --fail-on error,warning,info "$deb" >"$tmp/lintian.log" 2>"$tmp/lintian.err"
status=$?
[ $status = 0 ] && ! grep -q '^[A-Z]: ' "$tmp/lintian.log" ||
  { cat "$tmp/lintian.log" "$tmp/lintian.err" >&2; fail "lintian reports tags"; }

# The relay's unit: it starts the packaged relay on this machine's own address, as a user
# of its own that systemd makes for it, in a sandbox; its [Install] section lets an
# administrator enable it (the package does not).
unit=$root/lib/systemd/system/vask-relay.service
unit_key() { sed -n "s/^$1=//p" "$unit"; }
[ "$(unit_key ExecStart)" = "/usr/games/vask-relay --listen 127.0.0.1:8765" ] ||
  fail "the unit does not start /usr/games/vask-relay on 127.0.0.1:8765: $(unit_key ExecStart)"
for setting in DynamicUser=yes NoNewPrivileges=yes ProtectSystem=strict ProtectHome=yes \
  PrivateTmp=yes PrivateDevices=yes WantedBy=multi-user.target; do
  grep -qx "$setting" "$unit" || fail "the unit does not say $setting"
done
# systemd-analyze: verify the unit (any word it says fails: an unknown key is only a
# warning to it), with the command as extracted here and the packaged manual page for its
# Documentation=; and its sandbox must leave an exposure of at most 2.0 of 10 ("OK").
if command -v systemd-analyze >/dev/null; then
  mkdir "$tmp/unit"
  sed "s|^ExecStart=/usr/games/vask-relay |ExecStart=$relay |" "$unit" >"$tmp/unit/vask-relay.service"
  MANPATH=$root/usr/share/man systemd-analyze verify "$tmp/unit/vask-relay.service" >"$tmp/verify.log" 2>&1
  status=$?
  [ $status = 0 ] && [ ! -s "$tmp/verify.log" ] ||
    { cat "$tmp/verify.log" >&2; fail "systemd-analyze verify rejects the unit"; }
  systemd-analyze security --offline=yes --threshold=20 "$tmp/unit/vask-relay.service" \
    >"$tmp/security.log" 2>&1 ||
    { grep -v '^  *✓' "$tmp/security.log" >&2; fail "the unit's sandbox leaves an exposure over 2.0"; }
else
  echo "systemd-analyze is missing here: the relay's unit was not verified"
fi

# The packaged relay says where it listens and ends with exit code 0 on SIGTERM, as
# systemctl stop sends it.
"$relay" --listen 127.0.0.1:0 >"$tmp/relay.out" 2>"$tmp/relay.err" &
relay_pid=$!
for _ in $(seq 1 100); do
  grep -q . "$tmp/relay.out" && break
  kill -0 "$relay_pid" 2>/dev/null || break
  sleep 0.1
done
grep -Eqx 'listening on 127\.0\.0\.1:[1-9][0-9]*' "$tmp/relay.out" ||
  { cat "$tmp/relay.out" "$tmp/relay.err" >&2; fail "the packaged relay did not say where it listens"; }
kill -TERM "$relay_pid"
wait_game_exit "$relay_pid" || fail "the packaged relay did not end on SIGTERM"
relay_pid=""
[ "$game_exit" = 0 ] || { cat "$tmp/relay.err" >&2; fail "the relay ended with exit code $game_exit on SIGTERM"; }

# The extracted launcher, started from /, runs the packaged game in the packaged data folder.
(cd / && exec "$root/usr/games/vask-light-cycles") >"$tmp/game.log" 2>&1 &
pid=$!
window=$(game_window "$pid")
[ -n "$window" ] || { cat "$tmp/game.log" >&2; fail "the packaged game showed no window"; }
exe=$(readlink "/proc/$pid/exe")
cwd=$(readlink "/proc/$pid/cwd")
[ "$exe" = "$game" ] || fail "the launcher started $exe"
[ "$cwd" = "$root/$data" ] || fail "the game runs in $cwd, not the package's data folder"

# The first key leaves the title; in play a key with no command ends the game.
play_then_quit "$pid" "$window" "$tmp/game.log"
pid=""
echo "PASS $(basename "$deb")"

# Sourced by the Windows test scripts: a private Wine for the Windows build in folder $1
# (default build-windows). Everything it writes stays in that folder:
#   $1/wine       the Wine prefix (made on first use, about 10 s, then reused)
#   $1/wine-home  HOME for Wine and the tests
# Sets WINEPREFIX, WINEARCH, WINEDEBUG=-all (Wine's own messages off), WINEDLLOVERRIDES
# (no Mono or Gecko install prompts; XInput searched for as on Windows) and HOME, and
# defines vask_wine_prefix to make the prefix: it also marks Wine's windows as not managed
# by a window manager (Managed=N; the tests' Xvfb has none, and managed windows cost about
# 2 s at exit) and makes C:\tmp.
vask_wine_build=$(cd "${1:-build-windows}" && pwd)
export WINEPREFIX=$vask_wine_build/wine
export WINEARCH=win64
export WINEDEBUG=-all
# XInput as Windows finds it: a program's own xinput1_4.dll (the tests' stand-in) before the
# system's; Wine would otherwise take its built-in one first.
export WINEDLLOVERRIDES="mscoree,mshtml=;xinput1_4=n,b"
export HOME=$vask_wine_build/wine-home
mkdir -p "$HOME"

vask_wine_prefix() {
  (
    # One maker at a time; the others wait for it and find the prefix made.
    flock 9
    if [ ! -f "$WINEPREFIX/.vask-ready" ]; then
      rm -rf "$WINEPREFIX"
      DISPLAY= wineboot -i >/dev/null 2>&1 || exit 1
      DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || exit 1
      wineserver -w
      mkdir -p "$WINEPREFIX/drive_c/tmp"
      touch "$WINEPREFIX/.vask-ready"
    fi
  ) 9>"$vask_wine_build/.wine-prefix.lock"
}

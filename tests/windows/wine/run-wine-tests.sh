#!/usr/bin/env bash
# Runs the Windows layer's test program under Wine: run-wine-tests.sh PROGRAM.exe WORKDIR.
# WORKDIR is made afresh: a Wine prefix of its own (booted once) and an empty folder to write files in.
# Needs no input; under a virtual X server when there is no display.
set -euo pipefail
exe=$(readlink -f "$1")
work=$2
wine=${HV_WINE:-/usr/lib/wine/wine64}
wineserver=${HV_WINESERVER:-/usr/lib/wine/wineserver}

[ -f "$exe" ] || { echo "== no test program at $exe (the MinGW-w64 build did not make it)"; exit 1; }
[ -x "$wine" ] || { echo "== Wine not found at $wine: install Debian's wine64"; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

rm -rf "$work"
mkdir -p "$work/files"
work=$(readlink -f "$work")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer: they would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT

if ! "$wine" wineboot -i </dev/null >"$work/wineboot.log" 2>&1; then
    echo "== Wine could not set up its prefix in $WINEPREFIX; its output:"
    cat "$work/wineboot.log"
    exit 1
fi
"$wineserver" -w

# Writes to this name fail with "no space left", as on a full disk.
ln -s /dev/full "$work/files/full.txt"
cd "$work/files"
status=0
"$wine" "$exe" </dev/null || status=$?

# The non-ASCII name arrived in the file system as itself.
if [ ! -f "$work/files/Größe € 😀.txt" ]; then
    echo "FAIL: the non-ASCII file name is not in $work/files:"
    ls "$work/files"
    status=1
fi
exit $status

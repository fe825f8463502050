#!/bin/sh
# Makes the test run's Wine prefix: a fresh 64-bit prefix, headless (no display driver), with
# Wine's own msiexec in its system folder. Usage: make_prefix.sh PREFIX
set -eu
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w
test -f "$prefix/drive_c/windows/system32/msiexec.exe"
echo "wine prefix ready: $prefix"

#!/bin/sh
# The main job on the bundled example: build the package examples/sample.msi from
# examples/sample.wxs with wixl, wrap it into the setup program examples/sample.exe with
# `wrapsmith examples/sample.xml /b`, then install it under Wine in a prefix of its own.
# Run from anywhere, as root on a fresh machine (it installs what is missing first).
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target wrapsmith

echo "== 1. The package and the setup program"
(cd examples && wixl -o sample.msi sample.wxs)
build/converter/app/wrapsmith examples/sample.xml /b
echo "The setup program is $(pwd)/examples/sample.exe"

echo "== 2. Installing it under Wine"
export WINEPREFIX="$(pwd)/build/example-wineprefix" WINEDEBUG=-all
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
/usr/lib/wine/wine64 examples/sample.exe
/usr/lib/wine/wineserver64 -w
for folder in "Program Files (x86)" "Program Files"; do
  installed="$WINEPREFIX/drive_c/$folder/Wrapsmith Sample/wrapsmith-sample.txt"
  if [ -f "$installed" ]; then
    echo "Installed: $installed"
    exit 0
  fi
done
echo "The package was not installed" >&2
exit 1

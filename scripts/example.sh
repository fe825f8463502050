#!/bin/sh
# The main job on the bundled example:
#   1. build the package examples/sample.msi from examples/sample.wxs with wixl and wrap it into
#      the setup program examples/sample.exe with `wrapsmith examples/sample.xml /b`;
#   2. install it under Wine. Wine on this machine runs 64-bit programs only, and the Linux
#      converter carries the 32-bit launcher, so this step wraps the same project again with the
#      64-bit Windows converter, under Wine, and runs what that writes.
# Installs what is missing and builds first. Run as root on Debian 12.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target wrapsmith windows-x86_64

echo "== 1. The package and the setup program"
(cd examples && wixl -o sample.msi sample.wxs)
build/converter/app/wrapsmith examples/sample.xml /b
echo "The setup program: $PWD/examples/sample.exe"

echo "== 2. Installing it under Wine"
prefix=$PWD/build/example-prefix
./tests/wine/make_prefix.sh "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
/usr/lib/wine/wine64 build/windows-x86_64/converter/app/wrapsmith.exe examples/sample.xml /b
echo "The 64-bit setup program (replacing the 32-bit one): $PWD/examples/sample.exe"
/usr/lib/wine/wine64 examples/sample.exe
/usr/lib/wine/wineserver64 -w
echo "== installed by the package:"
find "$prefix/drive_c" -name wrapsmith-sample.txt -print -exec cat {} \; | grep . || {
  echo "the example package was not installed" >&2
  exit 1
}

#!/bin/sh
# The main job on the bundled example: build the example package from examples/sample.wxs with
# wixl, make an output executable of it (the launcher carrying the package and the installer
# arguments "/i {package} /qn") and run it under Wine, whose msiexec installs the package.
# Installs what is missing and builds first. Run as root on Debian 12.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja
cmake --build build

# The x64 flavour: the one this machine can run under Wine.
windows=build/windows-x86_64
package=$windows/examples/sample.msi   # made by wixl from examples/sample.wxs
output=$windows/examples/sample.exe    # the launcher carrying the package and its arguments

prefix=$PWD/build/example-prefix
echo "== making a fresh Wine prefix: $prefix"
./tests/wine/make_prefix.sh "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all

echo "== running $output"
status=0
/usr/lib/wine/wine64 "$output" || status=$?
/usr/lib/wine/wineserver64 -w
echo "launcher exit code (low 8 bits): $status"

echo "== installed by the package:"
find "$prefix/drive_c" -name wrapsmith-sample.txt -print -exec cat {} \; | grep . || {
  echo "the example package was not installed" >&2
  exit 1
}
echo "== temporary package file left by the launcher:"
find "$prefix/drive_c/users" -iname '0*.tmp' -newer "$output" -exec ls -l {} \;
exit "$status"

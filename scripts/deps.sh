#!/bin/sh
# Installs what building and testing need on Debian 12 (run as root). Safe to run again.
set -eu
packages="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 wixl msitools libmsi-dev libglib2.0-dev
  libxml2-dev libxml2-utils icoutils python3-pefile osslsigncode nsis hyperfine openssl time"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  # shellcheck disable=SC2086
  apt-get install -y $missing
fi

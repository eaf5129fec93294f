#!/usr/bin/env bash
# Builds the settings reader's fuzz target with clang++ in its own build
# directory and gives it a short run. Fails on any crash, sanitizer report or
# value out of range.
#   settings/fuzz/run.sh [executions]      default 100000
# PAARIX_FUZZ_BUILD overrides the build directory (default build/fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${PAARIX_FUZZ_BUILD:-$root/build/fuzz}
runs=${1:-100000}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DPAARIX_FUZZ=ON -DPAARIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target settings_fuzz

# New inputs go to a scratch directory, never into the seed corpus; a crashing
# input is kept in the build directory.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/settings/fuzz/settings_fuzz" -runs="$runs" -max_len=1024 \
  -artifact_prefix="$build/settings/fuzz/" "$work" "$here/corpus"

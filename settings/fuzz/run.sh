#!/usr/bin/env bash
# Builds the settings reader's fuzz target with clang++ in build/fuzz (or $PAARIX_FUZZ_BUILD) and runs it:
# settings/fuzz/run.sh [executions, default 100000]. Fails on a crash, a sanitizer report or a value out of
# range (the input is kept in the build directory); new inputs go to a scratch directory, not the corpus.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${PAARIX_FUZZ_BUILD:-$here/../../build/fuzz}
cmake -S "$here/../.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DPAARIX_FUZZ=ON -DPAARIX_BUILD_TESTS=OFF -DPAARIX_BUILD_QT=OFF >/dev/null
cmake --build "$build" --target settings_fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/settings/fuzz/settings_fuzz" -runs="${1:-100000}" -max_len=1024 -artifact_prefix="$build/settings/fuzz/" \
  "$work" "$here/corpus"

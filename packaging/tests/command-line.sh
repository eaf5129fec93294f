#!/usr/bin/env bash
# The program's command line: --help and --version are answered without a
# display, unknown options are refused and Qt's own options still work.
#   command-line.sh PATH-TO-PAARIX VERSION-TEXT   (VERSION-TEXT: what --version prints)
set -uo pipefail
paarix=$1
version=$2
failures=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# Runs the program with no display at all. Qt is told to use X11, so anything
# that needs a window would abort.
run_without_display() {
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$paarix" "$@" >"$out" 2>"$err"
}

fail() {
  echo "FAIL: $*"
  echo "  stdout: $(cat "$out")"
  echo "  stderr: $(cat "$err")"
  failures=$((failures + 1))
}

for option in --version -v; do
  run_without_display "$option"; rc=$?
  [ "$rc" -eq 0 ] && [ "$(cat "$out")" = "$version" ] || fail "$option gave exit code $rc"
done

for option in --help -h; do
  run_without_display "$option"; rc=$?
  if [ "$rc" -ne 0 ] \
    || ! grep -q "^Usage: .*paarix \[options\]" "$out" \
    || ! grep -q "Paare finden mit Braillezeile und Screenreader" "$out" \
    || ! grep -q -- "-v, --version" "$out" \
    || ! grep -q -- "-h, --help" "$out"; then
    fail "$option gave exit code $rc or an incomplete text"
  fi
done

# An unknown option is refused as before, with or without --version beside it.
for args in "--frage" "--frage --version"; do
  # shellcheck disable=SC2086
  QT_QPA_PLATFORM=offscreen "$paarix" $args >"$out" 2>"$err"; rc=$?
  [ "$rc" -eq 1 ] && grep -q "Unknown option 'frage'" "$err" || fail "$args gave exit code $rc"
done

# Qt's own options still reach Qt.
env -u DISPLAY "$paarix" -platform offscreen --version >"$out" 2>"$err"; rc=$?
[ "$rc" -eq 0 ] && [ "$(cat "$out")" = "$version" ] || fail "-platform offscreen --version gave exit code $rc"

if [ "$failures" -ne 0 ]; then
  echo "$failures command-line check(s) failed"
  exit 1
fi
echo "command line: all checks passed"

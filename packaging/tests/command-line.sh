#!/usr/bin/env bash
# The program's command line: --help and --version are answered without a display
# (Qt is told to use X11, so anything that needs a window would abort), unknown
# options are refused and Qt's own options still reach Qt.
#   command-line.sh PATH-TO-PAARIX VERSION-TEXT   (VERSION-TEXT: what --version prints)
set -uo pipefail
paarix=$1 version=$2 failures=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$paarix" "$@" >"$out" 2>"$err"; }
check() {  # EXPECTED-EXIT-CODE DESCRIPTION CONDITION...
  local rc=$? want=$1 what=$2
  shift 2
  if [ "$rc" -ne "$want" ] || ! "$@"; then
    echo "FAIL: $what (exit code $rc)"; echo "  stdout: $(cat "$out")"; echo "  stderr: $(cat "$err")"
    failures=$((failures + 1))
  fi
}
is_version() { [ "$(cat "$out")" = "$version" ]; }
is_help() {
  grep -q "^Usage: .*paarix \[options\]" "$out" && grep -q "Paare finden mit Braillezeile und Screenreader" "$out" \
    && grep -q -- "-v, --version" "$out" && grep -q -- "-h, --help" "$out"
}
refused() { grep -q "Unknown option 'frage'" "$err"; }

for option in --version -v; do run "$option"; check 0 "$option" is_version; done
for option in --help -h; do run "$option"; check 0 "$option" is_help; done
QT_QPA_PLATFORM=offscreen "$paarix" --frage >"$out" 2>"$err"; check 1 "--frage" refused
QT_QPA_PLATFORM=offscreen "$paarix" --frage --version >"$out" 2>"$err"; check 1 "--frage --version" refused
run -platform offscreen --version; check 0 "-platform offscreen --version" is_version

[ "$failures" -eq 0 ] || { echo "$failures command-line check(s) failed"; exit 1; }
echo "command line: all checks passed"

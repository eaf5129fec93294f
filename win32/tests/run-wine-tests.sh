#!/usr/bin/env bash
# The Windows game under wine, driven from outside: keys through X (xdotool), the
# rest as a screen reader does it, through probe.exe (sent messages, EM_SETSEL
# routing, clicks, MSAA). Plays from the release zip unpacked into an empty folder.
#   run-wine-tests.sh BUILD_DIR ZIP
# Needs DISPLAY (an X server without a window manager) and a booted WINEPREFIX;
# scripts/cross-windows provides both.
set -uo pipefail
probe_exe=$(realpath "$1/win32/probe.exe")
zip=$(realpath "$2")
work=$(mktemp -d)
failures=0
normal='CmdInfo LstBrl LstAnzahl Spiel CmdNeu CmdEnde'

probe() { wine "$probe_exe" "$@" 2>/dev/null; }
pass() { echo "ok   $1"; }
fail() {
  echo "FAIL $1" && failures=$((failures + 1))
  [ -z "${2:-}" ] || printf '%s\n' "$2" | pr -t -o 7
}
# expect WHAT KEY=REGEX...: the window reaches that state within 10 s.
expect() { if out=$(probe expect "${@:2}"); then pass "$1"; else fail "$1" "$out"; fi; }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; } # check WHAT TEST...
# Keys go where wine put the X focus: to the active window, as on Windows.
key() { xdotool key --delay 40 "$@"; }
start() { (cd "$1" && exec wine paarix.exe >/dev/null 2>&1 &) && probe expect shown=1 >/dev/null || exit 1; }
ended() { if probe wait-exit; then pass "$1"; else fail "$1"; fi; }
ini_is() { [ "$(od -An -c "$1")" = "$(printf '%s\r\n' "$2" | od -An -c)" ]; }
value() { sed -n "s/^$1=//p"; }

# There is no window manager: wine is told to manage the windows itself (the
# frame, the activation, the keyboard focus across hiding and showing), as
# Windows does.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1

echo "== the zip, unpacked into an empty folder"
game=$work/game
mkdir "$game"
(cd "$game" && cmake -E tar xf "$zip")
check "the zip holds paarix.exe and Liesmich.txt" [ "$(cd "$game" && echo *)" = "Liesmich.txt paarix.exe" ]
check "Liesmich.txt is UTF-8 with BOM and CR LF" \
  [ "$(head -c3 "$game/Liesmich.txt" | od -An -tx1)" = " ef bb bf" -a "$(grep -c $'[^\r]$' "$game/Liesmich.txt")" = 0 ]

echo "== start-up, tab order, caret"
start "$game"
expect "start-up: caption, lists, a fresh field, focus on CmdInfo" 'caption=Paarix Version 27\.02\.2012 .+' \
  focus=CmdInfo 'LstBrl=0:20er Braillezeile.*' 'LstAnzahl=0:Ein Spieler' 'field=\.{12}  -' "visible=$normal"
check "paarix.ini created beside paarix.exe: 0,0,0 CR LF" ini_is "$game/paarix.ini" 0,0,0
# The client area of the seven controls is 442 pixels high at 96 dots per inch.
expect "the status line: below the controls, the window's width, at its bottom" status-shown=1 \
  'status-place=0,442,(\d+),(\d+) in \1,\2'
pixels96=$(probe state | value pixels)
for control in LstBrl LstAnzahl Spiel CmdNeu CmdEnde CmdInfo; do
  key Tab
  expect "Tab moves to $control" "focus=$control"
done
key shift+Tab
expect "Shift+Tab moves back to CmdEnde" focus=CmdEnde
key shift+Tab shift+Tab Right Right Right Delete BackSpace a 1 Tab shift+Tab
expect "arrows move the caret, typing changes nothing, Tab into the field keeps the caret" focus=Spiel sel=3,3 \
  caret=Spiel 'field=\.{12}  -'
msaa=$(probe msaa)
check "MSAA: the field is focused read-only text (role 42), its value the field: $msaa" \
  [ "$msaa" = "role=42 readonly=1 focused=1 value=............  -" ]

echo "== views"
key v
expect "v: the full-field view, caption empty, no status line" caption= visible=Spiel focus=Spiel sel=3,3 status-shown=0
key Escape
expect "Escape in the field: the normal view, the window stays" 'caption=Paarix.+' "visible=$normal" focus=Spiel \
  status-shown=1
key Tab Tab Tab Return
expect "Enter on CmdInfo opens the help view, no status line" visible=Info focus=Info 'caption=Paarix.+' status-shown=0
key x
expect "a letter closes the help, the focus is on LstBrl" "visible=$normal" focus=LstBrl status-shown=1
key shift+Tab Return
probe expect visible=Info >/dev/null # X drops keys while wine hides and shows the window
key Escape
expect "Escape closes the help, not the window" "visible=$normal" focus=LstBrl shown=1
key Tab Tab Tab Return
expect "Enter on CmdNeu clicks CmdNeu: the focus goes to the field" focus=Spiel
key shift+Tab alt+n
expect "Alt+N clicks CmdNeu" focus=Spiel

echo "== a game in the full-field view, by keys, routing keys and clicks in turn"
declare -A known=() # face-down cells whose letter has been seen
moves=0 held=0
turn() {
  case $((moves++ % 3)) in
    0)
      local keys=(Home) i
      for ((i = 0; i < $1; i++)); do keys+=(Right); done
      key "${keys[@]}" space
      ;;
    1) probe route "$1" ;;
    2) probe click "$1" ;;
  esac
}
# Waits until the field matches $1 (a regex), then keeps it in $f.
field_is() {
  out=$(probe expect "field=$1") || fail "the field becomes $1" "$out"
  f=$(value field <<<"$out")
}
unknown() {
  local i
  for ((i = 0; i < 12; i++)); do [ "${f:i:1}" = . ] && [ -z "${known[$i]:-}" ] && echo "$i" && return; done
}
# While the pair cue of cells $1 and $2 sounds (twice in a game): the window
# answers at once; a routing key and a key wait and run afterwards in the order
# they came. The routing key turns a first card: its cell goes to $first.
during_pair_cue() {
  local a=$1 b=$2 c ms cells
  c=$(unknown)
  [ -n "$c" ] && [ $((held++)) -lt 2 ] || return 0
  out=$(probe state)
  ms=$(value ms <<<"$out") cells=$(value field <<<"$out")
  check "WM_GETTEXT during the pair cue answers in $ms ms (< 100), both cards still face up" \
    [ "$ms" -lt 100 -a "${cells:a:1}" != - -a "${cells:b:1}" != - ]
  probe route "$c" && key End
  expect "during the pair cue: a routing key, then End; both run afterwards, in order" \
    "field=(?=.{$a}-)(?=.{$b}-).{$c}[a-z].*" sel=15,15
  first=$c
}
key v
f=$(probe expect visible=Spiel | value field)
first="" before=$failures
for ((round = 0; round < 40 && failures == before; round++)); do
  [[ -n $f && $f != Spielschluss* ]] || break
  a=$first b="" first=""
  if [ -z "$a" ]; then
    for i in "${!known[@]}"; do for j in "${!known[@]}"; do
      [ "$i" -lt "$j" ] && [ "${known[$i]}" = "${known[$j]}" ] && a=$i b=$j
    done; done
    [ -n "$a" ] || a=$(unknown)
    turn "$a"
  fi
  field_is "(.{$a}[a-z].*|Spielschluss.*)"
  unset "known[$a]"
  for i in "${!known[@]}"; do [ "${known[$i]}" = "${f:a:1}" ] && b=$i; done
  [ -n "$b" ] || b=$(unknown)
  turn "$b"
  field_is "(.{$b}[a-z-].*|Spielschluss.*)"
  if [[ ${f:b:1} == "${f:a:1}" ]]; then
    unset "known[$b]"
    during_pair_cue "$a" "$b"
    field_is "(.{$b}-.*|Spielschluss.*)"
  elif [[ $f != Spielschluss* ]]; then
    known[$a]=${f:a:1} known[$b]=${f:b:1}
    turn "$a"
    field_is "(?=.{$a}\.).{$b}\..*"
  fi
done
check "the game ends with six points: $f" [ "$f" = "Spielschluss  f" ]
key space
expect "space after the end: the normal view, the focus on CmdNeu" "visible=$normal" focus=CmdNeu 'caption=Paarix.+'

echo "== the status line and spoken events, two players"
# What a screen reader hears: each live region change with its time (probe hear),
# against each key's time and the text it should say (the marks).
heard=$work/heard marks=$work/marks
: >"$marks"
listen() {
  probe hear >"$heard" &
  hearer=$!
  for _ in $(seq 100); do grep -q listening "$heard" && break; sleep 0.05; done
}
said() { grep -v '^listening' "$heard"; }
press() { t=$(date +%s%3N) && key "$@"; } # the last key of a step: its time
# says TEXT: the step's key says TEXT; waits (2 s at most) until it is heard.
says() {
  printf '%s %s\n' "$t" "$1" >>"$marks"
  for _ in $(seq 40); do [ "$(said | wc -l)" -ge "$(wc -l <"$marks")" ] && break; sleep 0.05; done
}
to_cell() {
  local keys=(Home) i
  for ((i = 0; i < $1; i++)); do keys+=(Right); done
  key "${keys[@]}"
}
status_is() { expect "$1" "status=${2//·/.}"; } # the middle dot as any character for the probe's regex
field_and_caret() { probe state | grep -E '^(field|sel)='; }
key shift+Tab shift+Tab Down Tab Tab Return
status="Spieler 1 ist dran · 0 : 0 · noch 6 Paare"
expect "a new game for two players, the focus in the field" focus=Spiel 'LstAnzahl=1:Zwei Spieler' 'field=\.{12}  --'
field_is '\.{12}  --'
status_is "the status line at the start" "$status"
listen
press i && says "$status"
if [ -z "$(said)" ]; then # the hook's first run has missed every event once under wine
  probe stop-hearing && wait "$hearer"
  : >"$marks" && listen
  press i && says "$status"
fi
before=$(field_and_caret)
press s && says "Ansagen an"
check "s changes neither the field nor the caret" [ "$(field_and_caret)" = "$before" ]
player=1 left=6 points=(0 0) pairs=0 misses=0 found="" before=$failures
known=()
for ((round = 0; round < 12 && (pairs == 0 || misses == 0) && failures == before; round++)); do
  a=$(unknown)
  [ -n "$a" ] || a=$(for i in "${!known[@]}"; do echo "$i"; done | head -1)
  to_cell "$a" && press space
  field_is ".{$a}[a-z].*" && says "${f:a:1}"
  if [ "$round" -eq 0 ]; then
    press space && says "${f:a:1} ist schon offen"
    to_cell 13 && press space && says "keine Karte"
  fi
  unset "known[$a]"
  b=""
  for i in "${!known[@]}"; do [ "${known[$i]}" = "${f:a:1}" ] && b=$i; done
  [ -n "$b" ] || b=$(unknown)
  to_cell "$b" && press space
  field_is ".{$b}[a-z-].*"
  if [ "${f:b:1}" = "${f:a:1}" ]; then
    unset "known[$b]"
    points[player - 1]=$((points[player - 1] + 1)) left=$((left - 1)) pairs=$((pairs + 1)) found=$a
    [ "${points[player - 1]}" -eq 1 ] && n="1 Paar" || n="${points[player - 1]} Paare"
    says "${f:b:1}: Paar! Spieler $player hat $n."
    field_is ".{$b}-.*"
    status_is "after a pair: player $player plays on, one pair more, one left less" \
      "Spieler $player ist dran · ${points[0]} : ${points[1]} · noch $left Paare"
  else
    known[$a]=${f:a:1} known[$b]=${f:b:1} misses=$((misses + 1)) player=$((3 - player))
    says "${f:b:1}: kein Paar."
    sleep 0.3 # the cue's end
    press space && says "Verdeckt. Spieler $player ist dran."
    field_is "(?=.{$a}\.).{$b}\..*"
    status_is "after the turn passes" "Spieler $player ist dran · ${points[0]} : ${points[1]} · noch $left Paare"
  fi
done
status="Spieler $player ist dran · ${points[0]} : ${points[1]} · noch $left Paare"
if [ -n "$found" ]; then to_cell "$found" && press space && says "schon gefunden"; fi
before=$(field_and_caret)
press i && says "$status"
check "i changes neither the field nor the caret" [ "$(field_and_caret)" = "$before" ]
key v
expect "the full-field view hides the status line" visible=Spiel status-shown=0
press i && says "$status"
key Escape
expect "back in the normal view, the status line shows" "visible=$normal" status-shown=1
press s && says "Ansagen aus"
press i && says "$status"
c=$(for ((i = 0; i < 12; i++)); do [ "${f:i:1}" = . ] && echo "$i" && break; done)
to_cell "$c" && key space
field_is ".{$c}[a-z].*"
sleep 1 # anything said would be heard by now
probe stop-hearing && wait "$hearer"
delays=$(said | while read -r at text; do
  read -r keyed expected <&3 && [ "$text" = "$expected" ] && echo $((at - keyed)) || echo "'$text' for '$expected'"
done 3<"$marks")
slowest=$(grep -E '^[0-9]+$' <<<"$delays" | sort -n | tail -1)
what="each event said as its key says, within 0.5 s (the slowest in $slowest ms); none after s switched them off"
if [ "$(said | wc -l)" -eq "$(wc -l <"$marks")" ] && [ -z "$(grep -vE '^[0-9]+$' <<<"$delays")" ] &&
  [ "${slowest:-0}" -le 500 ]; then
  pass "$what"
else
  fail "$what" "$(paste -d '|' "$marks" <(said))"
fi
key shift+Tab Up Tab Tab
expect "one player again, the focus on CmdNeu" 'LstAnzahl=0:Ein Spieler' focus=CmdNeu

echo "== every close saves once"
key shift+Tab shift+Tab Down Down shift+Tab Down
expect "the lists changed" 'LstBrl=1:40er.*' 'LstAnzahl=2:Drei Spieler' 'field=\.{12}  ---'
probe close
ended "the close box ends the program"
check "the close box saved 1,2,0" ini_is "$game/paarix.ini" 1,2,0
start "$game"
expect "the next start restores the lists" 'LstBrl=1:40er.*' 'LstAnzahl=2:Drei Spieler' 'field=\.{32}  ---' focus=CmdInfo
for close in "Tab Down alt+F4:2,2,0" "Tab Tab Up alt+e:2,1,0"; do
  read -ra keys <<<"${close%:*}"
  key "${keys[@]}"
  ended "${keys[-1]} ends the program"
  check "${keys[-1]} saved ${close#*:}" ini_is "$game/paarix.ini" "${close#*:}"
  start "$game"
done
key Tab Tab Up
probe endsession
check "the end of the session saves 2,0,0 at once" ini_is "$game/paarix.ini" 2,0,0
key Tab Tab Tab space
ended "space on CmdEnde ends the program"

echo "== settings beside an unusable place"
# The wineserver opens the files: one without root's capabilities honours the
# folder's permissions.
if [ "$(id -u)" -eq 0 ]; then
  wineserver -k && wineserver -w
  setpriv --inh-caps=-all --bounding-set=-all wineserver -p5 </dev/null &>/dev/null
fi
for case in readonly garbage directory; do
  dir=$work/$case
  mkdir "$dir" && cp "$game/paarix.exe" "$dir"
  case $case in
    readonly) chmod 555 "$dir" ;;
    garbage) printf 'Unsinn\0\377\n' >"$dir/paarix.ini" ;;
    directory) mkdir "$dir/paarix.ini" ;;
  esac
  (cd "$dir" && exec wine paarix.exe >/dev/null 2>&1 &)
  expect "$case: starts with the first list entries" shown=1 'LstBrl=0:.*' 'LstAnzahl=0:.*' 'field=\.{12}  -'
  probe close
  ended "$case: closes"
done
local_ini=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/paarix/paarix.ini' | head -1)
check "read-only folder: the settings go to %LOCALAPPDATA%\\paarix, none beside paarix.exe" \
  [ -n "$local_ini" -a ! -e "$work/readonly/paarix.ini" ]
check "garbage settings are replaced at the close" ini_is "$work/garbage/paarix.ini" 0,0,0

echo "== 144 dots per inch"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
start "$game"
pixels=$(probe state | value pixels)
expect "the status line at 144 dots per inch: below the controls, the window's width, at its bottom" \
  'status-place=0,663,(\d+),(\d+) in \1,\2'
probe close && probe wait-exit
check "the field and its font are 1.5 times as large (width, where its 12th cell starts): $pixels96 -> $pixels" \
  [ $((${pixels%,*} * 2)) -eq $((${pixels96%,*} * 3)) -a $((${pixels#*,} * 2 / 3 - ${pixels96#*,})) -le 1 ]

chmod -R u+w "$work" && rm -rf "$work"
echo "wine window tests: $failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# kelvora's window as a desktop runs it, driven from outside as a person would: a setting changed
# by a click, then the program ended by SIGTERM, SIGINT or SIGHUP, which must close the window
# the normal way and so save Setup.ini; then the commands (kelvora pause, skip...), the media
# controls (MPRIS) on a session bus of the test's own, a hotkey and the options dialog. Needs a display (scripts/test runs ctest
# under Xvfb).
#   program_qt_test.sh KELVORA
set -euo pipefail
if [[ -z ${KELVORA_TEST_BUS:-} ]]; then
  KELVORA_TEST_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
exe=$1
tmp=$(mktemp -d)
pid="" clock=""
# Whatever fails, nothing of the test's is left running (it would hold CTest's output open).
trap 'kill $pid $clock 2>/dev/null || true; rm -rf "$tmp"' EXIT
export KELVORA_LOCAL_APPDATA=$tmp/local KELVORA_APPDATA=$tmp/roaming KELVORA_PROGRAM_DIR=$tmp/program
export KELVORA_WAV_DIR=$tmp/wav XDG_CACHE_HOME=$tmp/cache
mkdir -p "$tmp/wav"
ini="$tmp/local/VORTANE PROJECT/KELVORA_Pro/Setup.ini"
for signal in TERM INT HUP; do
  rm -f "$ini"
  "$exe" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "^KELVORA Pro - Chat to Speech$" | head -n1)
  sleep 0.5
  # "Viewer" in the group "Chat File" (the group at 0,170; the button at 12,16 in it).
  xdotool mousemove --window "$window" 20 193 click 1
  sleep 0.5
  kill "-$signal" "$pid"
  code=0
  wait "$pid" || code=$?
  if [[ $code -ne 0 ]] || ! grep -q "^FileType=1" "$ini"; then
    echo "SIG$signal: exit code $code; Setup.ini:"
    cat "$ini" 2>/dev/null || echo "(none)"
    exit 1
  fi
  echo "SIG$signal: closed the normal way, Setup.ini saved"
done

# The running window takes the commands and shows the desktop's media controls what it does.
mpris() {  # property
  gdbus call --session --dest org.mpris.MediaPlayer2.kelvora --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"
}
status_becomes() {  # status
  for _ in $(seq 50); do
    mpris PlaybackStatus 2>/dev/null | grep -q "'$1'" && return 0
    sleep 0.1
  done
  echo "PlaybackStatus did not become $1: $(mpris PlaybackStatus 2>&1)"
  exit 1
}
"$exe" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "^KELVORA Pro - Chat to Speech$" | head -n1)
sleep 0.5
status_becomes Stopped
xdotool mousemove --window "$window" 38 82 click 1  # START
status_becomes Playing
"$exe" pause
status_becomes Paused
gdbus call --session --dest org.mpris.MediaPlayer2.kelvora --object-path /org/mpris/MediaPlayer2 \
  --method org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
status_becomes Playing
"$exe" skip
# The Pause hotkey, pressed while another window has the focus.
xclock &
clock=$!
timeout 20 xdotool search --sync --onlyvisible --name "^xclock$" windowfocus --sync
xdotool key ctrl+alt+shift+F10
status_becomes Paused
xdotool key ctrl+alt+shift+F10
status_becomes Playing
kill "$clock"
# The window's context menu opens the options; what is typed there is written to Setup.ini.
xdotool mousemove --window "$window" 300 40 click 3  # the white head of the window
sleep 0.5
xdotool key Down Return
options=$(timeout 10 xdotool search --sync --onlyvisible --name "^Options$" | head -n1)
xdotool windowfocus --sync "$options"
xdotool key ctrl+a type 7
xdotool key Return
for _ in $(seq 50); do
  grep -q "^MaxQueue=7" "$ini" 2>/dev/null && break
  sleep 0.1
done
grep -q "^MaxQueue=7" "$ini" || { echo "Options: MaxQueue not written"; cat "$ini"; exit 1; }
# The media controls' Raise brings the window in front of another program's (the stacking order,
# topmost first, as xwininfo lists the root's children).
xclock -geometry 600x500+0+0 &
clock=$!
timeout 20 xdotool search --sync --onlyvisible --name "^xclock$" >/dev/null
gdbus call --session --dest org.mpris.MediaPlayer2.kelvora --object-path /org/mpris/MediaPlayer2 \
  --method org.mpris.MediaPlayer2.Raise >/dev/null
topmost=""
for _ in $(seq 50); do
  topmost=$(xwininfo -root -children | grep -oE '"(xclock|KELVORA Pro - Chat to Speech)"' | head -n1)
  [[ $topmost == '"KELVORA Pro - Chat to Speech"' ]] && break
  sleep 0.1
done
kill "$clock"
[[ $topmost == '"KELVORA Pro - Chat to Speech"' ]] || { echo "Raise: topmost is $topmost"; exit 1; }
identity=$(gdbus call --session --dest org.mpris.MediaPlayer2.kelvora \
  --object-path /org/mpris/MediaPlayer2 --method org.freedesktop.DBus.Properties.Get \
  org.mpris.MediaPlayer2 Identity)
[[ $identity == *"KELVORA Pro"* ]] || { echo "Identity: $identity"; exit 1; }
kill -TERM "$pid"
wait "$pid" || true
# Without a window the command says so and nothing else, every time (a message of Qt's at the
# process's end came in about one run of eight).
for run in $(seq 40); do
  code=0
  message=$("$exe" skip 2>&1) || code=$?
  if [[ $code -ne 2 || $message != "KELVORA Pro is not running." ]]; then
    echo "kelvora skip without a window, run $run: exit $code, \"$message\""
    exit 1
  fi
done
echo "commands, media controls, hotkeys and options: taken by the running window; none running: exit 2"

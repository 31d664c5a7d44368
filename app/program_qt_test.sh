#!/usr/bin/env bash
# kelvora's window as a desktop runs it, driven from outside as a person would: a setting changed
# by a click, then the program ended by SIGTERM, SIGINT or SIGHUP, which must close the window
# the normal way and so save Setup.ini. Needs a display (scripts/test runs ctest under Xvfb).
#   program_qt_test.sh KELVORA
set -euo pipefail
exe=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
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

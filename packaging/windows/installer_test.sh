#!/usr/bin/env bash
# The installer's silent round trip under Wine: install into a folder of the test's, start the
# installed program, upgrade over itself (the user's side file and Setup.ini kept), uninstall
# (they are kept again), then install and uninstall asking for the user's files to go too.
# usage: installer_test.sh INSTALLER   (with WINEPREFIX set, as the Windows tests run)
set -euo pipefail
tmp=$(mktemp -d)
# Wine quotes an argument with blanks, which /D= does not take: a folder name without them.
dir="$tmp/kelvora"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KELVORA Pro'

fail() { echo "FAIL: $*" >&2; exit 1; }
win() { winepath -w "$1" 2>/dev/null; }
unix() { winepath -u "$1" 2>/dev/null; }
folder_of() { unix "$(wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r')"; }
# By its Windows path: Wine starts a file without the executable bit that way too.
installer=$(win "$(realpath "$1")")

local_data=$(folder_of LOCALAPPDATA)
settings="$local_data/VORTANE PROJECT/KELVORA_Pro/Setup.ini"
shortcut="$(folder_of APPDATA)/Microsoft/Windows/Start Menu/Programs/KELVORA Pro.lnk"
# The prefix is shared with the other Windows tests: a Setup.ini of its own is put back.
saved=""
if [[ -f $settings ]]; then saved="$tmp/Setup.ini.saved"; cp "$settings" "$saved"; fi
cleanup() {
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  rm -f "$shortcut"
  if [[ -n $saved ]]; then cp "$saved" "$settings"; else rm -f "$settings"; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# The uninstall entry names the folder installed into.
registered() {
  wine reg query "$key" /v InstallLocation 2>/dev/null | tr -d '\r' |
    grep -qiF "InstallLocation    REG_SZ    $(win "$dir")"
}
uninstall() {  # [OPTION]: the uninstaller copies itself away to delete its folder: wait for it
  wine "$dir/Uninstall.exe" /S "$@"
  wineserver -w
}

# Install.
wine "$installer" /S "/D=$(win "$dir")"
for file in kelvora.exe README.txt Uninstall.exe templates/Dictionary.txt templates/Voices.txt; do
  [[ -f $dir/$file ]] || fail "$file not installed"
done
[[ -f $shortcut ]] || fail "no Start menu entry"
registered || fail "no uninstall entry naming the folder"

# Start the installed program: it reads a chat line as the window would.
said=$(echo "[18:00]  Ann (ann.example): hello" | wine "$dir/kelvora.exe" preview - 2>&1 | tr -d '\r')
[[ $said == *"Ann : hello"* ]] || fail "the installed program said: $said"

# While the program runs, an upgrade gives up (status 2) and changes nothing.
touch -d '2020-01-01' "$dir/kelvora.exe"
wine "$dir/kelvora.exe" >/dev/null 2>&1 &
sleep 4
status=0
wine "$installer" /S || status=$?
wine taskkill /im kelvora.exe /f >/dev/null 2>&1 || true
wineserver -w
[[ $status -eq 2 ]] || fail "an upgrade while the program runs ended with status $status"
[[ $(stat -c %Y "$dir/kelvora.exe") -lt $(date -d 2020-01-02 +%s) ]] ||
  fail "an upgrade while the program runs replaced it"

# The user's own files, then an upgrade over the same install (found from its uninstall entry).
echo "# VORTANE PROJECT KELVORA Dictionary Format V 1.0" >"$dir/Dictionary.txt"
mkdir -p "$(dirname "$settings")"
printf '[Setup]\nInterval=7\n' >"$settings"
wine "$installer" /S
[[ $(stat -c %Y "$dir/kelvora.exe") -gt $(date -d 2020-01-02 +%s) ]] ||
  fail "the upgrade did not replace the program in its folder"
grep -q "Dictionary Format" "$dir/Dictionary.txt" || fail "the upgrade changed Dictionary.txt"
grep -q "Interval=7" "$settings" || fail "the upgrade changed Setup.ini"

# Uninstall: the program goes, the user's files stay.
uninstall
for file in kelvora.exe README.txt Uninstall.exe templates; do
  [[ ! -e $dir/$file ]] || fail "$file left after uninstalling"
done
[[ ! -f $shortcut ]] || fail "the Start menu entry is left"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left"
[[ -f $dir/Dictionary.txt ]] || fail "uninstalling removed the user's Dictionary.txt"
[[ -f $settings ]] || fail "uninstalling removed Setup.ini"

# Asked to, the uninstaller removes the user's files and the folder too.
wine "$installer" /S "/D=$(win "$dir")"
uninstall /REMOVEUSERDATA
[[ ! -e $dir ]] || fail "the folder is left: $(ls -A "$dir")"
[[ ! -f $settings ]] || fail "Setup.ini is left"
echo "installer round trip: passed"

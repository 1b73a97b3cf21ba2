#!/usr/bin/env bash
# The Windows programs under Wine and Xvfb, against the emulated unit on a pseudo-terminal:
# each panel started as Explorer starts it (no console window), its start-up poll, an edit,
# Save and Load Setup through the file dialogs, the unit pulled and plugged in again, Find the
# Unit, a cancelled and a confirmed end of the session, its close (settings.txt where the
# README says, the window's place in the registry), qmctl's help to a pipe, read and write
# (also through ser2net by RFC 2217), and the installer's silent install and uninstall. The run
# has a Wine prefix and a home folder of its own; COM1 is the unit and COM2 to COM16 lead to
# paths that do not exist, so no real port is opened.
#   tests/wine/run-wine-tests.sh [--screenshots <folder>] [--timing <file>]
# --screenshots saves a picture of each panel after its poll; --timing appends the start to
# first request of both panels under Wine and of the Linux QM-520A panel, run by turns.
# Needs build-windows/ (scripts/build-windows.sh), MinGW's C compiler and qm-unit-sim of a
# Linux build tree (QM_HOST_BUILD, default build/). The windows go to an Xvfb of the run's own,
# or to the X display QM_WINE_DISPLAY names. Wine's own output goes to wine.log in the work
# folder.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
win_build=${QM_WINDOWS_BUILD:-$root/build-windows}
host_build=${QM_HOST_BUILD:-$root/build}
sim=$host_build/tools/qm-unit-sim/qm-unit-sim
screenshots=
timing=
usage() { echo "usage: $0 [--screenshots <folder>] [--timing <file>]" >&2; exit 2; }
while (($#)); do
  (($# >= 2)) || usage
  case "$1" in
    --screenshots) screenshots=$(realpath "$2") ;;
    --timing) timing=$(realpath "$2") ;;
    *) usage ;;
  esac
  shift 2
done

deadline=90 # seconds for anything to happen; generous for a loaded machine
work=$(mktemp -d /tmp/qm-wine.XXXXXX)
# Wine links the user's Documents and Desktop to the home folder, and would add menu entries
# and icons there: the run has a home of its own, and no menu builder.
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
wine_log=$work/wine.log
unit_link=$work/unit-link
sim_pid=
xvfb_pid=
failures=0
checks=0

finish() {
  stop_unit
  wineserver -k 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  if ((failures == 0)); then rm -rf "$work"; else echo "Kept for a look: $work"; fi
}
trap finish EXIT

check() { # <what> <command...>: one condition, named
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "PASS  $what"
  else
    echo "FAIL  $what"
    failures=$((failures + 1))
  fi
}

within() { # <seconds> <command...>: true once the command is, false at the deadline
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS >= end)) && return 1
    sleep 0.05
  done
}

now_ms() { date +%s%3N; }

start_unit() { # <model> [option of the unit...]
  stop_unit
  "$sim" --model "$@" --link "$unit_link" >"$work/unit.log" 2>>"$work/unit.err" &
  sim_pid=$!
  within 30 test -L "$unit_link" || { echo "the emulated unit did not start" >&2; exit 1; }
}

stop_unit() {
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  sim_pid=
}

frames() { # <pattern>: how many frames of the unit's log match
  grep -c -P "\t$1" "$work/unit.log"
}
frames_at_least() { (($(frames "$1") >= $2)); }

# The twelve requests of a poll, channels 0 to 11, each parsed at the model's line speed
# (the unit takes a frame at another speed for noise, "unparsed").
twelve_requests() {
  [[ "$(grep -oP '\trequest ch=\K[0-9]+' "$work/unit.log" | sort -n | uniq | tr '\n' ' ')" == \
    "0 1 2 3 4 5 6 7 8 9 10 11 " ]] && ! grep -q unparsed "$work/unit.log"
}

window_of() { # <title>: the X window of the panel's main window
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# A user's registry as Wine keeps it, once the server has written it out.
registry_value() { # <file> <key> <name>
  KEY="[$2]" NAME="\"$3\"" awk '
    BEGIN { key = ENVIRON["KEY"]; name = ENVIRON["NAME"] }
    index($0, key) == 1 { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && index($0, name "=") == 1 { sub(/^[^=]*=/, ""); print; exit }' "$WINEPREFIX/$1"
}

settle_wine() { wineserver -w; }

# Xvfb takes a display number no other server holds and says which (-displayfd).
start_display() {
  if [[ -n "${QM_WINE_DISPLAY:-}" ]]; then
    export DISPLAY=$QM_WINE_DISPLAY
    return
  fi
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  within 30 grep -qs . "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
}

boot_prefix() {
  start_display
  within 30 xdpyinfo >/dev/null 2>&1 || { echo "no X server on $DISPLAY" >&2; exit 1; }
  wine wineboot -i >>"$wine_log" 2>&1
  # Wine maps COM ports anew each time its server starts; only the registry's map stays.
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    printf '"COM1"="%s"\n' "$unit_link"
    for n in $(seq 2 16); do printf '"COM%d"="%s/no-port-%d"\n' "$n" "$work" "$n"; done
    # Without a window manager Wine draws the windows' frames and title bars itself.
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
  } >"$work/ports.reg"
  wine regedit /S "$(winepath -w "$work/ports.reg")" >>"$wine_log" 2>&1
  wineserver -k
  wineserver -w
  wine cmd /c exit >>"$wine_log" 2>&1
}

ports_lead_only_to_the_unit() {
  [[ "$(readlink "$WINEPREFIX/dosdevices/com1")" == "$unit_link" ]] || return 1
  local n
  for n in $(seq 2 16); do
    [[ "$(readlink "$WINEPREFIX/dosdevices/com$n")" == "$work/no-port-$n" ]] || return 1
    [[ ! -e "$work/no-port-$n" ]] || return 1
  done
}

# The test's own Windows program: a GUI parent, and the session's end as Windows sends it.
build_helper() {
  helper=$work/wine-helper.exe
  x86_64-w64-mingw32-gcc-posix -O2 -mwindows -o "$helper" \
    "$root/tests/wine/wine-helper.c" -lshell32
}

# Starts a panel, waits for its poll, makes one edit with the keyboard (the arrow keys move the
# overlay, and the new position goes to the unit at once), and leaves it running; started
# "from Explorer", a GUI parent starts it. Sets panel_pid and panel_window.
run_panel() { # <exe> <model> <title> [from-explorer]
  local exe=$1 model=$2 title=$3 parent=()
  [[ "${4:-}" == from-explorer ]] && parent=("$helper" start)
  panel_title=$title
  start_unit "$model"
  (cd "$(dirname "$exe")" && exec wine "${parent[@]}" "$(basename "$exe")" >>"$wine_log" 2>&1) &
  panel_pid=$!
  check "$model: the start-up poll asks for the twelve channels at the line speed" \
    within "$deadline" twelve_requests
  panel_window=$(within "$deadline" window_of "$title" && window_of "$title")
  check "$model: the window \"$title\" is shown" test -n "$panel_window"
  [[ -n "$panel_window" ]] || return
  check "$model: an edit sends the channel's data frame" within "$deadline" move_overlay
  if [[ -n "$screenshots" ]]; then
    xdotool mousemove 0 0
    import -window "$panel_window" "$screenshots/$model-wine.png"
  fi
}

# A click on the title bar makes the window the active one, as it would for a user; the arrow
# key then moves the overlay. The window takes keys only once its poll is over, so the key is
# pressed again until the frame comes.
move_overlay() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  geometry_of "$panel_window" || return 1
  xdotool mousemove $((X + 100)) $((Y + 10)) click 1 sleep 0.2 key Right
  within 2 frames_at_least "data ch=0" 1
}

# A console program started from a GUI parent gets a console window, titled with its path.
console_window() { # <exe>
  xdotool search --onlyvisible --name "$(basename "$1" .exe)\\.exe" >/dev/null 2>&1
}

# Sets the caller's X, Y, WIDTH and HEIGHT; false when the window has gone.
geometry_of() { # <window>
  local shell
  shell=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) && [[ -n "$shell" ]] && eval "$shell"
}

# Without a window manager a click on the title bar gives a window the keyboard.
focus() { # <window>
  local X Y WIDTH HEIGHT SCREEN WINDOW
  geometry_of "$1" || return 1
  xdotool mousemove $((X + 60)) $((Y + 10)) click 1 sleep 0.2
}

press() { # <keys...>: to the panel's window, as the user types them
  focus "$panel_window" && xdotool key --delay 100 "$@"
}

dialog_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }

to_dialog() { # <title> <keys...>: false, so that within repeats it until its condition holds
  local window
  window=$(dialog_window "$1")
  shift
  [[ -n "$window" ]] && focus "$window" && xdotool key --delay 100 "$@"
  return 1
}

# A message box has the panel's title: Enter answers it with its default button.
extra_window() {
  xdotool search --onlyvisible --name "^$panel_title\$" 2>/dev/null | grep -vx "$panel_window" |
    head -n 1
}
answer_box() {
  local box
  box=$(extra_window)
  [[ -n "$box" ]] && focus "$box" && xdotool key Return
  return 1
}
no_box() { [[ -z "$(extra_window)" ]] || answer_box; }

# An edit the unit has not confirmed makes the panel offer to read it first: Enter, yes.
saved_by_enter() { [[ -s "$1" ]] || answer_box || to_dialog "Save Setup" Return; }
loaded_by_name() { # <file name> <frame pattern>
  frames_at_least "$2" 1 && return
  answer_box
  local window
  window=$(dialog_window "Load Setup")
  [[ -n "$window" ]] && focus "$window" &&
    xdotool key ctrl+a type --delay 30 "$1" && xdotool key Return
  return 1
}

# Save Setup with the name it suggests (Enter in the dialog), then Load Setup of that name
# changed on disk: both dialogs open in the user's Documents, and the changed channel goes out
# once the load is confirmed.
save_and_load_setup() { # <model>
  local saved
  saved="$WINEPREFIX/drive_c/users/$(id -un)/Documents/QM-${1^^}-setup.json"
  press ctrl+s
  check "$1: Save Setup with the suggested name writes it into Documents" \
    within "$deadline" saved_by_enter "$saved"
  [[ -s "$saved" ]] || return
  within "$deadline" no_box
  sed -i '0,/"Text1": "[^"]*"/s//"Text1": "FROM DOCUMENTS"/' "$saved"
  press ctrl+o
  check "$1: Load Setup of that name from Documents sends the changed text" \
    within "$deadline" loaded_by_name "$(basename "$saved")" 'text1 ch=0 "FROM DOCUMENTS"'
  within "$deadline" no_box
}

holds_open() { # <device>: some process has it open
  local fd
  for fd in /proc/[0-9]*/fd/*; do
    [[ "$(readlink "$fd" 2>/dev/null)" == "$1" ]] && return 0
  done
  return 1
}

# The adapter pulled: the panel lets go of the device; plugged in again, reading the unit
# again (F5) polls it, and an edit reaches it, without a restart.
pull_and_replug() { # <model>
  local device
  device=$(readlink "$unit_link")
  stop_unit
  check "$1: the pulled unit's device is let go" within "$deadline" not holds_open "$device"
  start_unit "$1"
  within "$deadline" no_box
  press F5
  check "$1: plugged in again, F5 polls the unit" within "$deadline" twelve_requests
  check "$1: plugged in again, an edit reaches the unit" within "$deadline" move_overlay
}

# Find the Unit, with the window at the screen's top left corner as a first start may place
# it: its progress comes first, with the same title; the results take its place.
find_the_unit() { # <model>
  local progress results
  press ctrl+f
  progress=$(within "$deadline" extra_window && extra_window)
  results=$(within "$deadline" other_extra_window "$progress" && other_extra_window "$progress")
  check "$1: Find the Unit shows its results" test -n "$results"
  [[ -n "$results" ]] || return
  focus "$results" && xdotool key Escape
  within "$deadline" test -z "$(extra_window)"
}
other_extra_window() { # <window>
  local window
  window=$(extra_window)
  [[ -n "$window" && "$window" != "$1" ]] && echo "$window"
}

end_session() { # <answer>: cancel or confirm; what the panel answered the question
  wine "$helper" end-session "$panel_title" "$1" 2>>"$wine_log" | tr -d '\r'
}

# Another program refuses the end of the session after the panel was asked: the panel keeps
# working. Once the end is confirmed the panel ends as its close ends it.
cancelled_then_confirmed_end() { # <model>
  check "$1: the panel lets the session end" test "$(end_session cancel)" = 1
  check "$1: a cancelled end of the session keeps the panel working" within "$deadline" move_overlay
  end_session confirm >/dev/null
  check "$1: the confirmed end of the session ends it" within "$deadline" ended "$panel_pid"
  settle_wine
}

# Drags the window by its title bar, as a user moves it, and notes where it went (in twips, 15
# to the pixel), for the check that closing keeps the place.
drag_window() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  geometry_of "$panel_window" || return 1
  xdotool mousemove $((X + 100)) $((Y + 10)) mousedown 1 sleep 0.3 \
    mousemove $((X + 180)) $((Y + 60)) sleep 0.3 mousemove $((X + 250)) $((Y + 110)) sleep 0.3 \
    mouseup 1
  geometry_of "$panel_window" || return 1
  moved_left=$((X * 15))
  moved_top=$((Y * 15))
}

ended() { ! kill -0 "$1" 2>/dev/null; }
not() { ! "$@"; }

close_panel() { # <exe>: as the window's close box does (WM_CLOSE)
  wine taskkill /im "$(basename "$1")" >>"$wine_log" 2>&1
  check "$(basename "$1"): the close ends the program" within "$deadline" ended "$panel_pid"
  settle_wine
}

settings_lines() { # <file>: the channels in a settings.txt
  [[ -f "$1" ]] && grep -c . "$1"
}

near() { # <twips> <twips>: within ten pixels
  local a=${1//\"/} b=${2//\"/}
  [[ "$a" =~ ^[0-9]+$ ]] && ((a - b <= 150 && b - a <= 150))
}

# Where the window was dragged to, in HKCU\Software\qm-control-panel\<application>\Settings.
keeps_window_place() { # <application>
  local key="Software\\\\qm-control-panel\\\\$1\\\\Settings"
  near "$(registry_value user.reg "$key" FormLeft)" "$moved_left" &&
    near "$(registry_value user.reg "$key" FormTop)" "$moved_top"
}

# The window's place for the panel's next start, in twips.
place_window() { # <application> <left> <top>
  local key="HKCU\\Software\\qm-control-panel\\$1\\Settings"
  wine reg add "$key" /v FormLeft /t REG_SZ /d "$2" /f >>"$wine_log" 2>&1
  wine reg add "$key" /v FormTop /t REG_SZ /d "$3" /f >>"$wine_log" 2>&1
}

test_portable_panels() {
  local folder=$work/portable
  mkdir -p "$folder"
  unzip -q "$win_build"/qm-control-panel-*-win64.zip -d "$folder"
  local programs
  programs=$(dirname "$(find "$folder" -name qm520a-panel.exe -print -quit)")
  check "the zip holds both panels, qmctl, Qt, the pointer files and the licences" \
    test -f "$programs/qm410a-panel.exe" -a -f "$programs/qmctl.exe" \
    -a -f "$programs/Qt6Widgets.dll" -a -f "$programs/platforms/qwindows.dll" \
    -a -f "$programs/CrossHair.cur" -a -f "$programs/licenses/Qt/LGPL-3.0-only.txt"

  run_panel "$programs/qm520a-panel.exe" 520a "QM-520A Control Panel" from-explorer
  check "520a started from a GUI parent: no console window" not console_window qm520a-panel.exe
  save_and_load_setup 520a
  pull_and_replug 520a
  drag_window
  close_panel "$programs/qm520a-panel.exe"
  check "520a from the zip: settings.txt beside the program, twelve channels" \
    test "$(settings_lines "$programs/settings.txt")" = 12
  check "520a: the window's new place in HKCU\\Software\\qm-control-panel\\VT-540A" \
    keeps_window_place VT-540A

  place_window QM-410A 0 0
  run_panel "$programs/qm410a-panel.exe" 410a "QM-410A Control Panel" from-explorer
  find_the_unit 410a
  drag_window
  cancelled_then_confirmed_end 410a
  check "410a: the window's new place in HKCU\\Software\\qm-control-panel\\QM-410A" \
    keeps_window_place QM-410A
}

# qmctl's help and version are read by scripts: to a pipe, with no console.
test_qmctl_help() {
  local qmctl
  qmctl=$(find "$work/portable" -name qmctl.exe -print -quit)
  check "qmctl --help to a pipe: the usage" \
    grep -q "^Usage: " <(timeout "$deadline" wine "$qmctl" --help 2>>"$wine_log" | cat)
  check "qmctl --version to a pipe: the name and version" \
    grep -qx 'qmctl [0-9][0-9.]*' <(timeout "$deadline" wine "$qmctl" --version 2>>"$wine_log" |
      tr -d '\r')
}

# qmctl backs up the unit on COM1, restores a changed copy, and a second backup is that copy.
# qmctl waits 300 ms for each answer, which at 4800 baud takes 220 ms of line time alone; under
# Wine on a loaded machine the rest did not always fit, so this unit answers at once.
test_qmctl() {
  local qmctl
  qmctl=$(find "$work/portable" -name qmctl.exe -print -quit)
  start_unit 520a --unpaced
  (cd "$work" && wine "$qmctl" read --model 520a --port COM1 -o backup.json >>"$wine_log" 2>&1)
  check "qmctl read: the setup of the unit on COM1" test "$?" = 0 -a -s "$work/backup.json"
  sed -e '0,/"Text1": "[^"]*"/s//"Text1": "UNDER WINE"/' \
    -e '0,/"HorizPos": [0-9]*/s//"HorizPos": 100/' "$work/backup.json" >"$work/changed.json"
  check "qmctl: the copy differs from the backup" not cmp -s "$work/backup.json" "$work/changed.json"
  (cd "$work" && wine "$qmctl" write --model 520a --port COM1 changed.json >>"$wine_log" 2>&1)
  check "qmctl write: the changed copy restored" test "$?" = 0
  check "qmctl write: the unit got the text" frames_at_least "text1 ch=0 \"UNDER WINE\"" 1
  (cd "$work" && wine "$qmctl" read --model 520a --port COM1 -o after.json >>"$wine_log" 2>&1)
  check "qmctl read after write: the same file as the copy" cmp -s "$work/changed.json" "$work/after.json"

  # Windows opens NUL, CON, COM1 and the like as devices in any folder.
  local frames_before
  frames_before=$(grep -c . "$work/unit.log")
  (cd "$work" && wine "$qmctl" write --model 520a --port COM1 nul.json >>"$wine_log" 2>&1)
  check "qmctl write of a device's name (nul.json): bad file, exit 2" test "$?" = 2
  check "qmctl write of a device's name: nothing sent" test "$(grep -c . "$work/unit.log")" = "$frames_before"
}

# qmctl.exe reads the unit through ser2net by RFC 2217 on 127.0.0.1, the server's device opened
# at the other model's speed, so that only the speed qmctl sets reads the unit.
test_qmctl_device_server() {
  local qmctl port
  qmctl=$(find "$work/portable" -name qmctl.exe -print -quit)
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  start_unit 520a --unpaced
  printf 'connection: &unit\n    accepter: telnet(rfc2217),tcp,127.0.0.1,%s\n    enable: on\n    connector: serialdev,%s,9600n81,local\n' \
    "$port" "$unit_link" >"$work/ser2net.yaml"
  ser2net -n -c "$work/ser2net.yaml" >>"$work/ser2net.log" 2>&1 &
  local server_pid=$!
  within 30 listening "$port"
  (cd "$work" && wine "$qmctl" read --model 520a --port "rfc2217://127.0.0.1:$port" \
    -o network.json >>"$wine_log" 2>&1)
  check "qmctl read through ser2net by RFC 2217: complete" test "$?" = 0
  check "qmctl read through ser2net: twelve channels" test "$(grep -c '"channel"' "$work/network.json")" = 12
  check "qmctl read through ser2net: the unit heard its own speed" not grep -q unparsed "$work/unit.log"
  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
}
listening() { grep -q "0100007F:$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp; }

installed() { [[ -d "$WINEPREFIX/drive_c/Program Files/QM Control Panels" ]]; }
menu_entries() {
  local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QM Control Panels"
  [[ -f "$menu/QM-410A Control Panel.lnk" && -f "$menu/QM-520A Control Panel.lnk" ]]
}
uninstall_key() { grep -q 'Uninstall\\\\QM Control Panels' "$WINEPREFIX/system.reg"; }
vendor_key() { grep -qF '[Software\\The QM control panel developers' "$WINEPREFIX/system.reg"; }

# Installed, the QM-520A writes settings.txt into the user's AppData; the end of the Windows
# session closes it as its close box does.
test_installer() {
  local installer
  installer=$(ls "$win_build"/qm-control-panel-*-win64.exe)
  wine "$installer" /S >>"$wine_log" 2>&1
  settle_wine
  check "the installer puts the programs under Program Files" installed
  check "the installer makes both Start-menu entries" menu_entries
  check "the installer registers its uninstaller" uninstall_key
  check "the installer keeps its folder under the vendor's key" vendor_key

  local folder="$WINEPREFIX/drive_c/Program Files/QM Control Panels"
  local data
  data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/qm-control-panel/VT-540A/settings.txt"
  rm -f "$data"
  run_panel "$folder/qm520a-panel.exe" 520a "QM-520A Control Panel"
  wine wineboot --end-session >>"$wine_log" 2>&1
  check "installed 520a: the end of the session ends it" within "$deadline" ended "$panel_pid"
  wait "$panel_pid" 2>/dev/null # Wine ends it after the session's last message
  settle_wine
  check "installed 520a: settings.txt in AppData\\Roaming\\qm-control-panel\\VT-540A" \
    test "$(settings_lines "$data")" = 12
  check "installed 520a: nothing written beside the program" test ! -e "$folder/settings.txt"

  wine "C:\\Program Files\\QM Control Panels\\Uninstall.exe" /S \
    "_?=C:\\Program Files\\QM Control Panels" >>"$wine_log" 2>&1
  settle_wine
  check "the uninstaller removes the programs" not installed
  check "the uninstaller removes the Start-menu entries" not menu_entries
  check "the uninstaller removes its registry key" not uninstall_key
  check "the uninstaller leaves no vendor's key" not vendor_key
}

# Start to first request, Windows under Wine (server running) and Linux, by turns.
first_request_ms() { # <command...>
  local started
  start_unit 520a
  started=$(now_ms)
  "$@" >>"$wine_log" 2>&1 &
  local pid=$!
  local end=$((SECONDS + deadline))
  until frames_at_least "request ch=0" 1 || ((SECONDS >= end)); do sleep 0.01; done
  local elapsed=$(($(now_ms) - started))
  kill "$pid" 2>/dev/null
  wine taskkill /f /im qm520a-panel.exe >>"$wine_log" 2>&1
  wait "$pid" 2>/dev/null
  stop_unit # this runs in a subshell, whose unit the caller does not know
  echo "$elapsed"
}

measure_first_request() {
  local config=$work/linux-config exe
  exe=$(find "$work/portable" -name qm520a-panel.exe -print -quit)
  mkdir -p "$config/qm-control-panel"
  {
    printf '[Ports]\nCOM1=%s\n' "$unit_link"
    for n in $(seq 2 16); do printf 'COM%d=%s/no-port-%d\n' "$n" "$work" "$n"; done
  } >"$config/qm-control-panel/VT-540A.ini"
  local wine_ms=() linux_ms=() run
  wine cmd /c exit >>"$wine_log" 2>&1 # the server stays up between runs
  for run in 1 2 3; do
    wine_ms+=("$(first_request_ms wine "$exe")")
    linux_ms+=("$(XDG_CONFIG_HOME=$config first_request_ms "$host_build/apps/qm520a-panel")")
  done
  printf '%s  Windows QM-520A under Wine: %s ms; Linux QM-520A: %s ms (start to first request)\n' \
    "$(date -u +%FT%TZ)" "${wine_ms[*]}" "${linux_ms[*]}" | tee -a "$timing"
}

echo "Wine prefix and logs: $work"
boot_prefix
check "COM1 leads to the unit, COM2 to COM16 to paths that do not exist" ports_lead_only_to_the_unit
if ((failures > 0)); then
  echo "The ports are not as the test needs them; nothing was run." >&2
  exit 1
fi
build_helper
test_portable_panels
test_qmctl_help
test_qmctl
test_qmctl_device_server
test_installer
[[ -n "$timing" ]] && measure_first_request
echo "Wine tests: $((checks - failures)) of $checks checks passed"
((failures == 0))

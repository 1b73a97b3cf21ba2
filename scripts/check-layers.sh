#!/usr/bin/env bash
# Checks the layer rule: every project include names its folder from the top of the tree, and a
# folder includes only the folders below it in the table (tests, benchmarks and tools may use
# any); a folder of sources the table does not name fails until it is given its place. The
# core (model, protocol, link) and the preferences and process folders stay free of widgets.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A may_use=(
  [model]=""
  [process]=""
  [protocol]="model process"
  [link]="model process protocol"
  [form]="model"
  [position]="model form"
  [multiupdate]="model protocol form"
  [preferences]="model process"
  [panel/window]="model form position"
  [panel/editor]="model protocol form position preferences panel/window"
  [panel/ports]="model protocol link preferences panel/window"
  [panel/transfer]="model protocol link panel/window panel/editor"
  [panel/session]="model protocol link position multiupdate preferences panel/window panel/editor panel/ports panel/transfer"
  [apps]="model process form preferences panel/window panel/session"
  [apps/qm410a]="apps"
  [apps/qm520a]="apps"
)
# May use any folder, as may every folder below them.
free_folders="tests bench tools"
widget_free=(model protocol link preferences process)
headers=$(git ls-files '*.h')
status=0
complain() {
  echo "$1" >&2
  status=1
}

while IFS= read -r folder; do
  [[ -v may_use[$folder] || " $free_folders " == *" ${folder%%/*} "* ]] ||
    complain "$folder: not in the layer table; name the folders it may use"
done < <(git ls-files '*.cpp' '*.h' | sed 's|/[^/]*$||; t; s|.*|.|' | sort -u)

while IFS= read -r file; do
  folder=$(dirname "$file")
  while IFS= read -r included; do
    [[ -z "$included" ]] && continue
    if [[ "$included" != */* ]]; then
      if grep -qx "[^ ]*/$included" <<<"$headers"; then
        complain "$file: include \"$included\" with its folder"
      fi
      continue
    fi
    target=$(dirname "$included")
    [[ "$target" == "$folder" ]] && continue
    [[ -v may_use[$folder] ]] || continue # a free folder, or one named above
    if [[ " ${may_use[$folder]} " != *" $target "* ]]; then
      complain "$file: $folder may not use $target (\"$included\")"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.cpp' '*.h')

widgets='<(QtWidgets/.*|QWidget|QApplication|QDialog|QLabel|QComboBox|QPushButton|QMessageBox|QAbstractButton)>'
if git grep -n -E "#[[:space:]]*include[[:space:]]*$widgets" -- "${widget_free[@]}" >&2; then
  complain "a folder that stays free of widgets (${widget_free[*]}) includes them"
fi

((status == 0)) && echo "Layers: every include names its folder and keeps to the layer rule."
exit $status

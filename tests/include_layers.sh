#!/usr/bin/env bash
# Every include under src/ runs down the stages, never up, and no two
# headers include each other, however far round.
set -euo pipefail
cd "$(dirname "$0")/../src"

# From the top down; a file may include its own stage and those below it.
layers=(top cli conversion layouts sql archive sources values rows facts io)
rank() {
  local stage=$1 i
  case $stage in main.cpp | command_line.*) stage=top ;; conversion.*) stage=conversion ;; esac
  for i in "${!layers[@]}"; do [[ ${layers[$i]} == "$stage" ]] && { echo "$i"; return; }; done
  echo "include_layers: $stage is in no stage" >&2
  return 1
}

status=0
while IFS=: read -r file included; do
  from=$(rank "${file%%/*}") to=$(rank "${included%%/*}")
  if ((to < from)); then
    echo "include_layers: $file includes $included, a stage above it" >&2
    status=1
  fi
done < <(grep -rHo '^#include "[^"]*"' --include='*.h' --include='*.cpp' . | sed 's|^\./||; s|:#include "|:|; s|"$||')

# Header cycles: tsort fails on a graph that has one.
grep -rHo '^#include "[^"]*\.h"' --include='*.h' . | sed 's|^\./||; s|:#include "| |; s|"$||' \
  | tsort >/dev/null 2>/tmp/include_layers.$$ || { cat /tmp/include_layers.$$ >&2; status=1; }
rm -f /tmp/include_layers.$$
((status == 0)) && echo "include_layers: every include runs down the stages"
exit "$status"

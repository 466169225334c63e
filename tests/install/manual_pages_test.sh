#!/usr/bin/env bash
# Each manual page reads without a warning of groff (lintian reads pages the
# same way) and names every option that its program's --help lists.
# Usage: manual_pages_test.sh PAGE PROGRAM [PAGE PROGRAM]...
set -euo pipefail
failed=0
while [ $# -ge 2 ]; do
  page=$1 program=$2
  shift 2
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
  if [ -n "$warnings" ]; then
    echo "$page: groff warns: $warnings" >&2
    failed=1
  fi
  # An option is written \-x or \-\-name in troff; it must not run on into a
  # longer option ("\-\-help" inside "\-\-help\-all" does not count).
  options=$("$program" --help | grep -oE '^ +(-[a-zA-Z], )?--[a-z-]+' | grep -oE -- '-{1,2}[a-zA-Z-]+')
  for option in $options; do
    pattern=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
    if ! grep -qE -- "${pattern}([^a-zA-Z\\\\]|$)" "$page"; then
      echo "$page: no $option, which $(basename "$program") --help lists" >&2
      failed=1
    fi
  done
done
[ "$failed" -eq 0 ] && echo "manual pages: no groff warning, every option of --help"
exit "$failed"

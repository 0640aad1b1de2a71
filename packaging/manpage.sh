#!/usr/bin/env bash
# Writes a compressed manual page from a command's own --help, so that the two never differ.
# Usage: manpage.sh PROGRAM NAME SUMMARY VERSION OUT.1.gz
# PROGRAM is run under NAME (the name it is installed by, which its help text shows).
set -euo pipefail
program=$1 name=$2 summary=$3 version=$4 out=$5
help=$(exec -a "$name" "$program" --help)
upper=$(printf '%s' "$name" | tr '[:lower:]' '[:upper:]')
{
  printf '.TH %s 1 "" "Корвель %s" "Корвель"\n' "$upper" "$version"
  printf '.SH ИМЯ\n%s \\- %s\n' "$name" "$summary"
  printf '.SH ОПИСАНИЕ\n.nf\n'
  # Backslashes, leading dots and quotes are text, not requests; hyphens stay hyphens.
  printf '%s\n' "$help" | sed -e 's/\\/\\e/g' -e 's/^\([.'"'"']\)/\\\&\1/' -e 's/-/\\-/g'
  printf '.fi\n'
} | gzip -9n >"$out"

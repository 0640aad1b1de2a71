#!/usr/bin/env bash
# The Windows tools under Wine compute what the Linux tools compute, over one generated herd:
# generate-herd.exe lays out the same tables as generate-herd, recompute-bulls.exe leaves BIK
# byte-identical to recompute-bulls (and changed), and evaluate-sires.exe writes the same figures
# and a workbook equal part for part (the moment of writing in docProps/core.xml aside).
# Usage: tools_match_linux.sh WINE_RUN WINDOWS_BUILD LINUX_BUILD. Exits 77 (skipped) when the
# Linux build has no tools, unless CI is set (CI builds both).
set -u
wine=$(realpath "$1") win=$(realpath "$2") linux=$(realpath "$3")/tools
fail() { echo "$*"; exit 1; }
if [ ! -x "$linux/recompute-bulls" ] || [ ! -x "$linux/evaluate-sires" ] || [ ! -x "$linux/generate-herd" ]; then
  [ -n "${CI:-}" ] && fail "no Linux tools in $linux (./build.sh builds them)"
  echo "no Linux tools in $linux"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
herd=(--cows 3000 --bulls 120 --regions 3 --farms-per-region 4 --breeds 2 --seed 5)

"$linux/generate-herd" linux "${herd[@]}" >/dev/null || fail "generate-herd failed"
"$wine" "$win/tools/generate-herd.exe" windows "${herd[@]}" >/dev/null || fail "generate-herd.exe failed"
diff -r linux windows >/dev/null || fail "generate-herd.exe laid out other tables: $(diff -rq linux windows | head -n 5)"
cp linux/BIK.DBF generated-BIK.DBF

"$linux/recompute-bulls" linux >/dev/null || fail "recompute-bulls failed"
"$wine" "$win/tools/recompute-bulls.exe" windows >/dev/null || fail "recompute-bulls.exe failed"
cmp -s linux/BIK.DBF generated-BIK.DBF && fail "recompute-bulls left BIK as generated: nothing was compared"
cmp linux/BIK.DBF windows/BIK.DBF || fail "BIK after recompute-bulls.exe differs from BIK after recompute-bulls"

for breed in 1 2; do
  for base in all region-no-archives:2; do
    "$linux/evaluate-sires" linux "linux-$breed.xlsx" --breed $breed --base $base --figures "linux-$breed.csv" >/dev/null ||
      fail "evaluate-sires failed (breed $breed, base $base)"
    "$wine" "$win/tools/evaluate-sires.exe" linux "windows-$breed.xlsx" --breed $breed --base $base \
      --figures "windows-$breed.csv" >/dev/null || fail "evaluate-sires.exe failed (breed $breed, base $base)"
    cmp "linux-$breed.csv" "windows-$breed.csv" || fail "the figures differ (breed $breed, base $base)"
    python3 - "linux-$breed.xlsx" "windows-$breed.xlsx" <<'PY' || fail "the workbooks differ (breed $breed, base $base)"
import re, sys, zipfile
def parts(path):
    z = zipfile.ZipFile(path)
    p = {n: z.read(n) for n in z.namelist()}
    p["docProps/core.xml"] = re.sub(rb"<dcterms:created[^<]*</dcterms:created>", b"", p["docProps/core.xml"])
    return p
a, b = parts(sys.argv[1]), parts(sys.argv[2])
if list(a) != list(b): sys.exit("parts: %s against %s" % (sorted(a), sorted(b)))
differ = [n for n in a if a[n] != b[n]]
if differ: sys.exit("parts that differ: %s" % differ)
print("%d parts alike" % len(a))
PY
  done
done
echo "generate-herd.exe, recompute-bulls.exe and evaluate-sires.exe under Wine: the same as on Linux"

#!/usr/bin/env bash
# compare_evaluation_runs.sh BEFORE_TOOLS AFTER_TOOLS [GENERATE_HERD]
# Runs two builds' evaluate-sires and recompute-bulls (folders holding the two tools) over the
# same generated 10,000-cow herds (two seeds, the default shape and the herd book shape), every
# breed and four comparison bases, and compares their output byte for byte: every part of the
# workbook (the moment of writing in docProps/core.xml left out), the figures in full precision
# (--figures) and BIK after recompute-bulls. Prints one line per run; exits 1 when any differs.
# Used to check that a change to the scan or the writer leaves every figure and cell as it was.
set -euo pipefail
before=$1 after=$2 gen=${3:-$2/generate-herd}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
for shape in default herdbook; do
  for seed in 1 7; do
    h=$work/h-$shape-$seed; mkdir -p $h
    extra=""; [ $shape = herdbook ] && extra="--herd-book-codes --narrow-fields"
    $gen $h --cows 10000 --bulls 400 --regions 4 --farms-per-region 5 --breeds 3 --seed $seed $extra >/dev/null
    for breed in 1 2 3; do
      for base in all no-archives region:2 region-no-archives:3; do
        for who in before after; do
          bin=$before; [ $who = after ] && bin=$after
          rm -rf $work/$who; mkdir -p $work/$who/x
          $bin/evaluate-sires $h $work/$who/p.xlsx --breed $breed --base $base --figures $work/$who/f.csv >/dev/null 2>$work/$who/err || echo "exit $? ($who $shape $seed $breed $base): $(cat $work/$who/err)"
          [ -f $work/$who/p.xlsx ] && (cd $work/$who/x && unzip -q ../p.xlsx)
          # the moment of writing is the one part that differs between two runs
          sed -i 's/<dcterms:created[^<]*<\/dcterms:created>//' $work/$who/x/docProps/core.xml
        done
        n=$(ls $work/after/x/xl/worksheets 2>/dev/null | wc -l)
        if diff -r $work/before/x $work/after/x >/dev/null && cmp -s $work/before/f.csv $work/after/f.csv; then
          echo "same: $shape seed $seed breed $breed base $base ($n sheets, $(wc -l < $work/after/f.csv) figure rows)"
        else echo "DIFFER: $shape seed $seed breed $breed base $base"; fail=1; fi
      done
    done
    for who in before after; do
      bin=$before; [ $who = after ] && bin=$after
      rm -rf $work/b-$who; cp -r $h $work/b-$who
      $bin/recompute-bulls $work/b-$who >/dev/null 2>&1 || echo "recompute-bulls $who exit $?"
    done
    if cmp -s $work/b-before/BIK.DBF $work/b-after/BIK.DBF && ! cmp -s $h/BIK.DBF $work/b-after/BIK.DBF; then echo "same BIK after recompute-bulls: $shape seed $seed"
    else echo "BIK DIFFER or unchanged: $shape seed $seed"; fail=1; fi
  done
done
exit $fail

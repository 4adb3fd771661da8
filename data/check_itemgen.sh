#!/usr/bin/env bash
# The committed items are exactly what the generator makes: runs it into a
# fresh folder and compares every file it writes with data/.
#   check_itemgen.sh ITEMGEN DATA_DIR WORK_DIR
set -euo pipefail
itemgen=$1 data=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
"$itemgen" -o "$work/out"
diff -r "$work/out/pictures" "$data/pictures"
for f in ru/test.json en/test.json ru/all-right.scn ru/mixed.scn ru/esc-early.scn; do
  cmp "$work/out/$f" "$data/$f"
done
# and the generator made nothing the comparison above missed
[ "$(cd "$work/out" && find . -type f | sort | grep -vc '^./pictures/')" = 5 ]
echo "itemgen output matches the committed files"

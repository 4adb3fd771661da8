# Sourced by the fuzz scripts: the target list (tests/fuzz/targets.txt).
#   fuzz_targets              every target's name, one a line
#   fuzz_target NAME          sets fuzz_exe (relative to the build directory)
#                             and fuzz_max_len; fails for an unknown name
fuzz_target_list=tests/fuzz/targets.txt

fuzz_targets() { awk '!/^#/ && NF == 3 { print $1 }' "$fuzz_target_list"; }

fuzz_target()
{
  local line
  line=$(awk -v n="$1" '!/^#/ && $1 == n { print $2, $3 }' "$fuzz_target_list")
  [ -n "$line" ] || { echo "fuzz: no target '$1' in $fuzz_target_list" >&2; return 1; }
  read -r fuzz_exe fuzz_max_len <<<"$line"
}

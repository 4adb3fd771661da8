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

# The sanitizers' settings of every fuzz run (CI's, a campaign's, a speed
# measure's): a refused allocation gives null, leaks and any undefined
# behaviour stop the run. Freed blocks wait 16 MB, not the default 256 MB,
# before they are reused: a run frees a few megabytes at most, so a block
# used after its free is still caught, and the runs stay in warm memory
# (with 256 MB the slow targets spent a third of their time in page
# faults); and freed memory stays mapped rather than handed back to the
# system and faulted in again.
fuzz_asan_options=detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=16:allocator_release_to_os_interval_ms=-1
fuzz_ubsan_options=print_stacktrace=1:halt_on_error=1

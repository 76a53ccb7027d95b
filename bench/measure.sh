# Sourced by the reference scripts of bench/: runs a program REPEATS times ($reps) and keeps, per
# name, the best wall time, the best processor time (user + system) and the highest peak memory,
# with the program's last output line. On a shared, busy machine the wall time mostly measures the
# other load; the processor time shows the work each program does.
#
#   measure NAME CMD...     then ${best[NAME]} ${cpu[NAME]} ${mem[NAME]} (KB) ${note[NAME]}
declare -A best cpu mem note
measure() {
  local name=$1
  shift
  local i t u s m out c
  for ((i = 0; i < reps; i++)); do
    out=$(/usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" 2>&1 | tail -1)
    read -r t u s m <"$work/time.txt"
    c=$(awk "BEGIN{print $u + $s}")
    if [ -z "${best[$name]:-}" ] || awk "BEGIN{exit !($t < ${best[$name]})}"; then best[$name]=$t; fi
    if [ -z "${cpu[$name]:-}" ] || awk "BEGIN{exit !($c < ${cpu[$name]})}"; then cpu[$name]=$c; fi
    if [ -z "${mem[$name]:-}" ] || [ "$m" -gt "${mem[$name]}" ]; then mem[$name]=$m; fi
    note[$name]=$out
  done
}

# Configures $build (RelWithDebInfo) when it is not configured yet, then builds the targets given.
build_targets() {
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" --target "$@" -j1 >/dev/null
}

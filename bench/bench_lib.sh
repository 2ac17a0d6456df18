# Timing helpers shared by the benchmark scripts. Each contender runs three
# times with its output discarded; the best run counts, so that a stray load on
# the machine does not decide a ratio.

time_of() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
    if [ -z "$best" ] || awk "BEGIN {exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

peak_kib() {
  local out
  out=$(mktemp)
  /usr/bin/time -f %M -o "$out" "$@" >/dev/null 2>&1
  cat "$out"
  rm -f "$out"
}

# report LABEL SECONDS BASELINE_SECONDS
report() {
  awk -v l="$1" -v t="$2" -v b="$3" 'BEGIN {printf "%-40s %8.3f s  %6.2fx baseline\n", l, t, (b > 0 ? t / b : 0)}'
}

# ratio LABEL A B: prints A / B
ratio() {
  awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-40s %8.2f\n", l, (b > 0 ? a / b : 0)}'
}

#!/usr/bin/env bash
# Runs the libFuzzer harnesses built from tests/fuzz/fuzz_<target>.cpp (QMR_FUZZ=ON).
#
#   run.sh replay FUZZER...              runs every input of corpus/<target>/ and
#                                        regressions/<target>/ once; fails on any fault
#   run.sh fuzz SECONDS JOBS FUZZER...   fuzzes each harness for SECONDS, JOBS at a time,
#                                        starting from its corpus and regressions; new
#                                        inputs and crash files go to $QMR_FUZZ_OUT
#                                        (default: a fuzz-out directory beside the fuzzers)
#
# The fuzz step takes about ceil(harnesses / JOBS) * SECONDS.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

target_of() { local b; b=$(basename "$1"); echo "${b#fuzz_}"; }

# The seed and regression inputs of a target, one per line.
inputs_of() {
  local t=$1 d
  for d in "$here/corpus/$t" "$here/regressions/$t"; do
    [[ -d $d ]] && find "$d" -type f ! -name '.*' | sort
  done
  return 0
}

replay() {
  local fuzzer=$1 t files
  t=$(target_of "$fuzzer")
  mapfile -t files < <(inputs_of "$t")
  if ((${#files[@]} == 0)); then
    echo "fuzz_$t: no seed inputs in tests/fuzz/corpus/$t/" >&2
    return 1
  fi
  local log
  log=$(mktemp)
  if "$fuzzer" -rss_limit_mb=4096 "${files[@]}" >"$log" 2>&1; then
    echo "fuzz_$t: replayed ${#files[@]} inputs"
    rm -f "$log"
  else
    tail -n 40 "$log" >&2
    rm -f "$log"
    echo "fuzz_$t: FAILED on a replayed input" >&2
    return 1
  fi
}

fuzz_one() {
  local fuzzer=$1 seconds=$2 out=$3 t
  t=$(target_of "$fuzzer")
  mkdir -p "$out/$t/new" "$out/$t/seeds"
  # A scratch corpus seeded from the tree: the tree is never written to.
  local f
  while IFS= read -r f; do cp "$f" "$out/$t/seeds/"; done < <(inputs_of "$t")
  if "$fuzzer" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$out/$t/" "$out/$t/new" "$out/$t/seeds" >"$out/$t/log" 2>&1; then
    echo "fuzz_$t: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/$t/log" | grep -o '[0-9]*$') runs in ${seconds} s, no fault"
  else
    tail -n 40 "$out/$t/log" >&2
    echo "fuzz_$t: FAULT; input kept in $out/$t/ (add it to tests/fuzz/regressions/$t/)" >&2
    return 1
  fi
}

mode=${1:-}
shift || true
case $mode in
  replay)
    status=0
    for fz in "$@"; do replay "$fz" || status=1; done
    exit $status ;;
  fuzz)
    seconds=$1 jobs=$2
    shift 2
    out=${QMR_FUZZ_OUT:-$(dirname "$1")/fuzz-out}
    export -f fuzz_one target_of inputs_of
    export here
    printf '%s\n' "$@" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1" "$2" "$3"' _ {} "$seconds" "$out" ;;
  *)
    sed -n '2,13p' "$0" >&2
    exit 2 ;;
esac

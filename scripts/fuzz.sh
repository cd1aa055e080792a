#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz, clang) and runs each for SECONDS (default 60), one at a time.
# Each target starts from its corpus in the repository and grows a working corpus under build/fuzz/corpus;
# findings (crash-*, leak-*, timeout-*, oom-*) are written to build/fuzz/findings.
#   scripts/fuzz.sh [SECONDS]            every target
#   scripts/fuzz.sh SECONDS TARGET...    the named targets
#   FUZZ_REPLAY=1 scripts/fuzz.sh        only replay each target's corpus once (the regression pass)
#   FUZZ_RUNS=N scripts/fuzz.sh [0 TARGET...]   run each target N times instead (SECONDS 0: no time limit)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

cmake --preset fuzz >/dev/null
# Quiet unless the build fails, and then with what failed.
if ! build_log=$(cmake --build build/fuzz -j"$(nproc)" 2>&1); then
    printf '%s\n' "$build_log" >&2
    exit 1
fi

# A small quarantine and no fill of new blocks: use-after-free within an input is still found, and the
# fuzzer does not spend its time on fresh pages. Allocation stacks are kept two frames deep: unwinding
# thirty frames on every allocation and release took half of a whole run's time. To see whole stacks in
# a report, replay its input with ASAN_OPTIONS=malloc_context_size=30.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0:detect_leaks=1:malloc_context_size=2}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

dictionary() {
    case "$1" in
    icc_tag_fuzz) echo fuzz/dict/icc.dict ;;
    profile_strings_fuzz) echo fuzz/dict/ini.dict ;;
    machine_description_fuzz | whole_run_fuzz) echo fuzz/dict/json.dict ;;
    esac
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

mkdir -p build/fuzz/findings
for target in "${targets[@]}"; do
    binary=build/fuzz/fuzz/$target
    options=(-timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 -artifact_prefix=build/fuzz/findings/"$target"-)
    dict=$(dictionary "$target")
    [ -z "$dict" ] || options+=(-dict="$dict")
    # A profile-string file of 1 KB holds dozens of sections and keys, every form the reader knows, and
    # is read and edited in a third of the time of libFuzzer's 4 KB.
    [ "$target" != profile_strings_fuzz ] || options+=(-max_len=1024)
    if [ "${FUZZ_REPLAY:-0}" = 1 ]; then
        echo "=== $target: corpus replay"
        "$binary" "${options[@]}" fuzz/corpus/"$target"/* 2>&1 | tail -1
    else
        echo "=== $target: $seconds s${FUZZ_RUNS:+ or $FUZZ_RUNS runs}"
        mkdir -p build/fuzz/corpus/"$target"
        limit=(-max_total_time="$seconds")
        [ -z "${FUZZ_RUNS:-}" ] || limit+=(-runs="$FUZZ_RUNS")
        "$binary" "${options[@]}" "${limit[@]}" -print_final_stats=1 \
            build/fuzz/corpus/"$target" fuzz/corpus/"$target" 2>&1 |
            grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|ERROR|SUMMARY'
    fi
done

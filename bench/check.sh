#!/usr/bin/env bash
# The package check on a folder of profiles (default 10,000: factory profiles and their variants),
# against `cat` of the same files to /dev/null, side by side. Uses the optimised build (preset
# sim-release). Prints both times, wall-clock and processor, and the ratio of the best wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-10000}
cmake --preset sim-release >/dev/null
cmake --build build/sim-release --target tintfold-check make_profiles -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/timing.sh
package="$work/package"
mkdir -p "$package"
panels=()
for i in $(seq 1 $((count / 2))); do
    panels+=(--panel "$(printf 'BE%06X' "$i")")
done
build/sim-release/make_profiles --folder "$package" "${panels[@]}" >/dev/null
echo "profiles: $(find "$package" -name '*.icm' | wc -l) files, $(du -sh "$package" | cut -f1)"

# Both read warm files: one untimed pass first. The best of three runs counts.
cat "$package"/*.icm >/dev/null
best_check=
best_cat=
for run in 1 2 3; do
    timed build/sim-release/tintfold-check "$package"
    check_wall=$timed_wall check_cpu=$timed_cpu
    timed cat "$package"/*.icm
    echo "run $run: tintfold-check ${check_wall} s (processor ${check_cpu} s), cat ${timed_wall} s (processor ${timed_cpu} s)"
    if [[ -z $best_check ]] || (($(echo "$check_wall < $best_check" | bc))); then best_check=$check_wall; fi
    if [[ -z $best_cat ]] || (($(echo "$timed_wall < $best_cat" | bc))); then best_cat=$timed_wall; fi
done
echo "best: tintfold-check $best_check s, cat $best_cat s, ratio $(ratio "$best_check" "$best_cat")"

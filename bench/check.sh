#!/usr/bin/env bash
# The package check on a folder of profiles (default 10,000: factory profiles and their variants),
# against `cat` of the same files to /dev/null, side by side. Uses the optimised build (preset
# sim-release). Prints both times, wall-clock and processor, and the ratio of the best wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-10000}
cmake --preset sim-release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build/sim-release --target tintfold-check make_profiles -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
package="$work/package"
mkdir -p "$package"
panels=()
for i in $(seq 1 $((count / 2))); do
    panels+=(--panel "$(printf 'BE%06X' "$i")")
done
build/sim-release/make_profiles --folder "$package" "${panels[@]}" >/dev/null
echo "profiles: $(find "$package" -name '*.icm' | wc -l) files, $(du -sh "$package" | cut -f1)"

# Wall-clock seconds of a command, then its processor seconds (user and system).
measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null; } 2>&1 | awk '{ printf "%s %.3f\n", $1, $2 + $3 }'
}

# Both read warm files: one untimed pass first. The best of three runs counts.
cat "$package"/*.icm >/dev/null
best_check=
best_cat=
for run in 1 2 3; do
    read -r check_wall check_cpu < <(measure build/sim-release/tintfold-check "$package")
    read -r cat_wall cat_cpu < <(measure cat "$package"/*.icm)
    echo "run $run: tintfold-check ${check_wall} s (processor ${check_cpu} s), cat ${cat_wall} s (processor ${cat_cpu} s)"
    if [[ -z $best_check ]] || (($(echo "$check_wall < $best_check" | bc))); then best_check=$check_wall; fi
    if [[ -z $best_cat ]] || (($(echo "$cat_wall < $best_cat" | bc))); then best_cat=$cat_wall; fi
done
echo "best: tintfold-check $best_check s, cat $best_cat s, ratio $(echo "scale=2; $best_check / $best_cat" | bc)"

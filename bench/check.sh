#!/usr/bin/env bash
# The package check on a folder of profiles (default 10,000: factory profiles and their variants),
# against `cat` of the same files to /dev/null, side by side. Uses the optimised build (preset
# sim-release). Prints both times and their ratio.
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

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# Both read warm files: one untimed pass first.
cat "$package"/*.icm >/dev/null
best_check=
best_cat=
for run in 1 2 3; do
    check=$(seconds build/sim-release/tintfold-check "$package")
    cat=$(seconds cat "$package"/*.icm)
    echo "run $run: tintfold-check $check s, cat $cat s"
    if [[ -z $best_check ]] || (($(echo "$check < $best_check" | bc))); then best_check=$check; fi
    if [[ -z $best_cat ]] || (($(echo "$cat < $best_cat" | bc))); then best_cat=$cat; fi
done
echo "best: tintfold-check $best_check s, cat $best_cat s, ratio $(echo "scale=2; $best_check / $best_cat" | bc)"

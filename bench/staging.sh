#!/usr/bin/env bash
# A full run of the tool with 1,000 profiles (or the count given) beside it, against `cp` of the same
# files into an empty folder; each is timed three times into an empty destination and the best time
# counts, so that other work on the machine disturbs the ratio less. Uses the optimised build (preset
# sim-release).
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000}
cmake --preset sim-release >/dev/null
cmake --build build/sim-release --target tintfold make_profiles -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
program_folder="$work/root/C/Program Files/NORVIK/Tintfold"
mkdir -p "$program_folder"
panels=()
for i in $(seq 1 "$count"); do
    panels+=(--panel "$(printf 'BE%06X' "$i")")
done
build/sim-release/make_profiles --folder "$program_folder" --no-cmdef "${panels[@]}" >/dev/null
echo "profiles: $(find "$program_folder" -name '*.icm' | wc -l) files, $(du -sh "$program_folder" | cut -f1)"

export TINTFOLD_ROOT="$work/root"
printf '{"registry": {}}' > "$work/machine.json"
export TINTFOLD_MACHINE="$work/machine.json"

# The best of three wall-clock times of a command, in seconds; before each, prepare runs.
best_of_three() {
    local prepare=$1
    shift
    local best=""
    for _ in 1 2 3; do
        $prepare
        local start end took
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        took=$(echo "$end - $start" | bc)
        if [ -z "$best" ] || [ "$(echo "$took < $best" | bc)" -eq 1 ]; then
            best=$took
        fi
    done
    echo "$best"
}
fresh_staging() { rm -rf "$work/root/C/ProgramData"; }
fresh_copy() { rm -rf "$work/copy" && mkdir -p "$work/copy"; }
copy_all() { cp "$program_folder"/*.icm "$work/copy/"; }

run=$(best_of_three fresh_staging build/sim-release/tintfold)
echo "tintfold run: $run s"
echo "staged: $(find "$work/root/C/ProgramData" -name '*.icm' | wc -l) files"
copy=$(best_of_three fresh_copy copy_all)
echo "cp: $copy s"
echo "ratio (run / cp): $(echo "scale=2; $run / $copy" | bc)"

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
source bench/timing.sh
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

fresh_staging() { rm -rf "$work/root/C/ProgramData"; }
fresh_copy() { rm -rf "$work/copy" && mkdir -p "$work/copy"; }

run=$(best_of 3 fresh_staging build/sim-release/tintfold)
echo "tintfold run: $run s"
echo "staged: $(find "$work/root/C/ProgramData" -name '*.icm' | wc -l) files"
copy=$(best_of 3 fresh_copy cp "$program_folder"/*.icm "$work/copy/")
echo "cp: $copy s"
echo "ratio (run / cp): $(ratio "$run" "$copy")"

#!/usr/bin/env bash
# A full run of the tool with 1,000 profiles beside it, against `cp` of the same files into an empty
# folder. Uses the optimised build (preset sim-release).
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
start=$(date +%s.%N)
build/sim-release/tintfold >/dev/null
end=$(date +%s.%N)
echo "tintfold run: $(echo "$end - $start" | bc) s"
echo "staged: $(find "$work/root/C/ProgramData" -name '*.icm' | wc -l) files"

mkdir -p "$work/copy"
start=$(date +%s.%N)
cp "$program_folder"/*.icm "$work/copy/"
end=$(date +%s.%N)
echo "cp: $(echo "$end - $start" | bc) s"

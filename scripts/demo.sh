#!/usr/bin/env bash
# Builds the tool for the simulated machine and runs its whole job twice on the embedded default
# machine, in a fresh root with sample profiles beside the program and a data file for its user.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset sim >/dev/null
cmake --build build/sim --target tintfold make_profiles -j2

root="$PWD/demo-root"
rm -rf "$root"
program_folder="$root/C/Program Files/NORVIK/Tintfold"
staging="$root/C/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse"
mkdir -p "$program_folder" "$staging"
build/sim/make_profiles --folder "$program_folder"
printf '[Main]\r\nDebugMessage=0\r\n' > "$staging/user_my_lu_data.sys"

export TINTFOLD_ROOT="$root"
for run in 1 2; do
    echo "=== run $run: tintfold"
    status=0
    build/sim/tintfold || status=$?
    echo "=== exit status $status"
    echo "=== debugger.log"
    cat "$root/debugger.log"
    echo "=== journal.jsonl"
    cat "$root/journal.jsonl"
done
echo "=== staged profiles"
ls "$staging"
echo "=== $staging/user_my_lu_data.sys"
cat "$staging/user_my_lu_data.sys"; echo
echo "=== color-system.json"
cat "$root/color-system.json"; echo
echo "=== installed profiles"
ls "$root/C/Windows/System32/spool/drivers/color"

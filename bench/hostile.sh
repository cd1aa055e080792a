#!/usr/bin/env bash
# Whole runs of the tool (preset sim-release) against hostile file-system objects and oversized or
# malformed machine descriptions. For each case it prints the exit status, the wall-clock time and the
# peak memory (GNU time), and whether the profiles beside the program are unchanged afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset sim-release >/dev/null
cmake --build build/sim-release --target tintfold tintfold-capture make_profiles -j2 >/dev/null
tool=$PWD/build/sim-release/tintfold

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/timing.sh
program="C/Program Files/NORVIK/Tintfold"
staging="C/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse"
# The default machine's panel gives these names.
profile=NX514_8086_AF0610EC.icm

# A root with the default machine's two sample profiles beside the program.
fresh_root() {
    rm -rf "$work/root"
    mkdir -p "$work/root/$program" "$work/root/$staging"
    build/sim-release/make_profiles --folder "$work/root/$program" --board NX514 --vendor 8086 \
        --panel AF0610EC >/dev/null
}

# The names, sizes and modification times of the files beside the program.
program_listing() {
    (cd "$work/root/$program" && ls -l --time-style=+%s.%N | md5sum)
}

# Runs the tool on the root with the given description file and reports.
measure() {
    local name=$1 description=$2
    local before
    before=$(program_listing)
    TINTFOLD_ROOT="$work/root" TINTFOLD_MACHINE="$description" timed "$tool"
    local kept=unchanged
    [ "$(program_listing)" = "$before" ] || kept=CHANGED
    printf '%-44s exit %-3s %6s s %6d MB  profiles %s\n' "$name" "$timed_status" "$timed_wall" "$timed_mb" "$kept"
    if [ "$timed_status" = 2 ]; then
        printf '%-44s %s\n' "" "$(head -c 160 "$work/stderr")"
    fi
}

printf '{}' >"$work/default.json"

fresh_root
mkfifo "$work/root/$staging/user_my_lu_data.sys"
measure "data file is a FIFO" "$work/default.json"

fresh_root
ln -s /dev/zero "$work/root/$staging/user_my_lu_data.sys"
measure "data file is a link to /dev/zero" "$work/default.json"

fresh_root
head -c 20000000 /dev/zero | tr '\0' '\n' >"$work/root/$staging/user_my_lu_data.sys"
measure "data file of 20 MB of line breaks" "$work/default.json"

fresh_root
{ printf '[ICMTag]\nPNGM='; head -c 20000000 /dev/zero | tr '\0' 'x'; } >"$work/root/$staging/user_my_lu_data.sys"
measure "data file of one 20 MB line" "$work/default.json"

fresh_root
truncate -s 4G "$work/root/$program/$profile"
measure "profile of 4 GB (sparse)" "$work/default.json"
# The second run finds the staged copy and writes through a handle on it.
measure "profile of 4 GB (sparse), second run" "$work/default.json"

fresh_root
seq 1 100000 | awk -v folder="$work/root/$program" '{ printf "" > (folder "/file" $1 ".icm"); close(folder "/file" $1 ".icm") }'
measure "100,000 files beside the program" "$work/default.json"
mkdir -p "$work/copy"
timed cp -r "$work/root/$program/." "$work/copy/"
printf '%-44s %14s s\n' "  (cp of the same folder)" "$timed_wall"
rm -rf "$work/copy"

fresh_root
{ printf '{"wmi": '; head -c 1000000 /dev/zero | tr '\0' '['; head -c 1000000 /dev/zero | tr '\0' ']'; printf '}'; } \
    >"$work/deep.json"
measure "description nested 1,000,000 levels" "$work/deep.json"

fresh_root
{ printf '{"wmi": {"ROOT\\\\CIMV2": {"Win32_BaseBoard": [{"Product": "NX514'
  head -c 50000000 /dev/zero | tr '\0' 'x'
  printf '"}]}}}'; } >"$work/large.json"
measure "description of 50 MB" "$work/large.json"

fresh_root
awk 'BEGIN {
    printf "{\"wmi\": {\"ROOT\\\\CIMV2\": {\"Win32_BaseBoard\": ["
    for (i = 0; i < 200000; i++) printf "%s{\"Product\": \"NX%06d\"}", (i ? "," : ""), i
    printf "]}}}"
}' >"$work/instances.json"
measure "description with 200,000 BaseBoard instances" "$work/instances.json"

# 200,000 monitors, each with the default machine's EDID (taken from a capture of that machine).
edid=$(TINTFOLD_ROOT="$work/capture" build/sim-release/tintfold-capture --output "$work/capture.json" >/dev/null 2>&1 &&
    grep -o '"BlockContent": *"[0-9A-F]*"' "$work/capture.json" | head -1 | grep -o '[0-9A-F]\{16,\}')
fresh_root
awk -v edid="$edid" 'BEGIN {
    printf "{\"wmi\": {\"ROOT\\\\WMI\": {\"WmiMonitorDescriptorMethods\": ["
    for (i = 0; i < 200000; i++)
        printf "%s{\"InstanceName\": \"DISPLAY\\\\P%06d\\\\1_0\", \"BlockType\": 1, \"BlockContent\": \"%s\"}",
            (i ? "," : ""), i, edid
    printf "]}}}"
}' >"$work/monitors.json"
measure "description with 200,000 monitors" "$work/monitors.json"

fresh_root
printf '{"registry": {"\xff\xfe": {}}}' >"$work/invalid.json"
measure "description that is not UTF-8" "$work/invalid.json"

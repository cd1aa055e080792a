#!/usr/bin/env bash
# The Windows Installer package: built by the win32 preset's target msi in a build folder of its own and
# signed with a throw-away certificate; its sequence table and its signatures checked; then installed,
# upgraded, refused as a downgrade and uninstalled under Wine, in a throw-away prefix.
#   scripts/test-msi.sh
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/wine-prefix.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/tintfold-msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
build=build/win32-msi
signing="$PWD/$build/signing"
mkdir -p "$signing"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tintfold test signing" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
cmake --preset win32 -B "$build" -DTINTFOLD_TESTS=OFF -DTINTFOLD_PROFILES= \
    -DTINTFOLD_SIGN_CERT="$signing/cert.pem" -DTINTFOLD_SIGN_KEY="$signing/key.pem" >/dev/null
cmake --build "$build" -j2 --target msi
msi=$build/tintfold.msi

fail() {
    [ ! -f "$work/msiexec.out" ] || cat "$work/msiexec.out" >&2
    echo "msi: $*" >&2
    exit 1
}

# Rows of an exported table, without its three header lines.
table() {
    msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4
}

# Every deferred custom action (type bit 0x400) lies between InstallInitialize and InstallFinalize: Windows
# refuses one outside the transaction (error 2762), and Wine does not. An older version is removed before
# the transaction.
deferred=$(table "$msi" CustomAction | awk -F'\t' 'int($2 / 1024) % 2 == 1 { printf "%s ", $1 }')
table "$msi" InstallExecuteSequence | awk -F'\t' -v deferred="$deferred" '
    BEGIN { split(deferred, names, " "); for (i in names) wanted[names[i]] = 1 }
    { at[$1] = $3 }
    END {
        for (name in wanted) {
            if (!(name in at) || at[name] <= at["InstallInitialize"] || at[name] >= at["InstallFinalize"]) {
                print "msi: deferred action " name " at " at[name] " lies outside InstallInitialize (" \
                      at["InstallInitialize"] ") .. InstallFinalize (" at["InstallFinalize"] ")" > "/dev/stderr"
                bad = 1
            }
            count++
        }
        if (!(at["RemoveExistingProducts"] > at["InstallValidate"] && at["RemoveExistingProducts"] < at["InstallInitialize"])) {
            print "msi: RemoveExistingProducts is not between InstallValidate and InstallInitialize" > "/dev/stderr"
            bad = 1
        }
        if (count != 3) {
            print "msi: " count " deferred actions, expected 3" > "/dev/stderr"
            bad = 1
        }
        exit bad
    }' || fail "the sequence table is wrong"
echo "msi: deferred actions ${deferred}lie inside the installation transaction"

# The signatures: the package's, and each program's as the package holds it.
msiextract -C "$work/files" "$msi" >/dev/null
payload="$work/files/NORVIK/Tintfold"
for file in "$msi" "$payload"/*.exe; do
    osslsigncode verify -CAfile "$signing/cert.pem" -in "$file" >/dev/null || fail "$file: signature not verified"
done
echo "msi: the package and its $(ls "$payload"/*.exe | wc -l) programs are signed"

product_code() {
    table "$1" Property | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}

# An upgrade: the package's own files under the next version, built by the same script.
version=$(table "$msi" Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
cmake -DVERSION="${version%.*}.$((${version##*.} + 1))" -DPROGRAM_DIR="$payload" -DPROFILES="$payload" \
    -DOUTPUT="$build/tintfold-next.msi" -P packaging/build_msi.cmake >/dev/null
next=$build/tintfold-next.msi

start_wine_prefix "$work"
start_task_scheduler
drive_c="$WINEPREFIX/drive_c"
cp "$msi" "$drive_c/tintfold.msi"
cp "$next" "$drive_c/tintfold-next.msi"
program_folder="$drive_c/Program Files/NORVIK/Tintfold"
staging="$drive_c/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse"
task_file="$drive_c/windows/system32/tasks/NORVIK/Tintfold"

run_msiexec() {
    "$WINE" msiexec "$@" /qn </dev/null >>"$work/msiexec.out" 2>&1
}
installed_products() {
    "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:64 </dev/null |
        tr -d '\r' | grep -o '{[0-9A-F-]*}$' | sort || true
}
# Wine 8.0's schtasks has no /Query (it prints nothing and ends with 0); /Change looks the task up and
# ends with 1 when there is none.
task_registered() {
    "$WINE" schtasks /Change /TN 'NORVIK\Tintfold' /ENABLE </dev/null >/dev/null 2>&1
}
# The installed folder holds exactly what the package carries, and the tool has run once: the staging
# folder holds every profile, and the registry switch was not written.
check_installed() {
    diff -r "$payload" "$program_folder" >/dev/null || fail "$1: the installed folder differs from the package"
    for profile in "$payload"/*.icm; do
        cmp -s "$profile" "$staging/$(basename "$profile")" || fail "$1: $(basename "$profile") was not staged"
    done
    ! "$WINE" reg query 'HKLM\Software\NORVIK\Quillory\NorvikOptimization' /v LumisseDebug /reg:64 \
        </dev/null >/dev/null 2>&1 || fail "$1: the registry switch was written"
    task_registered && [ -f "$task_file" ] || fail "$1: the scheduled task is not registered"
    [ "$(installed_products)" = "$2" ] || fail "$1: installed products $(installed_products), expected $2"
}

run_msiexec /i 'C:\tintfold.msi' || fail "the installation failed"
check_installed "install" "$(product_code "$msi")"
rm -r "$staging"
run_msiexec /i 'C:\tintfold-next.msi' || fail "the upgrade failed"
check_installed "upgrade" "$(product_code "$next")"
! run_msiexec /i 'C:\tintfold.msi' || fail "the older version was installed over the newer"
[ "$(installed_products)" = "$(product_code "$next")" ] || fail "the refused downgrade changed what is installed"

run_msiexec /x 'C:\tintfold-next.msi' || fail "the uninstallation failed"
[ ! -e "$program_folder" ] || fail "the uninstallation left $program_folder"
! task_registered && [ ! -e "$task_file" ] || fail "the uninstallation left the scheduled task"
[ -z "$(installed_products)" ] || fail "the uninstallation left products $(installed_products)"
[ -n "$(ls "$staging"/*.icm)" ] || fail "the uninstallation removed the staged profiles"
echo "msi: installed, upgraded, refused as a downgrade and uninstalled under Wine"

#!/usr/bin/env bash
# Builds the Windows zip from the build tree, unpacks it into a scratch
# folder, checks what it holds, and runs the unpacked camhost.exe under Wine:
# it must load the driver and the simulated SDK beside it and list both
# cameras.
#
# Then a host project built with find_package(ecocam) against the unpacked
# tree, with the same cross toolchain, runs under Wine too (the toolchain
# looks for packages only below the cross compiler's root, so the package
# folder is named directly).
#
# check_zip.sh BUILD_DIR SOURCE_DIR CMAKE CPACK TOOLCHAIN_FILE WINE_RUN WINE_BITS
set -euo pipefail
build=$1 source=$2 cmake=$3 cpack=$4 toolchain=$5 wine_run=$6 wine_bits=$7

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ecocam-zip.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "--- cpack"
(cd "$build" && "$cpack" -G ZIP -B "$scratch/pack" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack could not build the zip"; }
zips=("$scratch"/pack/ecocam-*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || fail "expected one ecocam-*.zip, found: ${zips[*]}"

echo "--- contents"
unzip -q "${zips[0]}" -d "$scratch/root"
top=("$scratch"/root/*)
[ ${#top[@]} -eq 1 ] && [ -d "${top[0]}" ] || fail "the zip does not hold one top folder"
root=${top[0]}
(cd "$root" && find . -type f | sort)
for file in bin/ecocam.dll bin/SVGigE.dll bin/camhost.exe include/ecocam/ecocam.h \
            share/doc/ecocam/README.md share/doc/ecocam/SVS-Vistek.ini; do
  [ -f "$root/$file" ] || fail "the zip lacks $file"
done

echo "--- camhost.exe with the SDK beside it"
mkdir -p "$scratch/system"
system="Z:${scratch//\//\\}\\system"
listing=$(cd "$scratch" && "$wine_run" "$wine_bits" "$root/bin/camhost.exe" --system-path "$system" list) ||
  fail "camhost.exe list failed: $listing"
echo "$listing"
for camera in eco424MVGE eco424CVGE; do
  grep -q "$camera" <<<"$listing" || fail "camhost.exe did not list $camera"
done

echo "--- find_package(ecocam)"
"$cmake" -S "$source/tests/install/consumer" -B "$scratch/consumer" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -Decocam_DIR="$root/lib/cmake/ecocam" -DCMAKE_BUILD_TYPE=Release \
  >"$scratch/consumer.log" 2>&1 ||
  { cat "$scratch/consumer.log"; fail "the consumer project did not configure"; }
"$cmake" --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1 ||
  { cat "$scratch/consumer.log"; fail "the consumer project did not build"; }
# Beside the driver and the SDK, as a host application is.
cp "$scratch/consumer/consumer.exe" "$root/bin/"
output=$(cd "$scratch" && "$wine_run" "$wine_bits" "$root/bin/consumer.exe" "$system") ||
  fail "the consumer failed: $output"
output=${output//$'\r'/}
echo "$output"
grep -qx "cameras: 2" <<<"$output" || fail "the consumer did not see two cameras"

echo "PASS"

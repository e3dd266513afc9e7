#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch
# folder and uses the installed tree the way an integrator would: its
# dependencies, the driver's SONAME and run path, camhost against the
# simulated SDK, the default SDK loaded through the run path, and a host
# project built with find_package(ecocam) and with pkg-config.
#
# check_deb.sh BUILD_DIR SOURCE_DIR CMAKE CPACK LIBDIR DEFAULT_SDK WITH_DIALOG(0|1)
set -euo pipefail
build=$1 source=$2 cmake=$3 cpack=$4 libdir=$5 default_sdk=$6 with_dialog=$7

# Keep the caller's library path out of the way: only the unpacked tree counts.
unset LD_LIBRARY_PATH LD_PRELOAD
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ecocam-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# loaded LD_DEBUG_OUTPUT FILE: whether the loader ran FILE's initialisers,
# under whatever path it was reached (a path may hold "..").
loaded() {
  local path
  while read -r path; do
    [ "$(realpath -e "$path" 2>/dev/null)" = "$(realpath -e "$2")" ] && return 0
  done < <(sed -n 's/.*calling init: //p' "$1")
  return 1
}

echo "--- cpack"
(cd "$build" && "$cpack" -G DEB -B "$scratch/pack" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack could not build the Debian package"; }
debs=("$scratch"/pack/ecocam_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one ecocam_*.deb, found: ${debs[*]}"
deb=${debs[0]}

echo "--- dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<<"$depends")
for needed in libc6 libstdc++6; do
  grep -qxF "$needed" <<<"$(tr ' ' '\n' <<<"$names")" || fail "Depends lacks $needed"
done
# Every dependency must be a package apt knows, so that
# `apt-get install ./ecocam_*.deb` can resolve it.
for dep in $names; do
  apt-cache show "$dep" >/dev/null 2>&1 || fail "dependency $dep is not a known Debian package"
done

echo "--- unpack"
root=$scratch/root
dpkg -x "$deb" "$root"
lib=$root/usr/$libdir
for file in usr/bin/camhost usr/include/ecocam/ecocam.h "usr/$libdir/libecocam.so.1" \
            "usr/$libdir/ecocam/sim/libSVGigE.so" "usr/$libdir/ecocam/$default_sdk/libSVGigE.so" \
            "usr/$libdir/cmake/ecocam/ecocamConfig.cmake" "usr/$libdir/pkgconfig/ecocam.pc" \
            usr/share/doc/ecocam/README.md usr/share/doc/ecocam/SVS-Vistek.ini; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
if [ "$with_dialog" = 1 ]; then
  [ -e "$lib/ecocam/ui/libecocam-ui-wx.so" ] || fail "the package lacks the configuration dialog"
fi

echo "--- SONAME and run path"
dynamic=$(readelf -d "$lib/libecocam.so.1")
grep -q 'Library soname: \[libecocam.so.1\]' <<<"$dynamic" || fail "SONAME is not libecocam.so.1"
grep -qF "Library runpath: [\$ORIGIN/ecocam/$default_sdk]" <<<"$dynamic" ||
  fail "run path is not \$ORIGIN/ecocam/$default_sdk: $(grep -i path <<<"$dynamic")"

mkdir -p "$scratch/system"
[ "$("$root/usr/bin/camhost" --version)" = "camhost $(dpkg-deb -f "$deb" Version)" ] ||
  fail "camhost --version does not name the package's version"

echo "--- camhost with the simulated SDK"
# camhost finds the installed driver by itself.
listing=$("$root/usr/bin/camhost" --sdk "$lib/ecocam/sim/libSVGigE.so" --system-path "$scratch/system" list) ||
  fail "camhost list failed: $listing"
echo "$listing"
for camera in eco424MVGE eco424CVGE; do
  grep -q "$camera" <<<"$listing" || fail "camhost did not list $camera"
done

if [ "$with_dialog" = 1 ]; then
  echo "--- the configuration dialog from its installed folder"
  # A display nobody listens on: the driver loads the dialog library, which
  # then reports that it cannot open the display, and the sheet is not shown.
  DISPLAY=:64999 LD_DEBUG=libs "$root/usr/bin/camhost" --sdk "$lib/ecocam/sim/libSVGigE.so" \
    --system-path "$scratch/system" --log-level 1 configure --camera eco424MVGE >"$scratch/dialog.out" 2>"$scratch/dialog.err" || true
  loaded "$scratch/dialog.err" "$lib/ecocam/ui/libecocam-ui-wx.so" ||
    { grep -v "^ *[0-9]*:" "$scratch/dialog.err" "$scratch/dialog.out" || true
      fail "the installed driver did not load its configuration dialog from $lib/ecocam/ui"; }
fi

echo "--- find_package(ecocam)"
"$cmake" -S "$source/tests/install/consumer" -B "$scratch/consumer" \
  -DCMAKE_PREFIX_PATH="$root/usr" -DCMAKE_BUILD_TYPE=Release >"$scratch/consumer.log" 2>&1 ||
  { cat "$scratch/consumer.log"; fail "the consumer project did not configure"; }
"$cmake" --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1 ||
  { cat "$scratch/consumer.log"; fail "the consumer project did not build"; }
consumer=$scratch/consumer/consumer

# The default SDK comes from the driver's run path, nothing else.
LD_DEBUG=libs "$consumer" "$scratch/system" >"$scratch/default.out" 2>"$scratch/default.err" ||
  { cat "$scratch/default.out"; fail "the consumer failed with the default SDK"; }
loaded "$scratch/default.err" "$lib/ecocam/$default_sdk/libSVGigE.so" ||
  { grep SVGigE "$scratch/default.err" || true
    fail "the driver did not load the default SDK from $lib/ecocam/$default_sdk"; }
echo "default SDK: $lib/ecocam/$default_sdk/libSVGigE.so"

# LD_LIBRARY_PATH comes before the run path: the simulated SDK's cameras.
output=$(LD_LIBRARY_PATH="$lib/ecocam/sim" "$consumer" "$scratch/system") ||
  fail "the consumer failed with the simulated SDK: $output"
echo "$output"
grep -qx "cameras: 2" <<<"$output" || fail "the consumer did not see two cameras"
grep -qx "camera: eco424MVGE" <<<"$output" && grep -qx "camera: eco424CVGE" <<<"$output" ||
  fail "the consumer did not list both cameras"

echo "--- pkg-config"
export PKG_CONFIG_PATH=$lib/pkgconfig
flags=$(pkg-config --define-variable=prefix="$root/usr" --cflags --libs ecocam) ||
  fail "pkg-config does not know ecocam"
echo "$flags"
[ "$(pkg-config --modversion ecocam)" = "$(dpkg-deb -f "$deb" Version)" ] ||
  fail "ecocam.pc and the package disagree on the version"
# shellcheck disable=SC2086
cc -o "$scratch/consumer_pc" "$source/tests/install/consumer/main.c" $flags ||
  fail "the consumer did not build with the pkg-config flags"

echo "PASS"

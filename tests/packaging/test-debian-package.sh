#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it as dpkg would see it: its control fields,
# that it carries no maintainer scripts, that its dependencies name every package whose files the
# programs load and are all met by what scripts/install-deps installs, and that, unpacked, every
# file is where the desktop entry, the metainfo and the systemd unit say.
#
#   test-debian-package.sh BUILD_DIR "ICON_SIZES" RUNTIME_FILE...
# RUNTIME_FILEs are files the programs load that no linker sees (Qt's plugins).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/installed-layout.sh"
build="${1:?usage: test-debian-package.sh BUILD_DIR ICON_SIZES RUNTIME_FILE...}"
sizes="$2"
shift 2
runtime_files=("$@")

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made not one .deb: ${debs[*]}"
deb="${debs[0]}"
version="$(about_version "$build/generated/Info.json")"

dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lumeno-ocr ] || fail "the package is called '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "the package's version '$(field Version)' is not the About window's '$version'"
[ "$(basename "$deb")" = "lumeno-ocr_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "the file is named $(basename "$deb"), not as Debian names packages"

# The triggers of hicolor-icon-theme and desktop-file-utils already refresh the icon cache and
# the menu; a script of ours would only repeat them.
members="$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')"
[ "$members" = "control md5sums " ] || fail "the control archive holds more than control and md5sums: $members"

# Each dependency (any one of its alternatives) is installed here at a version it accepts, so
# a machine set up by scripts/install-deps can install the package.
depends="$(field Depends)"
[ -n "$depends" ] || fail "the package has no dependencies"
declare -A depended=()
IFS=',' read -r -a groups <<<"$depends"
for group in "${groups[@]}"; do
  met=""
  IFS='|' read -r -a alternatives <<<"$group"
  for alternative in "${alternatives[@]}"; do
    read -r name op wanted <<<"$(echo "$alternative" | tr -d '()')"
    depended[$name]=1
    while read -r status current; do
      if [ "$status" = ii ] && { [ -z "$op" ] || dpkg --compare-versions "$current" "$op" "$wanted"; }; then
        met=1
      fi
    done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Version}\n' "$name" 2>/dev/null || true)
  done
  [ -n "$met" ] || fail "the dependency '$group' is not met by the packages installed here"
done

# The package that owns PATH, looking under the other name too where /lib and /usr/lib are one.
owner() {
  local path candidates
  path="$(readlink -f "$1")"
  candidates=("$path" "${path#/usr}" "/usr$path")
  for candidate in "${candidates[@]}"; do
    dpkg -S "$candidate" 2>/dev/null | sed -n 's/^\([^:,]*\).*: .*/\1/p' | head -n 1 | grep . && return 0
  done
  return 1
}

root="$work/root"
dpkg-deb -x "$deb" "$root"

# Every library the programs link directly, every runtime file and the English model belong to
# packages the package depends on.
needed=()
for program in "$root/usr/bin/lumeno-ocr" "$root/usr/bin/lumeno-ocr-server"; do
  [ -x "$program" ] || fail "$program is missing"
  libraries="$(ldd "$program")"
  for soname in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path="$(echo "$libraries" | awk -v so="$soname" '$1 == so && $2 == "=>" { print $3 }')"
    [ -f "$path" ] || fail "$(basename "$program") needs $soname, which is not found here"
    needed+=("$path")
  done
done
model="$({ dpkg -S '*/tessdata/eng.traineddata' || true; } | sed -n 's/^\([^:]*\): .*/\1/p' | head -n 1)"
[ -n "$model" ] || fail "no installed package holds the English model"
[ -n "${depended[$model]:-}" ] || fail "the package does not depend on $model, which holds the English model"
for file in "${needed[@]}" "${runtime_files[@]}"; do
  [ -f "$file" ] || fail "$file is missing here"
  package="$(owner "$file")" || fail "no installed package holds $file"
  [ -n "${depended[$package]:-}" ] || fail "the package does not depend on $package, which holds $file"
done

# Nothing outside the prefix, everything owned by root, and no path from the build or CPack's
# staging folder left in a file.
outside="$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '^\./usr/' | grep -v '^\./$' || true)"
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners="$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)"
[ "$owners" = root/root ] || fail "files owned by $owners"
leaks="$(grep -rlF -e "$work" -e "$build" "$root/usr/share" "$root/usr/lib" || true)"
[ -z "$leaks" ] || fail "build paths left in: $leaks"

check_installed_layout "$root" /usr "$version" "$sizes"
echo "package $(basename "$deb"): depends on $depends"

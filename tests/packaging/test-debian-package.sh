#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it as dpkg would see it: its control fields,
# that it carries no maintainer scripts, that its dependencies name every package whose files the
# programs load, that its recommendations name the packages of what it uses with a fallback, that
# both are met by what scripts/install-deps installs, and that, unpacked, every file is where the
# desktop entry, the metainfo and the systemd unit say.
#
#   test-debian-package.sh BUILD_DIR "ICON_SIZES" [--font FAMILY] [--theme-icon THEME/NAME]...
#                          RUNTIME_FILE...
# RUNTIME_FILEs are files the programs load that no linker sees (Qt's plugins). FAMILY is a font
# the widgets ask fontconfig for, THEME/NAME an icon they ask an icon theme for; the packages
# that hold them must be depended on or recommended.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/installed-layout.sh"
build="${1:?usage: test-debian-package.sh BUILD_DIR ICON_SIZES [--font FAMILY] [--theme-icon THEME/NAME]... RUNTIME_FILE...}"
sizes="$2"
shift 2
fonts=()
theme_icons=()
while [ $# -gt 0 ]; do
  case "$1" in
    --font) fonts+=("$2"); shift 2 ;;
    --theme-icon) theme_icons+=("$2"); shift 2 ;;
    *) break ;;
  esac
done
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

# Each relation of FIELD (any one of its alternatives) is installed here at a version it
# accepts, so a machine set up by scripts/install-deps installs the package with all it asks
# for; every package named is added to the associative array NAMES.
#   check_relations FIELD NAMES
check_relations() {
  local -n names="$2"
  local relations group alternative name op wanted status current met
  local -a groups alternatives
  relations="$(field "$1")"
  IFS=',' read -r -a groups <<<"$relations"
  for group in "${groups[@]}"; do
    met=""
    IFS='|' read -r -a alternatives <<<"$group"
    for alternative in "${alternatives[@]}"; do
      read -r name op wanted <<<"$(echo "$alternative" | tr -d '()')"
      names[$name]=1
      while read -r status current; do
        if [ "$status" = ii ] && { [ -z "$op" ] || dpkg --compare-versions "$current" "$op" "$wanted"; }; then
          met=1
        fi
      done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Version}\n' "$name" 2>/dev/null || true)
    done
    [ -n "$met" ] || fail "the relation '$group' of $1 is not met by the packages installed here"
  done
}
depends="$(field Depends)"
[ -n "$depends" ] || fail "the package has no dependencies"
declare -A depended=()
check_relations Depends depended
declare -A recommended=()
check_relations Recommends recommended

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

# What the widgets use with a fallback: the font fontconfig gives for each family they ask for,
# and each theme icon, as the theme holds it at any size. Without the package that holds it the
# program still runs, so a recommendation is enough.
wanted_files=()
for family in "${fonts[@]}"; do
  font="$(fc-match -f '%{file}' "$family")"
  [ -n "$font" ] || fail "fontconfig gives no font for '$family'"
  wanted_files+=("$font")
done
for theme_icon in "${theme_icons[@]}"; do
  theme="${theme_icon%%/*}" name="${theme_icon#*/}"
  icon_file="$(find "/usr/share/icons/$theme" \( -name "$name.png" -o -name "$name.svg" \) -print -quit 2>/dev/null)"
  [ -n "$icon_file" ] || fail "the $theme icon theme installed here has no $name"
  wanted_files+=("$icon_file")
done
for file in "${wanted_files[@]}"; do
  package="$(owner "$file")" || fail "no installed package holds $file"
  [ -n "${depended[$package]:-}${recommended[$package]:-}" ] ||
    fail "the package neither depends on nor recommends $package, which holds $file"
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
echo "package $(basename "$deb"): depends on $depends; recommends $(field Recommends)"

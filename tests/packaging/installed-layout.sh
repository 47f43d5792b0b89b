# Checks shared by the installed tree and the Debian package: every file that the desktop entry,
# the metainfo and the systemd unit name is where they say, the icon is there at every size, and
# the version is the one the About window shows. Sourced; paths inside the files are absolute, so
# ROOT is prepended to reach them ("" for a real prefix, the folder a package was unpacked into).

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The value of KEY in the [Desktop Entry] group of FILE.
desktop_value() {
  sed -n '/^\[Desktop Entry\]/,/^\[/p' "$1" | sed -n "s/^$2=//p" | head -n 1
}

# The version the About window shows, from the information dictionary the build generated.
about_version() {
  sed -n 's/.*"CFBundleShortVersionString": *"\([^"]*\)".*/\1/p' "$1"
}

# Width and height of a PNG file, read from its header; fails when it is no PNG.
png_size() {
  local bytes
  read -r -a bytes < <(od -An -tu1 -N24 "$1" | tr -s ' \n' '  ')
  [ "${bytes[*]:0:8}" = "137 80 78 71 13 10 26 10" ] || return 1
  echo "$(((bytes[16] << 24) | (bytes[17] << 16) | (bytes[18] << 8) | bytes[19]))x$(((bytes[20] << 24) | (bytes[21] << 16) | (bytes[22] << 8) | bytes[23]))"
}

# check_installed_layout ROOT PREFIX VERSION "SIZES"
check_installed_layout() {
  local root="$1" prefix="$2" version="$3" sizes="$4"
  local share="$root$prefix/share"
  local desktop="$share/applications/lumeno-ocr.desktop"
  [ -f "$desktop" ] || fail "no desktop entry at $desktop"

  [ "$(desktop_value "$desktop" Name)" = "Lumeno OCR" ] || fail "the menu entry is not named Lumeno OCR"
  local exec
  exec="$(desktop_value "$desktop" Exec)"
  # The program takes no arguments, so neither arguments nor field codes belong here.
  [ "$exec" = "$prefix/bin/lumeno-ocr" ] || fail "Exec is '$exec', not $prefix/bin/lumeno-ocr"
  [ -f "$root$exec" ] && [ -x "$root$exec" ] || fail "Exec names $exec, which is not installed"
  # The tray program starts the server from beside itself before it tries PATH.
  [ -x "$(dirname "$root$exec")/lumeno-ocr-server" ] || fail "lumeno-ocr-server is not beside $exec"
  case ";$(desktop_value "$desktop" Categories);" in
    *";Utility;"*) ;;
    *) fail "the menu entry is not in the Utility category" ;;
  esac

  local icon
  icon="$(desktop_value "$desktop" Icon)"
  [ -n "$icon" ] && [ "${icon#/}" = "$icon" ] || fail "Icon '$icon' is not a name from the icon theme"
  local theme="$share/icons/hicolor"
  case " $sizes " in
    *" 48 "*) ;;
    *) fail "no 48x48 icon, the size the icon theme specification requires of applications" ;;
  esac
  local size png actual
  for size in $sizes; do
    png="$theme/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || fail "no $icon.png at ${size}x${size}"
    actual="$(png_size "$png")" || fail "$png is not a PNG file"
    [ "$actual" = "${size}x${size}" ] || fail "$png is $actual, not ${size}x${size}"
  done
  [ -f "$theme/scalable/apps/$icon.svg" ] || fail "no scalable $icon.svg"

  local metainfos=("$share"/metainfo/*.metainfo.xml)
  [ ${#metainfos[@]} = 1 ] && [ -f "${metainfos[0]}" ] || fail "not one metainfo file: ${metainfos[*]}"
  local metainfo="${metainfos[0]}"
  local launchable
  launchable="$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' "$metainfo")"
  [ -f "$share/applications/$launchable" ] || fail "the metainfo launches '$launchable', which is not installed"
  [ "$(xmllint --xpath 'string(/component/icon[@type="stock"])' "$metainfo")" = "$icon" ] ||
    fail "the metainfo names another icon than the desktop entry"
  local released
  released="$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")"
  [ -n "$version" ] && [ "$released" = "$version" ] ||
    fail "the metainfo says version '$released', the About window '$version'"

  local unit="$root$prefix/lib/systemd/user/lumeno-ocr-server.service"
  [ -f "$unit" ] || fail "no systemd user unit at $unit"
  local server
  server="$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")"
  [ "$server" = "$prefix/bin/lumeno-ocr-server" ] || fail "the unit starts '$server', not $prefix/bin/lumeno-ocr-server"
  [ -x "$root$server" ] || fail "the unit starts $server, which is not installed"

  [ -f "$share/doc/lumeno-ocr/README.md" ] || fail "no README in $share/doc/lumeno-ocr"
}

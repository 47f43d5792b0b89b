#!/usr/bin/env bash
# Installs the build into a temporary prefix with `cmake --install` and checks the result with
# the tools the desktops and distributions use: desktop-file-validate, appstreamcli and
# systemd-analyze, plus the layout every installed file must keep.
#
#   test-install-tree.sh BUILD_DIR ICON_SVG "ICON_SIZES"
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/installed-layout.sh"
build="${1:?usage: test-install-tree.sh BUILD_DIR ICON_SVG ICON_SIZES}"
icon_source="$2"
sizes="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The prefix ends in /usr so that appstreamcli can read the folder above it as a system root.
prefix="$work/root/usr"

# install_manifest.txt is what uninstall scripts and packagers read: it must name every file the
# install wrote, by its installed path, which DESTDIR does not change.
check_manifest() {
  local staging="$1" manifest="$build/install_manifest.txt" listed found
  [ -f "$manifest" ] || fail "no install manifest at $manifest"
  listed="$(sort "$manifest")"
  found="$(cd "$staging/" && find . \( -type f -o -type l \) | sed 's|^\.||' | sort)"
  [ "$listed" = "$found" ] || fail "the install manifest does not list what the install wrote:
$(diff <(echo "$listed") <(echo "$found"))"
}

DESTDIR="$work/staged" cmake --install "$build" --prefix /usr >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install with DESTDIR failed"; }
check_manifest "$work/staged"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install failed"; }

check_installed_layout "" "$prefix" "$(about_version "$build/generated/Info.json")" "$sizes"
cmp -s "$icon_source" "$prefix/share/icons/hicolor/scalable/apps/lumeno-ocr.svg" ||
  fail "the scalable icon is not the one the About window shows"

# Hints count too: each is a way a menu could show the entry worse than it should.
desktop="$prefix/share/applications/lumeno-ocr.desktop"
report="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"

# --strict fails on warnings and infos too; validate-tree also checks that the metainfo's
# desktop entry is installed beside it.
appstreamcli validate-tree --no-net --strict "$work/root" ||
  fail "appstreamcli validate-tree found faults in the installed metainfo"

# verify checks that ExecStart names an executable; it reports unknown keys and bad values
# without failing, so any output is a fault. The user manager it loads needs a runtime folder,
# and a home of its own keeps the user's units out.
mkdir -m 700 "$work/runtime" "$work/home"
unit="$prefix/lib/systemd/user/lumeno-ocr-server.service"
report="$(XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" \
  systemd-analyze --user verify "$unit" 2>&1)" || fail "systemd-analyze verify: $report"
[ -z "$report" ] || fail "systemd-analyze verify: $report"

echo "install tree: $(find "$prefix" -type f | wc -l) files, all in place and valid"

#!/usr/bin/env bash
# The Debian package as a distribution would check it: built by CPack from the build
# tree into a folder of its own, lintian without errors, the desktop entry and the
# AppStream data valid, the dependencies computed from the programs, and the programs
# run from the unpacked package (no display, no port). Exit 77 (skipped) when a tool is
# missing, naming it.
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd)
src=$(cd "${2:?source dir}" && pwd)
version=${3:?version}
sanitizers=${4:-}
app_id=ru.zort.Configurator

# A package is made from the plain build; one of sanitized programs would be several
# times larger, take minutes to compress and check, and is never shipped.
if [ -n "$sanitizers" ]; then
  echo "SKIPPED: this build has the sanitizers ($sanitizers) in it; the package is checked in the plain build"
  exit 77
fi

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/zort-configurator_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no $deb"; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Errors fail; the warnings the README lists as accepted are shown but pass.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
lintian_status=$?
cat "$work/lintian.log"
[ "$lintian_status" -eq 0 ] || fail "lintian found errors"

out=$(desktop-file-validate "$src/packaging/$app_id.desktop" 2>&1)
[ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate --no-net "$src/packaging/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }

control=$(dpkg-deb -f "$deb")
echo "$control" | grep -q '^Depends: .*libqt6widgets6' || fail "Depends does not name Qt Widgets: $control"
echo "$control" | grep -q '^Version: '"$version"'$' || fail "Version is not $version"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/zort-configurator ./usr/bin/zortcfg ./usr/bin/zort-sim \
  ./usr/share/applications/$app_id.desktop ./usr/share/metainfo/$app_id.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/$app_id.svg ./usr/share/icons/hicolor/48x48/apps/$app_id.png \
  ./usr/share/icons/hicolor/128x128/apps/$app_id.png ./usr/share/icons/hicolor/256x256/apps/$app_id.png \
  ./usr/share/man/man1/zortcfg.1.gz ./usr/share/man/man1/zort-configurator.1.gz \
  ./usr/share/man/man1/zort-sim.1.gz ./usr/share/bash-completion/completions/zortcfg \
  ./usr/share/doc/zort-configurator/copyright ./usr/share/doc/zort-configurator/changelog.gz; do
  echo "$contents" | grep -qx "$path" || fail "the package lacks $path"
done

# The programs from the unpacked package, without a display and without a port.
root="$work/root"
dpkg-deb -x "$deb" "$root"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
[ "$("$root/usr/bin/zortcfg" --version)" = "zortcfg $version" ] || fail "zortcfg --version"
[ "$("$root/usr/bin/zort-sim" --version)" = "zort-sim $version" ] || fail "zort-sim --version"
# Only stdout is compared: a sanitizer build may add its notes on stderr.
shown=$("$root/usr/bin/zort-configurator" --version 2>"$work/gui.err")
[ "$shown" = "zort-configurator $version" ] || fail "zort-configurator --version: $shown $(cat "$work/gui.err")"
"$root/usr/bin/zort-configurator" --help 2>&1 | grep -q -- '--demo' || fail "zort-configurator --help"
printf '{"owner_phone": "+79161234567", "server_port": "20332"}\n' >"$work/sample.json"
shown=$("$root/usr/bin/zortcfg" show --json "$work/sample.json") || fail "zortcfg show --json"
echo "$shown" | grep -q '+79161234567' || fail "zortcfg show --json does not show the sample: $shown"
echo "checked: lintian, desktop entry, AppStream data, dependencies, contents, programs"

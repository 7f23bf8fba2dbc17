#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need.
# Idempotent: when every package is already there it does nothing and says nothing.
# With "fuzz", also clang and its libFuzzer runtime, which only `make fuzz` needs; with
# "house", clang-tidy, which only `make house` needs; with "windows", the mingw-w64
# compilers, GoogleTest's sources and wine, which only `make test-windows` needs.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  fonts-dejavu-core xvfb xauth
  clang-format
  # The Debian package: icons rendered from their SVG, the dependencies computed from the
  # programs, and the checks a distribution runs on it.
  librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = house ]; then
  packages+=(clang-tidy)
fi
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

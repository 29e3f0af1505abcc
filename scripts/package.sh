#!/usr/bin/env bash
# Builds the Debian package meterlog2_VERSION_ARCH.deb into the project folder: a release build
# in ./build-pkg with Debian's hardening flags, installed under /usr by CPack, then checked with
# lintian (any error fails the script). Installs the Debian packages it needs when missing.
# Then: apt-get install ./meterlog2_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/deps.sh
. scripts/apt.sh
if ! command -v lintian >/dev/null 2>&1; then
  root_or_stop "the Debian package lintian is missing" "apt-get install lintian"
  apt_install lintian
fi

# The changelog's date stands for the build's in the manual pages, so that the same sources
# give the same package.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/debian/changelog -S Timestamp)
export SOURCE_DATE_EPOCH
# Debian's flags, all its hardening included: fortified functions, stack protector, read-only
# relocations, immediate binding. Given on every configure, as a cache keeps its first flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DMETERLOG2_BUILD_TESTS=OFF -DMETERLOG2_BUILD_BENCH=OFF -DMETERLOG2_SANITIZED_TESTS=OFF \
  -DMETERLOG2_BUILD_GUI=ON -DMETERLOG2_BUILD_LINK=ON -DMETERLOG2_MAN_PAGES=ON >/dev/null
cmake --build build-pkg --parallel "$(nproc)"

rm -rf build-pkg/package
(cd build-pkg && cpack -G DEB -B "$root/build-pkg/package" >/dev/null)
debs=(build-pkg/package/meterlog2_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package.sh: cpack made no single meterlog2_*.deb in build-pkg/package" >&2
  exit 1
fi
deb=$(basename "${debs[0]}")
rm -f meterlog2_*.deb
cp "${debs[0]}" "$deb"

echo "== lintian $deb"
# Errors fail the build; warnings and the rest are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || {
  echo "package.sh: lintian found errors in $deb" >&2
  exit 1
}
echo "package.sh: $root/$deb"
echo "Install it with: apt-get install ./$deb"

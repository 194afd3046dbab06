#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suites (widget tests offscreen),
# the installation into a temporary prefix, the Debian package, the same suites built with
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run of every fuzz target
# (FUZZ_SECONDS each, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen

echo "== test suites"
ctest --test-dir build --output-on-failure -j2

echo "== installation"
scripts/check-install.sh build

echo "== Debian package"
rm -f build/package/varnotile_*.deb
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
deb=$(ls build/package/varnotile_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/varnotile usr/bin/varnotile-cli usr/share/varnotile/varnotile.html \
         usr/share/applications/varnotile.desktop usr/share/metainfo/org.varnotile.Varnotile.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/varnotile.svg usr/share/man/man1/varnotile-cli.1.gz; do
  grep -q " \./$f\$" <<<"$contents" || { echo "$deb lacks /$f" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in qt6-qpa-plugins libqt6widgets6 libqcustomplot2.1-qt6; do
  grep -q "$p" <<<"$depends" || { echo "$deb does not depend on $p" >&2; exit 1; }
done
echo "$deb: $depends"

echo "== test suites with sanitizers"
scripts/sanitize.sh

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

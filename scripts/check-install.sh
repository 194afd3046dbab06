#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the installation as a user meets it: the
# desktop entry and the AppStream metainfo validate, the file types and the manual pages are
# well formed, and the installed varnotile-cli reads a sample file and draws its chart.
#   scripts/check-install.sh [BUILD_DIR]      (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}

work=$(mktemp -d /tmp/varnotile-install.XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

echo "== installed files"
for f in bin/varnotile bin/varnotile-cli share/varnotile/varnotile.html \
         share/applications/varnotile.desktop share/metainfo/org.varnotile.Varnotile.metainfo.xml \
         share/mime/packages/varnotile.xml share/icons/hicolor/scalable/apps/varnotile.svg \
         share/icons/hicolor/16x16/apps/varnotile.png share/icons/hicolor/256x256/apps/varnotile.png \
         share/man/man1/varnotile.1.gz share/man/man1/varnotile-cli.1.gz; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
# An installed program must not look for libraries in the build tree.
dynamic=$(readelf -d "$prefix/bin/varnotile" "$prefix/bin/varnotile-cli")
if grep -qE 'RPATH|RUNPATH' <<<"$dynamic"; then fail "installed programs carry a library search path"; fi

echo "== desktop entry, metainfo, file types"
desktop-file-validate "$prefix/share/applications/varnotile.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.varnotile.Varnotile.metainfo.xml"
# The file types build into a database that gives .prn and .dat files their type.
cp -r "$prefix/share/mime" "$work/mime"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "the file types do not build"
grep -q '^text/x-delimited-data:\*\.prn$' "$work/mime/globs" || fail "*.prn has no file type"
grep -q '^text/x-delimited-data:\*\.dat$' "$work/mime/globs" || fail "*.dat has no file type"

echo "== manual pages"
for page in varnotile varnotile-cli; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  rendered=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" 2>/dev/null)
  grep -q '^NAME' <<<"$rendered" || fail "$page.1 does not render"
done

echo "== installed varnotile-cli"
"$prefix/bin/varnotile-cli" inspect "$root/examples/climate_chamber.csv" >"$work/inspect.json"
grep -q '"column_count": 5' "$work/inspect.json" || fail "inspect did not find the five columns"
QT_QPA_PLATFORM=offscreen "$prefix/bin/varnotile-cli" render "$root/examples/climate_chamber.csv" "$work/chart.png"
[ "$(identify -format '%wx%h' "$work/chart.png")" = 1200x800 ] || fail "render did not write a 1200x800 picture"

echo "installation checks passed"

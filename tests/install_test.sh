#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a Debian user
# finds there: the files, a valid desktop entry, AppStream metainfo and MIME
# types, manual pages that render without a warning and list the steps
# --help lists, and --version from the installed programs.
set -euo pipefail
build=$1
version=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

# Output nobody reads goes to a file here, never to a system path.
log=$dest/log
DESTDIR=$dest/root cmake --install "$build" --prefix /usr >"$log"
usr=$dest/root/usr
id=org.pelorin.Pelorin
for f in bin/pelorin bin/pelorin-cli \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/mime/packages/$id.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
         share/man/man1/pelorin.1.gz share/man/man1/pelorin-cli.1.gz \
         share/doc/pelorin/copyright share/doc/pelorin/LICENSE share/doc/pelorin/user-guide.html \
         share/doc/pelorin/examples/notched-band.recipe share/doc/pelorin/examples/peaks.pks; do
  [ -f "$usr/$f" ] || fail "$f is not installed"
done
[ -x "$usr/bin/pelorin" ] && [ -x "$usr/bin/pelorin-cli" ] || fail "the programs are not executable"
for picture in $(grep -o 'src="[^"]*"' "$usr/share/doc/pelorin/user-guide.html" | cut -d'"' -f2); do
  [ -f "$usr/share/doc/pelorin/$picture" ] || fail "the guide shows $picture, which is not installed"
done
[ -z "$(find "$usr/share/doc/pelorin/examples" -name out)" ] || fail "examples/out is installed"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$log" ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml")"
grep -q "^Exec=pelorin %f$" "$usr/share/applications/$id.desktop" || fail "Exec takes no file"
share=$(mktemp -d)
cp -r "$usr/share/mime" "$share/"
XDG_DATA_DIRS=$share update-mime-database "$share/mime" 2>&1 | grep . &&
  fail "update-mime-database complains"
grep -q "TAVIK SWIFT File" "$share/mime/magic" || fail "no magic for .swf waveforms"
rm -rf "$share"

for page in pelorin pelorin-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >"$log")
  [ -z "$warnings" ] || fail "man $page warns: $warnings"
done
[ "$("$usr/bin/pelorin-cli" --version)" = "pelorin-cli $version" ] || fail "pelorin-cli --version"
[ "$("$usr/bin/pelorin" --version)" = "pelorin $version" ] || fail "pelorin --version"
"$usr/bin/pelorin" --help | grep -q "Usage: pelorin \[FILE\]" || fail "pelorin --help"

# The manual's steps are the steps --help lists.
man_steps=$(zcat "$usr/share/man/man1/pelorin-cli.1.gz" |
  sed -n '/^\.SH STEPS/,/^\.SH /p' | sed -n 's/^\\fB\([a-z]*\)\\fR.*/\1/p' | sort)
help_steps=$("$usr/bin/pelorin-cli" --help | sed -n '/^Steps:/,/^$/p' |
  sed -n 's/^  \([a-z][a-z]*\)\( .*\)\?$/\1/p' | sort)
[ -n "$man_steps" ] || fail "the manual lists no step"
[ "$man_steps" = "$help_steps" ] || fail "the manual's steps ($man_steps) are not --help's ($help_steps)"
echo "install_test: $(find "$usr" -type f | wc -l) files installed and checked"

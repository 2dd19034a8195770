#!/usr/bin/env bash
# Installs the .deb that `make package` made, runs the installed programs,
# removes the package and checks that none of its files is left. Needs root
# (or sudo); changes the machine's packages while it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=$([ "$(id -u)" = 0 ] || echo sudo)
deb=$(ls build/package/pelorin_*_amd64.deb | tail -n 1)
$sudo apt-get install -y -qq "./$deb" >/dev/null
files=$(dpkg -L pelorin | while read -r f; do [ -d "$f" ] || echo "$f"; done)
/usr/bin/pelorin-cli --version
/usr/bin/pelorin --version
echo 'reset samples=64 bandwidth=100' | /usr/bin/pelorin-cli - && echo "pelorin-cli runs from /usr/bin"
man -w pelorin-cli pelorin >/dev/null && echo "man pelorin-cli, man pelorin"
$sudo dpkg -r pelorin >/dev/null
left=0
for f in $files; do
  if [ -e "$f" ]; then echo "left behind: $f"; left=1; fi
done
[ "$left" = 0 ] && echo "dpkg -r removed all $(echo "$files" | wc -l) files"
exit "$left"

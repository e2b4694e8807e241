#!/usr/bin/env bash
# Makes the Windows package orvix-<version>.zip: both builds of ORVIX.DLL (x64/ and x86/),
# install.cmd and uninstall.cmd, the device profile templates, INSTALL.txt, the licence, the
# changelog and the user documentation, under one folder orvix-<version>/. The version is
# the file version of the DLLs' version block. Text files get CR LF line ends, for Notepad
# and for cmd.exe, which misreads labels in batch files with bare LF.
#
# Usage: scripts/make-package.sh [--win64 DIR] [--win32 DIR] [--out DIR]
#   defaults: build/win64, build/win32 and build, relative to the repository. Prints the
#   path of the zip it made.
set -euo pipefail
export TZ=UTC

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
win64=$root/build/win64
win32=$root/build/win32
out=$root/build

while [ $# -gt 0 ]; do
  case $1 in
    --win64) win64=$2; shift 2 ;;
    --win32) win32=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "make-package: unknown argument $1" >&2; exit 2 ;;
  esac
done

for file in "$win64/ORVIX.DLL" "$win32/ORVIX.DLL"; do
  [ -f "$file" ] || { echo "make-package: $file is missing: build it first (make dll)" >&2; exit 1; }
done
command -v zip >/dev/null || { echo "make-package: zip is missing (make deps installs it)" >&2; exit 1; }

# The version from the modules themselves (binutils read their headers and resources), after
# checking that each is what its folder says.
version=""
for pair in "$win64/ORVIX.DLL:pei-x86-64" "$win32/ORVIX.DLL:pei-i386"; do
  file=${pair%:*}
  x86_64-w64-mingw32-objdump -f "$file" | grep -q "file format ${pair#*:}\$" ||
    { echo "make-package: $file is not a module of the format ${pair#*:}" >&2; exit 1; }
  this=$(x86_64-w64-mingw32-windres -i "$file" -O rc | sed -n 's/^ *FILEVERSION *//p' | tr -d ' ' | tr , .)
  [ -n "$this" ] || { echo "make-package: $file has no version block" >&2; exit 1; }
  [ -z "$version" ] || [ "$version" = "$this" ] ||
    { echo "make-package: the two modules differ in version: $version, $this" >&2; exit 1; }
  version=$this
done

name=orvix-$version
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/$name
mkdir -p "$dir/x64" "$dir/x86" "$dir/profiles" "$dir/docs"

crlf() { sed 's/\r$//; s/$/\r/' "$1" > "$2"; }

cp "$win64/ORVIX.DLL" "$dir/x64/ORVIX.DLL"
cp "$win32/ORVIX.DLL" "$dir/x86/ORVIX.DLL"
crlf "$root/packaging/install.cmd" "$dir/install.cmd"
crlf "$root/packaging/uninstall.cmd" "$dir/uninstall.cmd"
for profile in "$root"/packaging/profiles/*.reg; do
  crlf "$profile" "$dir/profiles/$(basename "$profile")"
done
sed "s/@VERSION@/$version/g" "$root/packaging/INSTALL.txt" > "$stage/INSTALL.txt"
crlf "$stage/INSTALL.txt" "$dir/INSTALL.txt"
crlf "$root/LICENSE" "$dir/LICENSE.txt"
crlf "$root/packaging/CHANGELOG.md" "$dir/CHANGELOG.md"
# The user documentation only; docs/ holds developers' notes too.
for doc in README.md methods.md profile.md result-codes.md debug-log.md troubleshooting.md; do
  crlf "$root/docs/$doc" "$dir/docs/$doc"
done

# The same inputs give the same zip: fixed times, fixed order, no extra attributes.
stamp=$(date -u -r "$win64/ORVIX.DLL" +%Y%m%d%H%M.%S)
find "$dir" -exec touch -h -t "$stamp" {} +
mkdir -p "$out"
zip_path=$(cd "$out" && pwd)/$name.zip
rm -f "$zip_path"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort | zip -q -X -D "$zip_path" -@)
echo "$zip_path"

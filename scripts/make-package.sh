#!/usr/bin/env bash
# Makes the Windows packages for integrators, version packaging/VERSION:
#   orvix-<version>-x64.msi  for 64-bit Windows: both DLLs, both orvixcheck.exe
#   orvix-<version>-x86.msi  for 32-bit Windows: the x86 DLL and orvixcheck.exe
#   orvix-<version>.zip      both packages, orvixcheck.exe of both bitnesses (to check a till
#                            before installing), INSTALL.txt, the licence, the changelog and
#                            the user documentation, under one folder orvix-<version>/
# The packages are built by scripts/build-msi.py (wixl). Text files in the zip get CR LF line
# ends, for Notepad.
#
# Usage: scripts/make-package.sh [--win64 DIR] [--win32 DIR] [--out DIR]
#   defaults: build/win64, build/win32 and build, relative to the repository. Prints the
#   paths of what it made.
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
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "make-package: unknown argument $1" >&2; exit 2 ;;
  esac
done
command -v zip >/dev/null || { echo "make-package: zip is missing (make deps installs it)" >&2; exit 1; }

version=$(tr -d ' \r\n' < "$root/packaging/VERSION")
name=orvix-$version
mkdir -p "$out"
out=$(cd "$out" && pwd)
for arch in x64 x86; do
  python3 "$root/scripts/build-msi.py" --arch $arch --version "$version" --win64 "$win64" --win32 "$win32" \
    --out "$out/$name-$arch.msi" >/dev/null
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/$name
mkdir -p "$dir/orvixcheck/x64" "$dir/orvixcheck/x86" "$dir/docs"

crlf() { sed 's/\r$//; s/$/\r/' "$1" > "$2"; }

cp "$out/$name-x64.msi" "$out/$name-x86.msi" "$dir/"
cp "$win64/orvixcheck.exe" "$dir/orvixcheck/x64/orvixcheck.exe"
cp "$win32/orvixcheck.exe" "$dir/orvixcheck/x86/orvixcheck.exe"
# Each build of a package has a product code of its own; INSTALL.txt names it for detection rules.
product_code() { msiinfo export "$1" Property | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
sed -e "s/@VERSION@/$version/g" -e "s/@PRODUCTCODE_X64@/$(product_code "$out/$name-x64.msi")/g" \
    -e "s/@PRODUCTCODE_X86@/$(product_code "$out/$name-x86.msi")/g" "$root/packaging/INSTALL.txt" > "$stage/INSTALL.txt"
crlf "$stage/INSTALL.txt" "$dir/INSTALL.txt"
crlf "$root/LICENSE" "$dir/LICENSE.txt"
crlf "$root/packaging/CHANGELOG.md" "$dir/CHANGELOG.md"
# The user documentation; performance.md is a note for developers.
for doc in "$root"/docs/*.md; do
  [ "$(basename "$doc")" = performance.md ] || crlf "$doc" "$dir/docs/$(basename "$doc")"
done

# The same files give the same zip: fixed times, fixed order, no extra attributes.
stamp=$(date -u -r "$win64/ORVIX.DLL" +%Y%m%d%H%M.%S)
find "$dir" -exec touch -h -t "$stamp" {} +
zip_path=$out/$name.zip
rm -f "$zip_path"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort | zip -q -X -D "$zip_path" -@)
printf '%s\n' "$out/$name-x64.msi" "$out/$name-x86.msi" "$zip_path"

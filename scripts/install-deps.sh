#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing, in one apt-get
# install (wine, wine64 and wine32:i386 must come together: installing wine32:i386 on its own
# removes wine64). A PACKAGE:i386 adds the i386 architecture first. When the normal sources
# fail (the i386 index of the security suite has been seen out of step with the others, and
# apt then refuses to mix versions), the install is made again from the main and updates
# suites alone.
set -u
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386 || exit 1
fi
apt_install() {
  apt-get "$@" update -qq && DEBIAN_FRONTEND=noninteractive apt-get "$@" install -y -qq "${missing[@]}" >/dev/null
}
apt_install && exit 0
echo "deps: the install from the normal sources failed; trying the main and updates suites alone"
sources=$(mktemp -d)
trap 'rm -rf "$sources"' EXIT
cat > "$sources/main.sources" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
if ! apt_install -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$sources"; then
  echo "deps: cannot install ${missing[*]}: see apt-get's messages above" >&2
  exit 1
fi

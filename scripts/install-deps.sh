#!/bin/bash
# Installs Debian packages listed in the given files (one name a line).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
packages=()
for list in "$@"; do
  while read -r name; do
    [ -n "$name" ] && packages+=("$name")
  done < "$here/$list"
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=300 update
  apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${missing[@]}"
fi

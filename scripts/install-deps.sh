#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demonstration need, when
# they are missing. Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  cmake make g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  libpq-dev postgresql postgresql-contrib postgresql-server-dev-15
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libgl-dev
  fontconfig fonts-dejavu-core
  clang-format libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) != *"install ok installed"* ]]; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null

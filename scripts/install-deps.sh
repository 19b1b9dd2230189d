#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, if any is missing.
# Idempotent and silent when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  libtbb-dev libboost1.81-dev
  libgtest-dev libbenchmark-dev
  # The command-line tool: options (CLI11), JSON report, glTF output (tinygltf's header needs
  # nlohmann's JSON, which it does not pull in).
  libcli11-dev libtinygltf-dev nlohmann-json3-dev
  # Open CASCADE: the STEP importer reads models through it, and its tests build models with it.
  libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
  libocct-data-exchange-dev libocct-ocaf-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

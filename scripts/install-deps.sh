#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine; packages that
# are already there are left alone. Extra package names may be passed.
set -euo pipefail
packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev lua5.4 parallel groff-base libstb-dev libjpeg-turbo-progs "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

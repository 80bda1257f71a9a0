#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking cae_core needs.
# Idempotent and quick when everything is already there; needs root (or sudo) only to install.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libeigen3-dev
  libboost-dev libboost-filesystem-dev libboost-system-dev
  rapidjson-dev libutfcpp-dev
  libwxgtk3.2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpng-dev libdxflib-dev libgmsh-dev libsuitesparse-dev libmetis-dev libopenblas-dev
  libmumps-dev libopenmpi-dev openmpi-bin
  calculix-ccx python3-ezdxf python3-paraview clang libclang-rt-14-dev
  clang-format git
  librecad xvfb xauth poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing.
# Only apt-get is used; nothing is downloaded at build time. The Qt packages
# are for the demo window (offscreen and X platform plugins, a font for its
# texts, a virtual X server for its window test); the build leaves the demo
# out when they are absent.
set -euo pipefail

packages=(
  cmake ninja-build g++
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  pkg-config libedit-dev nlohmann-json3-dev
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-svg-dev qt6-qpa-plugins fonts-dejavu-core
  xvfb xauth
)

# `setup.sh coverage` also installs the coverage report tool.
if [ "${1:-}" = "coverage" ]; then
  packages+=(gcovr)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt_opts=(-o DPkg::Lock::Timeout=600 -y --no-install-recommends)
apt-get "${apt_opts[@]}" update || true
apt-get "${apt_opts[@]}" install "${missing[@]}"

#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run its tools.
# Safe to run repeatedly; does nothing when everything is already present.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git ccache clang-format
  # the framework and the free VST 2.4 interface headers
  juce-modules-source fst-dev libflac-dev
  # what JUCE's Linux back ends need
  libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev libxcomposite-dev
  libfreetype-dev libfontconfig1-dev libasound2-dev libjack-jackd2-dev libgl-dev
  # fonts for the editor's labels (the fallback for Verdana on Linux)
  fonts-dejavu-core
  # the engine's arm64 build, run under the user-mode emulator (scripts/test-arm64.sh)
  g++-aarch64-linux-gnu qemu-user
  # tests and benchmarks; clang and its runtime (libFuzzer, the sanitizers) for the fuzz targets,
  # whose FuzzedDataProvider.h the ordinary build's replay tests use too
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev
  # hosts and tools used by the tests; XTest sends the scaled-window host tests' clicks
  xvfb xauth lilv-utils jalv jackd2 libxtst-dev
  # a real VST 2.4, VST3 and LV2 host, run headless through its Lua session tool
  ardour
  # a real CLAP host; the tests run its plug-in scanner and have it save and reopen a session,
  # whose plug-in state the Python standard library decodes
  qtractor python3
  # checking the Debian package: its policy checker, the desktop entry's validator, the LV2
  # data validator (lv2_validate, which runs sord_validate against the LV2 vocabularies) and the
  # manual page reader
  lintian desktop-file-utils lv2-dev sordi man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages that building (and with --test, testing)
# Quillomate needs and that this machine lacks. Runs apt-get as root, or
# through sudo otherwise; does nothing when everything is there.
#
#   tools/setup/install_packages.sh [--test] [--fuzz]
set -euo pipefail

build=(cmake make g++ libcli11-dev libtomlplusplus-dev libeigen3-dev)
# The tests: GoogleTest, a real Touchstone reader (scikit-rf), an SVG
# renderer, a real terminal; Google Benchmark for the benchmark programs.
tests=(libgtest-dev libbenchmark-dev python3-scikit-rf librsvg2-bin tmux)

# The fuzzer: clang with libFuzzer and the sanitizer runtimes.
fuzz=(clang libclang-rt-14-dev)

wanted=("${build[@]}")
for arg in "$@"; do
  case "$arg" in
    --test) wanted+=("${tests[@]}") ;;
    --fuzz) wanted+=("${fuzz[@]}") ;;
    *) echo "install_packages.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "quillomate set-up: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null; then
  run=(sudo)
else
  echo "quillomate set-up: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq
"${run[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null

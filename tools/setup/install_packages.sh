#!/usr/bin/env bash
# Installs the Debian packages that building (and with --test, testing)
# Quillomate needs and that this machine lacks. Runs apt-get as root, or
# through sudo otherwise; does nothing when everything is there.
#
#   tools/setup/install_packages.sh [--test] [--fuzz]
set -euo pipefail

build=(cmake make g++ pkg-config libcli11-dev libtomlplusplus-dev libeigen3-dev libdxflib-dev
       pybind11-dev python3-dev python3-numpy)
# The tests: GoogleTest, a real Touchstone reader (scikit-rf), an SVG
# renderer, a real terminal, the readers of the artwork (gerbv for Gerber,
# ezdxf for DXF, KiCad's pcbnew module for footprints); Google Benchmark for
# the benchmark programs; pytest for the Python module (built for Debian's
# python3 with pybind11 and numpy) and matplotlib for its example; openEMS
# for a full-wave run of a coarse model.
tests=(libgtest-dev libbenchmark-dev python3-scikit-rf librsvg2-bin tmux gerbv python3-ezdxf kicad
       python3-pytest python3-matplotlib openems)

# Installed without the packages they only recommend: KiCad's recommend
# its whole library of symbols, footprints and 3-D models, gigabytes the
# tests never open; openEMS's, its Octave interface and Octave itself.
lean=(kicad openems)

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
plain=() bare=()
for pkg in "${missing[@]}"; do
  if [[ " ${lean[*]} " == *" $pkg "* ]]; then bare+=("$pkg"); else plain+=("$pkg"); fi
done
[ ${#plain[@]} -eq 0 ] || "${run[@]}" apt-get install -y -qq "${plain[@]}" >/dev/null
[ ${#bare[@]} -eq 0 ] || "${run[@]}" apt-get install -y -qq --no-install-recommends "${bare[@]}" >/dev/null

#!/usr/bin/env bash
# Installs what is missing, builds Lumo with its tests and runs the whole suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMO_BUILD_DIR:-$root/build}
# The web views' engine refuses its sandbox to root; only then it runs without.
if [ "$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${LUMO_CMAKE_ARGS:-}
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2 --timeout 600

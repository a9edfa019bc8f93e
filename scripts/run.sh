#!/usr/bin/env bash
# Builds what running Lumo needs and starts it against the local service
# simulator (when the simulator is part of the tree). Without a display
# nobody could watch Lumo, so it shows the main job instead: a short
# demonstration on a private X server that writes a grab of the screen and a
# line of what happened for each step into a folder it names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMO_BUILD_DIR:-$root/build}
# The web views' engine refuses its sandbox to root; only then it runs without.
if [ "$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${LUMO_CMAKE_ARGS:-}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: showing the main job on a private X server instead."
  cmake --build "$build" --target lumo_main_job_demo -j2
  exec "$build/bin/lumo_main_job_demo" --out "${LUMO_DEMO_DIR:-$build/demo/$(date -u +%Y%m%d-%H%M%S)}"
fi

targets=(lumo lumo_engine)
if [ -d "$root/sim" ] && [ -f "$root/sim/CMakeLists.txt" ]; then targets+=(lumo-sim); fi
cmake --build "$build" --target "${targets[@]}" -j2

sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT

if [ -x "$build/bin/lumo-sim" ]; then
  # The simulator writes the addresses of its services to this file, which
  # Lumo reads instead of the built-in hosts.
  services=${LUMO_SERVICES:-$build/lumo-services.ini}
  rm -f "$services"
  "$build/bin/lumo-sim" --services-file "$services" &
  sim_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$services" ] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then echo "lumo-sim did not start" >&2; exit 1; fi
    sleep 0.1
  done
  export LUMO_SERVICES="$services"
fi

"$build/bin/lumo"

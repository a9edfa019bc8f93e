#!/usr/bin/env bash
# Builds Lumo with sanitizers and runs what each one is meant for:
#   build-asan  everything with AddressSanitizer + UndefinedBehaviorSanitizer,
#               the whole suite;
#   build-tsan  the worker-thread code with ThreadSanitizer: the flow, resolve,
#               sources, remote, account, playback, net and engine tests;
#   build-fuzz  the libFuzzer targets, a short run of each and the replay of
#               their regression inputs.
# Every phase runs even after one failed, so one run shows all that is wrong;
# the exit status is non-zero when any did. Any sanitizer report ends its
# program with a failure, and so fails its test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
asan_dir=${LUMO_ASAN_DIR:-$root/build-asan}
tsan_dir=${LUMO_TSAN_DIR:-$root/build-tsan}
fuzz_dir=${LUMO_FUZZ_DIR:-$root/build-fuzz}
fuzz_seconds=${LUMO_FUZZ_SECONDS:-15}
# Which sanitizer builds to make: any of asan tsan fuzz.
phases=${LUMO_SAN_PHASES:-asan tsan fuzz}
if [ "$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

# The sanitizers' run-time options, for the tests and for the test programs
# run at build time to list their cases. Third-party reports that are not
# Lumo's to fix are in tests/sanitizers/, each with its reason.
supp=$root/tests/sanitizers
# new_delete_type_mismatch is off: Qt WebEngine (Chromium, uninstrumented)
# frees some of its own objects with a size other than the one they were
# made with, and ASan cannot suppress that check by library. Lumo's code has
# -Wdelete-non-virtual-dtor (in -Wall) for the same fault.
export ASAN_OPTIONS="halt_on_error=1:exitcode=1:detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1:new_delete_type_mismatch=0"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$supp/tsan.supp"

# The test programs that run worker threads: ThreadSanitizer's share.
tsan_targets=(flow_tests resolve_tests resolve_engine_test sources_pages_test
  sources_flows_test remote_tests remote_chain_tests account_tests
  playback_tests net_tests engine_parts_test engine_library_test)
tsan_test_dirs=(flow resolve sources remote account playback net engine)

failed=()
report=()
phase_start=0
start_phase() { phase_start=$SECONDS; echo "=== $1"; }
end_phase() {  # name status
  local took=$((SECONDS - phase_start))
  local line
  line=$(printf '%-28s %4dm%02ds  %s' "$1" $((took / 60)) $((took % 60)) "$2")
  echo "=== $line"
  report+=("$line")
  if [ "$2" != ok ]; then failed+=("$1"); fi
}
run_phase() {  # name command...; fails when the command did
  local name=$1
  shift
  start_phase "$name"
  if "$@"; then end_phase "$name" ok; else end_phase "$name" FAILED; return 1; fi
}

# -O1 with line tables: readable stacks, and builds and runs much faster than
# without optimisation.
san_configure() {  # dir sanitizers extra-args...
  local dir=$1 sanitize=$2
  shift 2
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DLUMO_BUILD_BENCH=OFF -DLUMO_SANITIZE="$sanitize" "$@" ${LUMO_CMAKE_ARGS:-}
}

asan_build() {
  san_configure "$asan_dir" address,undefined && cmake --build "$asan_dir" -j2
}
# The soak measures memory growth, which AddressSanitizer's quarantine of
# freed memory makes meaningless; it runs in the plain suite.
# Each writer the crash tests kill starts and writes several times slower
# under ASan; 300 kills a file (1000 in the plain suite) keep them in time.
# LeakSanitizer's own tracer now and then crashes while it stops the
# threads for the leak check at exit ("Tracer caught signal 11"), after the
# test itself passed; that is no report on Lumo's code. When every failed
# test failed that way, those tests run once more.
asan_test() {
  local log=$asan_dir/asan-tests.log failed tracer
  (cd "$asan_dir" && LUMO_CRASH_ROUNDS=300 ctest --output-on-failure -j2 --timeout 600 -LE soak -O "$log") && return 0
  failed=$(grep -c . "$asan_dir/Testing/Temporary/LastTestsFailed.log" || true)
  tracer=$(grep -c "Tracer caught signal" "$log" || true)
  if [ "$failed" -eq 0 ] || [ "$failed" != "$tracer" ]; then return 1; fi
  echo "=== LeakSanitizer's tracer crashed in $failed test(s); running them once more"
  (cd "$asan_dir" && LUMO_CRASH_ROUNDS=300 ctest --output-on-failure --timeout 600 --rerun-failed)
}

tsan_build() {
  san_configure "$tsan_dir" thread && cmake --build "$tsan_dir" -j2 --target "${tsan_targets[@]}"
}
tsan_test() {
  local status=0 dir
  for dir in "${tsan_test_dirs[@]}"; do
    (cd "$tsan_dir/tests/$dir" && ctest --output-on-failure -j2 --timeout 600) || status=1
  done
  return $status
}

fuzz_build() {
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DLUMO_FUZZ=ON -DLUMO_BUILD_BENCH=OFF -DLUMO_FUZZ_SECONDS="$fuzz_seconds" ${LUMO_CMAKE_ARGS:-} &&
    cmake --build "$fuzz_dir" -j2 --target lumo_fuzzers
}
fuzz_test() {
  (cd "$fuzz_dir" && ctest --output-on-failure -j2 --timeout 600 -L fuzz)
}

start=$SECONDS
run_phase "install-deps" bash "$root/scripts/install-deps.sh" || exit 1
for phase in $phases; do
  case $phase in
    asan) run_phase "asan+ubsan build" asan_build && run_phase "asan+ubsan tests" asan_test || true ;;
    tsan) run_phase "tsan build" tsan_build && run_phase "tsan tests" tsan_test || true ;;
    fuzz) run_phase "fuzz build" fuzz_build && run_phase "fuzz runs (${fuzz_seconds}s each)" fuzz_test || true ;;
    *) echo "unknown phase: $phase" >&2; exit 2 ;;
  esac
done

echo "=== sanitizer checks, $(((SECONDS - start) / 60))m$(printf '%02d' $(((SECONDS - start) % 60)))s:"
printf '    %s\n' "${report[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi

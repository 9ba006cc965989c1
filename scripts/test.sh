#!/usr/bin/env bash
# Everything from a clean clone to green: dependencies, the host build with its
# unit tests and static checks, the Windows build, and the end-to-end suites
# against the real exe under Wine.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
step() { printf '\n== %s\n' "$*"; }
# ctest's summary, or all of its output when something failed.
unit_tests() {
  local log=build/$1-ctest.log
  ctest --preset "$1" --output-on-failure >"$log" 2>&1 || { cat "$log"; return 1; }
  tail -n 3 "$log"
}

step "dependencies"
scripts/install-deps.sh

step "host build and unit tests"
cmake --preset host -DTIMELOCK_WERROR=ON >/dev/null
cmake --build --preset host
unit_tests host

step "unit tests under ASan, UBSan and LSan, and the text-rules fuzzer"
cmake --preset sanitize -DTIMELOCK_WERROR=ON >/dev/null
cmake --build --preset sanitize
unit_tests sanitize
mkdir -p build/sanitize/corpus
fuzz_log=build/sanitize/fuzz.log
if ! build/sanitize/tests/fuzz/text_rules_fuzz -max_total_time="${TIMELOCK_FUZZ_SECONDS:-30}" \
  build/sanitize/corpus >"$fuzz_log" 2>&1; then
  tail -n 40 "$fuzz_log"
  exit 1
fi
grep -E '^Done' "$fuzz_log"

step "clang-tidy over the portable core"
clang-tidy -p build/host --quiet scheduler/handlers.cpp platform/text_rules.cpp app/window_definition.cpp \
  app/focus_order.cpp 2> >(grep -v 'warnings generated' >&2)

step "clang-format"
git ls-files -z 'app/*.cpp' 'app/*.h' 'scheduler/*' 'platform/*' 'tests/unit/*.cpp' 'tests/unit/*.h' |
  xargs -0 clang-format --dry-run -Werror

step "Windows build"
cmake --preset win64 -DTIMELOCK_WERROR=ON >/dev/null
cmake --build --preset win64
scripts/check-exe.sh build/win64/timelock.exe

step "end to end under Wine"
scripts/e2e.sh --no-build

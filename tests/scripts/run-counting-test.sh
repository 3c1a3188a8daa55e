#!/usr/bin/env bash
# `./run test`'s counting against stand-ins for the build tools, the test
# runs and the stages: what passed, failed and could not run on this machine
# must add up to what happened. A fuzz build that fails is a failure, one
# that cannot start for want of clang is not run; a stage that passes with
# parts it could not run ("NOT RUN") counts those parts as not run.
set -uo pipefail
script=$1
source "$(dirname "$0")/expect.sh"

# A checkout holding the script, an installer that installs nothing, and stages.
repo=$work/repo
mkdir -p "$repo/scripts/stages" "$work/bin"
cp "$script" "$repo/run"
printf '#!/bin/sh\nexit 0\n' >"$repo/scripts/install-deps"
chmod +x "$repo/scripts/install-deps"
cat >"$repo/scripts/stages/passes.sh" <<'STAGE'
echo "passes: all checks passed"
STAGE
# As the X11 stage ends where GTK cannot drag: two parts not run, the rest passed.
cat >"$repo/scripts/stages/partly.sh" <<'STAGE'
echo "  ok: the panel opens"
echo "  NOT RUN: the GTK 3 drops (python3-gi is not installed)"
echo "  NOT RUN: the GTK 3 drops with a window manager (openbox is not installed)"
echo "partly: the checks that ran passed; 2 part(s) could not run on this machine (said above)"
STAGE
cat >"$repo/scripts/stages/absent.sh" <<'STAGE'
echo "absent stage: NOT RUN: its program is not installed"
exit 77
STAGE

# Only the stand-ins and the plain tools the script uses are on the PATH, so
# a clang installed on this machine is not seen unless the case wants one.
for tool in bash sh basename dirname nproc grep sed head tail mkdir mktemp cp cat tee chmod rm; do
  ln -s "$(command -v "$tool")" "$work/bin/$tool"
done
cat >"$work/bin/cmake" <<'STAND'
#!/bin/sh
# Configures by making the folder; a build of the fuzz targets makes them,
# unless the case has it fail.
while [ $# -gt 0 ]; do
  case "$1" in
    -B) mkdir -p "$2" ;;
    --build)
      if [ "$2" = build-fuzz ]; then
        [ -n "${FUZZ_BUILD_FAILS:-}" ] && { echo "FAILED: fuzz_chunk.cpp.o"; exit 1; }
        mkdir -p build-fuzz/tests/fuzz
        for name in wave chunk dispatcher; do
          printf '#!/bin/sh\nexit 0\n' >"build-fuzz/tests/fuzz/fuzz_$name"
          chmod +x "build-fuzz/tests/fuzz/fuzz_$name"
        done
      fi ;;
  esac
  shift
done
exit 0
STAND
cat >"$work/bin/ctest" <<'STAND'
#!/bin/sh
echo "100% tests passed, 0 tests failed out of 2"
STAND
printf '#!/bin/sh\nexit 0\n' >"$work/clang++"
chmod +x "$work/bin/cmake" "$work/bin/ctest" "$work/clang++"

run() { # clang yes|no [VAR=value...] -> output in $out, status in $rc
  local clang=$1; shift
  rm -rf "$repo"/build* "$work/bin/clang++"
  [ "$clang" = yes ] && ln -s "$work/clang++" "$work/bin/clang++"
  out=$(cd "$repo" && env -i HOME="$work" PATH="$work/bin" "$@" bash ./run test 2>&1)
  rc=$?
  summary=$(grep '^all: ' <<<"$out" | tail -n 1)
}

# Three test runs of 2, two stages that pass, three fuzz targets.
run yes
expect "everything passes: $summary" test "$summary" = "all: 11 passed, 0 failed, 3 not run on this machine"
expect "and the run succeeds ($rc)" test $rc -eq 0

run yes FUZZ_BUILD_FAILS=1
expect "a fuzz build that fails is a failure: $summary" test "$summary" = "all: 8 passed, 1 failed, 3 not run on this machine"
expect "and fails the run ($rc)" test $rc -ne 0
expect "saying so" grep -q 'fuzz build FAILED' <<<"$out"

run no
expect "without clang the fuzz targets are not run: $summary" \
  test "$summary" = "all: 8 passed, 0 failed, 4 not run on this machine"
expect "which fails nothing ($rc)" test $rc -eq 0

[ $failures -eq 0 ]

#!/usr/bin/env bash
# scripts/install-deps against stand-ins for apt-get, dpkg and dpkg-query:
# an `apt-get update` that fails as a registry in mid-sync does, optional
# packages that cannot be installed, and a kernel with and without 32-bit
# programs. It must go on, install what it can, and say what it skipped.
set -uo pipefail
script=$1
source "$(dirname "$0")/expect.sh"
not_32() { ! grep -qE 'add-architecture|wine32' "$1"; }

mkdir -p "$work/bin"
# Nothing is installed; every call is logged.
cat >"$work/bin/dpkg-query" <<'STAND'
#!/bin/sh
exit 1
STAND
cat >"$work/bin/dpkg" <<'STAND'
#!/bin/sh
echo "dpkg $*" >>"$LOG"
[ "$1" = --print-foreign-architectures ] && exit 0
exit 0
STAND
cat >"$work/bin/apt-get" <<'STAND'
#!/bin/sh
echo "apt-get $*" >>"$LOG"
case "$*" in
  *update*) echo "E: Failed to fetch http://example/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress? [IP: 192.0.2.1 80]"; exit 100 ;;
  *ardour*|*wine32*) echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
esac
exit 0
STAND
chmod +x "$work/bin/"*

run() { # profile runs32 -> output in $out, log in $LOG
  export LOG=$work/log.$1.$2
  : >"$LOG"
  out=$(PATH=$work/bin:$PATH PARVOLINO_RUNS_32BIT=$2 bash "$script" ${1/all/} 2>&1)
  rc=$?
}

run all 0
expect "the installer succeeds past a failed update ($rc)" test $rc -eq 0
expect "the failed update is reported in one line" test "$(grep -c 'apt-get update failed' <<<"$out")" -eq 1
expect "the report names the failing index" grep -q 'Mirror sync in progress' <<<"$out"
expect "the build's packages are installed" grep -q 'install .*libgtest-dev' "$LOG"
expect "the clang group is installed after the failure" grep -q 'install .*clang' "$LOG"
expect "Ardour is skipped with one line" test "$(grep -c 'skipped Ardour' <<<"$out")" -eq 1
expect "the 32-bit Wine's absence is said" grep -q 'skipped the 32-bit Wine: this kernel runs no 32-bit programs' <<<"$out"
expect "no 32-bit architecture or Wine where 32-bit programs cannot run" not_32 "$LOG"

run all 1
expect "with 32-bit programs the architecture is added" grep -q 'dpkg --add-architecture i386' "$LOG"
expect "the 32-bit Wine is asked for and skipped in one line" test "$(grep -c 'skipped the 32-bit Wine (wine32:i386)' <<<"$out")" -eq 1
expect "the installer still succeeds ($rc)" test $rc -eq 0

run demo 0
expect "the demo installs only the build's packages" not grep -qE 'gtest|wine|ardour|clang|xvfb' "$LOG"
expect "the demo installs the renderer's library" grep -q 'install .*libsndfile1-dev' "$LOG"

# A required package that cannot be installed stops it, saying why.
sed -i 's/\*ardour\*|/*cmake*|*ardour*|/' "$work/bin/apt-get"
run demo 0
expect "a build package that cannot be installed fails the installer" test $rc -ne 0
expect "and says so" grep -q 'FAILED to install what the build needs: E: Unable to correct problems' <<<"$out"

[ $failures -eq 0 ]

#!/usr/bin/env bash
# The install that degrades (tools/packages.sh), on an archive broken by
# TAVRIX_APT_FAIL, without touching apt: a failed index update is a warning; an
# optional package that will not install is skipped in one line, and the 32-bit
# Windows run then takes the path of a kernel without IA32 emulation; a required
# one ends the script with status 1, naming the package and apt's reason.
set -euo pipefail
cd "$(dirname "$0")/.."
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "test-install: $1" >&2; for f in "$WORK"/out "$WORK"/err; do [ -e "$f" ] && cat "$f" >&2; done; exit 1; }
simulated="Unable to correct problems, you have held broken packages. (simulated by TAVRIX_APT_FAIL)"

# wine32 skipped after a failed update; the 32-bit run is then blocked whatever the kernel.
( source tests/windows/build.sh
  TAVRIX_APT_FAIL="update wine32:i386" packages_want windows "to run the 32-bit Windows files" wine32:i386 >"$WORK/out" 2>"$WORK/err"
  [ "$(cat "$WORK/out")" = "windows: installing wine32:i386
windows: skipped wine32:i386, needed only to run the 32-bit Windows files: $simulated" ] || fail "skipping wine32"
  grep -q "^windows: warning: apt-get update failed (Failed to fetch .*); installing from the lists apt has$" "$WORK/err" ||
    fail "the failed update is not a warning"
  [ "$(windows_ia32_blocker /bin/true)" = "wine32:i386 could not be installed" ] || fail "a skipped wine32 does not block the 32-bit run" )

# Without a skip, the probe decides: a kernel that refuses 32-bit programs blocks, one that runs them does not.
( source tests/windows/build.sh
  printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$WORK/refused"
  chmod +x "$WORK/refused"
  [ "$(windows_ia32_blocker "$WORK/refused")" = "this kernel cannot run 32-bit x86 programs (Exec format error)" ] ||
    fail "a kernel without IA32 emulation is not recognised"
  [ -z "$(windows_ia32_blocker /bin/true)" ] || fail "a kernel that runs 32-bit programs is blocked" )

# A required package that will not install: ./run stops before building, naming it.
status=0
TAVRIX_APT_FAIL=cmake ./run build >"$WORK/out" 2>"$WORK/err" || status=$?
[ "$status" -eq 1 ] || fail "./run build exited $status with cmake uninstallable (wanted 1)"
[ "$(cat "$WORK/err")" = "run: cannot install cmake, which is required: $simulated" ] || fail "the message for cmake"
grep -q "^run: installing cmake$" "$WORK/out" || fail "./run does not say what it installs"
echo "test-install: passed"

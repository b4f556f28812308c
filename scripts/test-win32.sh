#!/usr/bin/env bash
# The 32-bit tier: the shipped build/win32/dist under Debian's 32-bit Wine,
# emulated by qemu-i386 (scripts/emu32-root.sh makes the private root), with
# a 32-bit driver, helpers and wimlib bridge. It runs a short choice of the
# end-to-end tests, switched to the 32-bit tree by NIMBREL_TIER=win32.
#
# Exit 0: passed; 1: failed; 2: skipped, said in one line: the i386
# packages cannot be had, the emulated Wine does not start a helper, or it
# cannot run two threads of a process at once (as qemu 7.2 could not: see
# the README). Every failure after those questions fails the tier.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
export NIMBREL_TIER=win32
source "$ROOT/scripts/emu32-env.sh"

"$ROOT/scripts/emu32-root.sh"
case $? in
  0) ;;
  2) exit 2 ;;
  *) echo "32-bit tier: the emulated Wine could not be set up"; exit 1 ;;
esac

B="$ROOT/build/win32"
export NIMBREL_DIST="$B/dist" NIMBREL_DRIVER="$B/tools/driver/nimdrive.exe"
export NIMBREL_FIXTURE="$B/tools/driver/drivefixture.exe" NIMBREL_SCREENSHOTS="$B/screenshots"
export NIMBREL_WIMBRIDGE="$B/tools/wimbridge/wimlib-imagex.exe" NIMBREL_NIMCHILD="$B/tools/children/nimchild.exe"
export NIMBREL_WIMSTUB_PARTIAL="$B/tools/stubs/wimstub-partial.exe" NIMBREL_ROOT="$ROOT" PYTHONDONTWRITEBYTECODE=1

TESTS=(
  test_system_line.SystemLine
  test_info_viewer.InfoViewer.test_dialog_shows_exactly_what_wimlib_prints_also_beyond_one_piece
  test_conversion.RealConversion.test_maximum_index_2_gives_one_lzx_image
  test_conversion.OutcomeByTheFileAlone.test_a_tool_that_writes_part_of_the_target_and_fails_leaves_nothing
  test_link_labels.LinkLabels.test_a_double_click_runs_one_query
)
LOG="$ROOT/build/test-logs/win32.log"
mkdir -p "$(dirname "$LOG")"

run_tests() {
  local said
  cmake --build "$B" --target nimchild >/dev/null || { echo "32-bit tier: nimchild did not build"; return 1; }
  said="$(timeout 300 "$WINE" "$NIMBREL_NIMCHILD" say Wine 2>&1 | tr -d '\r')"
  if [ "$said" != Wine ]; then
    echo "32-bit tier: skipped: the emulated Wine does not start ($(tail -1 <<<"$said"))"
    return 2
  fi
  said="$(timeout 300 "$WINE" "$NIMBREL_NIMCHILD" threads 5 2>&1 | tr -d '\r')"
  if [ "$said" != "threads 5" ]; then
    echo "32-bit tier: skipped: the emulator cannot run two threads of a 32-bit Wine process at once" \
         "(nimchild threads 5: $(tail -1 <<<"${said:-no output}")); Nimbrel.exe was not judged"
    return 2
  fi
  cmake --build "$B" --target nimdrive nimdrivehook drivefixture wimbridge wimstub_partial >/dev/null \
    || { echo "32-bit tier: the 32-bit driver and helpers did not build"; return 1; }
  cd "$ROOT/tests/e2e"
  timeout 1200 python3 -m unittest -v "${TESTS[@]}" 2>&1 | tee "$LOG"
}

started=$(date +%s)
if [ "${1:-}" = --inside ]; then run_tests; exit $?; fi
"$ROOT/scripts/wine-session.sh" "$0" --inside
rc=$?
echo "32-bit tier: $(( $(date +%s) - started )) s"
exit "$rc"

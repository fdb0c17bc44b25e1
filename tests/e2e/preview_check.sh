#!/usr/bin/env bash
# The dialog's live preview on a real X server: runs the preview test under Xvfb.
# Usage: preview_check.sh PATH/TO/vorn_preview_tests   (PREVIEW_KEEP=FOLDER keeps the screenshots)
set -u
command -v soffice >/dev/null || { echo "soffice not found: preview check skipped"; exit 77; }
command -v xvfb-run >/dev/null || { echo "xvfb-run not found: preview check skipped"; exit 77; }
tests=$(realpath "$1")
. "$(dirname "$0")/check_lib.sh"
need_tools pdftoppm
make_work preview
cd "$work" || exit 1
# A screen large enough for the dialog, in colour, of the check's own.
env -u WAYLAND_DISPLAY VORN_TEST_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$tests" --gtest_filter='PreviewTest.*'

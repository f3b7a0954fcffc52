#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# Runs one end-to-end row against the 32-bit build of the program, or skips it (77) where Wine
# cannot start 32-bit programs or that build is not there, so that such a machine still passes.
# Usage: program32.sh <the 32-bit mirebasco.exe> <the row's command...>
set -u
program=$1
shift
# shellcheck source=../../scripts/lib/environment.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/environment.sh"

if ! wine32_runs; then
    say "Skipped: Wine cannot start 32-bit programs here ($WINE32_LOADER does not run)."
    exit 77
fi
if [ ! -f "$program" ]; then
    say "Skipped: the 32-bit build's $program is not there."
    exit 77
fi
exec "$@"

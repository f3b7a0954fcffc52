#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# Runs one end-to-end case whose fault only this side can cause, with a sound server of its own:
#   sound-server-dies, sound-server-dies-before-stop: the server is killed when the case asks;
#   disk-too-small: the take is aimed at a 200 KiB tmpfs (mounting needs root; skipped otherwise).
# Usage: faults.sh <fault> <e2e_tests.exe> <emulator and its arguments...>
set -u
fault=$1 tests=$2
shift 2
# shellcheck source=../../scripts/lib/environment.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/environment.sh"

work=$(mktemp -d /tmp/mirebasco-faults.XXXXXX)
STATE=$work  # the sound server's socket and log go here, apart from the session's own
small=$work/small
cleanup() {
    # A program left hanging by a failed case still uses this server: every process that does is ours.
    local environ
    grep -lsa "PULSE_SERVER=unix:$work/" /proc/[0-9]*/environ | while read -r environ; do
        environ=${environ#/proc/}
        kill -9 "${environ%/environ}" 2>/dev/null
    done
    stop_everything
    mountpoint -q "$small" && umount "$small"
    rm -rf "$work"
}
trap cleanup EXIT

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$work/shared"
export MIREBASCO_FAULT_FOLDER
MIREBASCO_FAULT_FOLDER=$(windows_path "$work/shared")
case $fault in
    sound-server-dies) filter=E2eFault.SoundServerDiesDuringATake ;;
    sound-server-dies-before-stop) filter=E2eFault.SoundServerDiesJustBeforeTheStop ;;
    disk-too-small)
        filter=E2eFault.DiskTooSmallForTheTake
        mkdir -p "$small"
        if ! mount -t tmpfs -o size=200k tmpfs "$small" 2>"$work/mount.log"; then
            say "Skipped: cannot mount a 200 KiB tmpfs here ($(cat "$work/mount.log")); run as root to test a full disk."
            exit 77
        fi
        export MIREBASCO_FULL_FOLDER
        MIREBASCO_FULL_FOLDER=$(windows_path "$small")
        ;;
    *) say "unknown fault: $fault"; exit 2 ;;
esac

start_private_sound
server=${STARTED_PIDS[0]}

"$@" "$tests" --gtest_filter="$filter" &
runner=$!
while kill -0 "$runner" 2>/dev/null; do
    if [ -e "$work/shared/kill-sound-server" ] && [ ! -e "$work/shared/sound-server-killed" ]; then
        kill -9 "$server"
        wait "$server" 2>/dev/null
        touch "$work/shared/sound-server-killed"
    fi
    sleep 0.05
done
wait "$runner"

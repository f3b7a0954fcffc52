# Shared by scripts/run, scripts/test and scripts/bench: installs what is missing, builds, and
# starts the private display, sound server and Wine that the program runs under. Every process
# started here is remembered by its id and stopped by stop_everything.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# MIREBASCO_BUILD_DIR (and MIREBASCO_BUILD32_DIR for the 32-bit one) lets a developer keep a build
# of their own; MIREBASCO_TARGETS limits what is built (and skips the 32-bit build) while working
# on one area.
BUILD=${MIREBASCO_BUILD_DIR:-$ROOT/build/x86_64}
BUILD32=${MIREBASCO_BUILD32_DIR:-$ROOT/build/i686}
STATE=$BUILD/session
export WINEPREFIX=$BUILD/wineprefix

PACKAGES=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest
          wine wine64 xvfb xauth x11-utils imagemagick pulseaudio pulseaudio-utils
          locales fonts-ipafont-gothic procps python3)

STARTED_PIDS=()
WINE_STARTED=0

say() { printf '%s\n' "$*" >&2; }

# Runs a command in the environment every Wine program of ours gets (scripts/lib/wine.env), the
# one ctest runs the test programs in.
in_wine_env() { "$ROOT/scripts/lib/wine-env" "$@"; }

# Runs the command every 0.1 s until it succeeds, at most `tries` times; false if it never did.
wait_until() {
    local tries=$1 _
    shift
    for _ in $(seq 1 "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

need_root_for() {
    if [ "$(id -u)" != 0 ]; then
        say "Missing: $*. Run this script as root once so that it can install them with apt-get."
        exit 1
    fi
}

# Extra package names may be given for one script's own needs (scripts/bench's plotting, say).
# shellcheck disable=SC2120 # the arguments are optional
ensure_packages() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    need_root_for "${missing[*]}"
    apt_install "${missing[@]}"
}

# Installs the packages given with apt-get, quietly; on a failure shows the end of its log and stops.
apt_install() {
    say "Installing $* ..."
    local log=/tmp/mirebasco-apt.log
    if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends "$@"; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        say "apt-get failed; the whole log is in $log"
        exit 1
    fi
}

# Debian's 32-bit Wine loader. /usr/bin/wine runs it whenever it is there, for 64-bit programs
# too (it hands those on to the 64-bit loader).
WINE32_LOADER=/usr/lib/wine/wine

# True when this kernel runs 32-bit x86 programs. The proof is to run one: nothing 32-bit need be
# installed yet, the machine's compiler may have no 32-bit libraries, and a kernel built with the
# support can still have it turned off at boot (ia32_emulation=0), so its configuration proves
# nothing. The program is written out here, 96 bytes: an ELF header, one loadable segment, and
# "mov eax, 1; mov ebx, 42; int 0x80", the 32-bit system call exit(42). A kernel that cannot run
# it refuses to start it, and nothing else ends with 42.
kernel_runs_32bit_code() {
    local probe=$BUILD/probe-i386 code
    local header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
    header+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00'
    header+='\x01\x00\x00\x00\x00\x00\x00\x00'
    local segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'
    segment+='\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    local exit42='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
    mkdir -p "$BUILD" && printf '%b' "$header" "$segment" "$exit42" >"$probe" && chmod +x "$probe" ||
        return 1
    "$probe" 2>/dev/null
    code=$?
    rm -f "$probe"
    [ "$code" = 42 ]
}

# True when Wine can start 32-bit programs here: its 32-bit loader is installed and runs.
wine32_runs() { "$WINE32_LOADER" --version >/dev/null 2>&1; }

# 32-bit Wine beside the 64-bit one, so that the tests can run the 32-bit build as 64-bit Windows
# runs 32-bit programs. Only where the kernel runs 32-bit code: elsewhere /usr/bin/wine would pick
# a loader that cannot start, and every Wine program would fail.
ensure_wine32() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && return 0
    if ! kernel_runs_32bit_code; then
        say "This kernel does not run 32-bit programs: no 32-bit Wine, and the 32-bit build's tests are skipped."
        return 0
    fi
    need_root_for "32-bit Wine (wine32:i386)"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || exit 1
    apt_install wine32:i386
}

ensure_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
    need_root_for "the ja_JP.UTF-8 locale"
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
}

build_all() {
    local targets program32=$BUILD32/app/mirebasco.exe
    read -r -a targets <<<"${MIREBASCO_TARGETS:-all}"
    # The end-to-end tests run against the 32-bit build's program too (tests/e2e/CMakeLists.txt);
    # the two builds are separate trees, so the tests' is told where that program is.
    if ! grep -qsxF "MIREBASCO_PROGRAM32:FILEPATH=$program32" "$BUILD/CMakeCache.txt"; then
        cmake --preset x86_64 -S "$ROOT" -B "$BUILD" -DMIREBASCO_PROGRAM32:FILEPATH="$program32" \
            >/dev/null || exit 1
    fi
    build_one x86_64 "$BUILD" "${targets[@]}"
    [ -n "${MIREBASCO_TARGETS:-}" ] || build_one i686 "$BUILD32" all
}

build_one() {
    local preset=$1 dir=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake --preset "$preset" -S "$ROOT" -B "$dir" >/dev/null || exit 1
    fi
    # The compiler's warnings and errors are shown as they come; make's progress lines are not.
    local target
    for target in "$@"; do
        cmake --build "$dir" --target "$target" -j2 -- --no-print-directory 2>&1 |
            grep -v -E '^\[ *[0-9]+%\] |^(Scanning dependencies|Consolidate compiler)'
        if [ "${PIPESTATUS[0]}" != 0 ]; then
            say "Building $target ($preset) failed."
            exit 1
        fi
    done
}

stop_everything() {
    local pid
    if [ "$WINE_STARTED" = 1 ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    for pid in "${STARTED_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${STARTED_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    STARTED_PIDS=()
}

# A virtual screen of our own; its number is picked by the X server from the free ones.
start_private_display() {
    mkdir -p "$STATE"
    local fdfile=$STATE/display
    rm -f "$fdfile"
    Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$fdfile" \
        >"$STATE/xvfb.log" 2>&1 &
    STARTED_PIDS+=($!)
    wait_until 100 test -s "$fdfile" || { say "Xvfb did not start; see $STATE/xvfb.log"; exit 1; }
    DISPLAY=:$(tr -d '\n' <"$fdfile")
    export DISPLAY
    PRIVATE_DISPLAY=1
}

# A sound server of our own: a null sink whose monitor is the default source, carrying a steady
# 1 kHz tone. The tone is made inside the server (module-sine), so no process outside it can be
# starved and leave gaps of silence in a take, however loaded the machine. A low-latency stream of
# silence into the same sink keeps its latency short: without one the monitor delivers in large
# late blocks, and takes lose their last few hundred milliseconds.
start_private_sound() {
    local dir=$STATE/pulse
    rm -rf "$dir"
    mkdir -p "$dir"
    chmod 700 "$dir"
    export XDG_RUNTIME_DIR=$dir
    export PULSE_RUNTIME_PATH=$dir
    export PULSE_SERVER=unix:$dir/native
    export PULSE_STATE_PATH=$dir
    cat >"$dir/server.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=tone rate=44100 channels=2
load-module module-null-sink sink_name=speakers rate=44100 channels=2
set-default-sink speakers
set-default-source tone.monitor
load-module module-sine sink=tone frequency=1000
PA
    HOME=$dir pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --disable-shm=yes --log-target=file:"$dir/server.log" \
        >/dev/null 2>&1 &
    STARTED_PIDS+=($!)
    wait_until 100 pactl info >/dev/null 2>&1 ||
        { say "PulseAudio did not start; see $dir/server.log"; exit 1; }
    pacat --raw --latency-msec=10 --rate=44100 --channels=2 --format=s16le -d tone </dev/zero \
        >/dev/null 2>&1 &
    STARTED_PIDS+=($!)
    # A null sink renders a block of its longest latency (2 s) as soon as it is made, before any
    # stream can ask for less, and then sleeps until its clock has caught up: a recording of its
    # monitor gets nothing for the first 1.7 to 1.9 s, and a take made then comes out short. Once
    # the silent stream is on the sink, a suspend and resume starts its clock again at that
    # stream's latency. Nothing records before the sink is less than 50 ms ahead.
    wait_until 100 silent_stream_on_tone ||
        { say "The stream of silence did not reach the tone sink; see $dir/server.log"; exit 1; }
    pactl suspend-sink tone 1 && pactl suspend-sink tone 0
    wait_until 100 tone_delivers_at_once ||
        { say "The tone sink stays $(tone_ahead_usec) us ahead of its clock; see $dir/server.log"; exit 1; }
}

# pacat is the server's only client with a stream until Wine starts.
silent_stream_on_tone() {
    LC_ALL=C pactl list short sink-inputs | grep -q 'protocol-native'
}

# How far ahead of its clock the tone sink has rendered, in microseconds: what its monitor holds
# back from a recording.
tone_ahead_usec() {
    LC_ALL=C pactl list sinks | awk '$1 == "Name:" { sink = $2 } sink == "tone" && $1 == "Latency:" { print $2; exit }'
}

tone_delivers_at_once() {
    local ahead
    ahead=$(tone_ahead_usec)
    [ -n "$ahead" ] && [ "$ahead" -lt 50000 ]
}

# Wine makes the user's Desktop, Documents, Music, ... links to the Unix home folder, so a take
# kept in Music would land in $HOME. Each becomes a folder of the prefix's own; a prefix made
# before is mended the same way. (Wine links them again only when asked to create a missing one.)
own_shell_folders() {
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        [ -L "$link" ] || continue
        if ! { rm "$link" && mkdir "$link"; }; then
            say "Cannot make $link a folder of the prefix"
            exit 1
        fi
    done
}

# A prefix made while only 64-bit Wine was installed has no 32-bit half (no syswow64), and the
# 32-bit loader that /usr/bin/wine runs once 32-bit Wine is there cannot start in it ("could not
# load kernel32.dll"). Such a prefix is ours (the build folder's) and holds only what tests left:
# it is made again.
remake_prefix_without_32bit_half() {
    [ "$WINEPREFIX" = "$BUILD/wineprefix" ] && [ -x "$WINE32_LOADER" ] &&
        [ -f "$WINEPREFIX/system.reg" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] || return 0
    say "The Wine prefix in $WINEPREFIX predates 32-bit Wine: making it again ..."
    in_wine_env wineserver -k </dev/null >/dev/null 2>&1
    in_wine_env wineserver -w </dev/null >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
}

# The Wine prefix lives in the build folder; the server is kept running so that each test program
# does not pay for Wine's start-up.
start_wine() {
    # The server is started first and told to stay: a server that a wine command starts by itself
    # ends a moment after its last program, and the next one then starts another, which keeps
    # the standard output of whatever started it open (a pipe its reader then waits on forever).
    remake_prefix_without_32bit_half
    mkdir -p "$WINEPREFIX"
    in_wine_env wineserver -p </dev/null >/dev/null 2>&1
    WINE_STARTED=1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "Creating the Wine prefix in $WINEPREFIX ..."
        in_wine_env wineboot -i </dev/null >/dev/null 2>&1
        # No debugger for a crashing program: it must end at once, not wait for someone to
        # attach. Without a value Wine falls back to its own debugger, and the winedbg override
        # alone still leaves the program hanging; a debugger that cannot start ends it.
        in_wine_env wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d 'no-debugger' /f </dev/null >/dev/null 2>&1
    fi
    # The window's font, "ＭＳ Ｐゴシック", is not on Linux: draw it with the proportional
    # IPA Gothic that the scripts install. Wine reads the command line in the locale's character
    # set, which must be UTF-8 for the face's name to arrive whole.
    in_wine_env LC_ALL=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
        /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f </dev/null >/dev/null 2>&1
    # Our own display has no window manager, and Wine waits 2 s for one whenever a managed
    # window is hidden (a dismissed message box, a closed main window), asking for a state that
    # only a manager sets. Unmanaged windows are not waited for, and with no manager they lose
    # nothing. On a desktop the manager is there, and the windows are left to it.
    if [ "${PRIVATE_DISPLAY:-0}" = 1 ]; then
        in_wine_env wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >/dev/null 2>&1
    else
        in_wine_env wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f \
            </dev/null >/dev/null 2>&1
    fi
    in_wine_env wineboot </dev/null >/dev/null 2>&1
    own_shell_folders
}

# Wine's desktop process, held by a window of tests/support/desktop_holder.cpp for the whole test
# run. Without it the desktop would be started by a test program and keep its output open.
start_desktop_holder() {
    local holder=$BUILD/tests/desktop_holder.exe out=$STATE/desktop_holder.out
    [ -f "$holder" ] || { say "No $holder: not built"; exit 1; }
    rm -f "$out"
    in_wine_env wine "$holder" </dev/null >"$out" 2>&1 &
    STARTED_PIDS+=($!)
    wait_until 300 grep -qs holding "$out" || { say "The desktop holder did not start; see $out"; exit 1; }
}

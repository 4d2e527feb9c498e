#!/usr/bin/env bash
# wine32_prepare chooses by what running the 32-bit Wine loader says: it
# starts (nothing registered), "Exec format error" (qemu registered for i386
# programs, and said so), any other failure (a broken install: reported, and
# nothing registered). A stand-in loader and a stand-in binfmt_misc folder
# take the places of the real ones.
#   wine32.sh TOOLS_WINE_DIR
set -u
. "$1/wine32.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0

# case NAME LOADER_OUTPUT LOADER_STATUS EXPECT_STATUS EXPECT_MODE EXPECT_REGISTERED EXPECT_SAID
check() {
    local name=$1 said=$2 loader_status=$3 want_status=$4 want_mode=$5 want_registered=$6 want_said=$7
    local dir=$WORK/$name
    mkdir -p "$dir/binfmt"
    : >"$dir/binfmt/register"
    printf '#!/bin/sh\necho "%s" >&2\nexit %s\n' "$said" "$loader_status" >"$dir/wine"
    chmod +x "$dir/wine"
    ln -sf /bin/true "$dir/qemu-i386-static"
    WINE32_LOADER=$dir/wine WINE32_BINFMT=$dir/binfmt WINE32_QEMU=$dir/qemu-i386-static
    WINE32_MODE=none
    local status=0 registered=no
    # Registering writes the stand-in's register file; the kernel's entry
    # appears as it would.
    wine32_as_root() {
        "$@" || return
        [ "$1" != tee ] || printf 'enabled\ninterpreter %s\n' "$WINE32_QEMU" >"$WINE32_BINFMT/qemu-i386"
    }
    wine32_prepare "$dir/build" 2>"$dir/stderr" || status=$?
    grep -q '^:qemu-i386:M::' "$dir/binfmt/register" && registered=yes
    local bad=""
    [ "$status" = "$want_status" ] || bad="$bad status $status (wanted $want_status);"
    [ "$WINE32_MODE" = "$want_mode" ] || bad="$bad mode $WINE32_MODE (wanted $want_mode);"
    [ "$registered" = "$want_registered" ] || bad="$bad registered $registered (wanted $want_registered);"
    if [ -z "$want_said" ]; then [ ! -s "$dir/stderr" ]; else grep -qF -- "$want_said" "$dir/stderr"; fi || bad="$bad said \"$(cat "$dir/stderr")\" (wanted \"$want_said\");"
    if [ -n "$bad" ]; then
        echo "FAIL $name:$bad"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

#     name         the loader says                                              status  prepare mode  registered  prepare says
check native      "wine-8.0"                                                      0   0   native  no   ""
check no-i386     "bash: wine: cannot execute binary file: Exec format error"     126 1   none    yes  "registered them for $WORK/no-i386/qemu-i386-static"
check broken      "wine: error while loading shared libraries: libc.so.6"         127 1   none    no   "does not start (wine: error while loading shared libraries"
check broken-dlls "wine: could not load kernel32.dll, status c0000135"            1   1   none    no   "reinstall wine32:i386"

[ "$failures" = 0 ]

# 32-bit Wine on this machine: sourced by whatever starts Wine (the test
# harness, tools/run-sample, the benchmarks).
#
#   wine32_prepare BUILDDIR    makes 32-bit Windows programs runnable under
#                              Wine and exports what their processes need
#
# Where the kernel runs 32-bit x86 code itself, nothing is needed. Where it
# cannot (running the 32-bit Wine loader fails with "Exec format error"; any
# other failure is a broken install and is reported, not emulated), the
# 32-bit Wine loader runs under qemu's user-mode emulation:
# - binfmt_misc is mounted if it is not, and i386 ELF executables (types 2
#   and 3) are registered for /usr/bin/qemu-i386-static with the F flag (the
#   kernel opens the emulator at once, so it works in any mount namespace).
#   The entry does not survive a reboot, so every run checks it.
# - qemu-fix.so (qemu-fix.c here), built into BUILDDIR/wine32/, mends two
#   gaps of the emulation; LD_PRELOAD names it through $LIB, so 32-bit
#   processes load the i386 build and 64-bit ones its empty twin.

WINE32_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE32_LOADER=/usr/lib/wine/wine
WINE32_QEMU=/usr/bin/qemu-i386-static
WINE32_BINFMT=/proc/sys/fs/binfmt_misc

wine32_fail() {
    printf 'wine32: %s\n' "$*" >&2
    return 1
}

# An enabled binfmt entry that runs i386 executables under qemu.
wine32_qemu_registered() {
    local entry
    for entry in "$WINE32_BINFMT"/*; do
        [ -f "$entry" ] && [ "${entry##*/}" != status ] && [ "${entry##*/}" != register ] || continue
        grep -qx enabled "$entry" 2>/dev/null && grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null && return 0
    done
    return 1
}

wine32_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo -n "$@"
    fi
}

wine32_register() {
    # The standard qemu-i386 pattern: 32-bit little-endian ELF, version 1, any
    # OS ABI, executable or shared object (type 2 or 3), machine 3 (i386).
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    [ -x "$WINE32_QEMU" ] || wine32_fail "$WINE32_QEMU is missing (Debian package qemu-user-static; ./run deps installs it)" || return 1
    if [ ! -e "$WINE32_BINFMT/register" ]; then
        wine32_as_root mount -t binfmt_misc binfmt_misc "$WINE32_BINFMT" 2>/dev/null ||
            wine32_fail "cannot mount binfmt_misc on $WINE32_BINFMT (needs root, or sudo without a password)" || return 1
    fi
    # "F": the kernel opens the emulator when the entry is registered.
    printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$WINE32_QEMU" |
        wine32_as_root tee "$WINE32_BINFMT/register" >/dev/null 2>&1 ||
        wine32_qemu_registered ||
        wine32_fail "cannot register i386 executables for $WINE32_QEMU in $WINE32_BINFMT (needs root, or sudo without a password)"
}

# Builds BUILDDIR/wine32/lib/{i386,x86_64}-linux-gnu/qemu-fix.so when the
# source is newer; a lock keeps parallel callers apart.
wine32_build_fix() {
    local out=$1/wine32 src=$WINE32_DIR/qemu-fix.c
    local so32=$out/lib/i386-linux-gnu/qemu-fix.so so64=$out/lib/x86_64-linux-gnu/qemu-fix.so
    mkdir -p "${so32%/*}" "${so64%/*}"
    (
        flock 9
        [ "$so32" -nt "$src" ] && [ "$so64" -nt "$src" ] && exit 0
        gcc -m32 -O2 -Wall -Wextra -Werror -fPIC -fno-stack-protector -shared -nostdlib \
            -o "$so32.new" "$src" /lib/i386-linux-gnu/libc.so.6 &&
        gcc -O2 -Wall -Wextra -Werror -fPIC -shared -nostdlib -o "$so64.new" "$src" &&
        mv "$so32.new" "$so32" && mv "$so64.new" "$so64"
    ) 9>"$out/.lock" || wine32_fail "cannot build $so32"
}

wine32_prepare() {
    local build=$1
    [ -x "$WINE32_LOADER" ] || wine32_fail "$WINE32_LOADER is missing (Debian package wine32:i386; ./run deps installs it)" || return 1
    if ! wine32_qemu_registered; then
        # No emulator yet: a kernel with 32-bit execution runs the loader. Only
        # a kernel that refuses i386 programs ("Exec format error") gets the
        # emulator; any other failure is a broken 32-bit Wine, told as it is.
        local said
        if said=$("$WINE32_LOADER" --version 2>&1 </dev/null); then
            WINE32_MODE=native
            export WINE32_MODE
            return 0
        fi
        case $said in
            *"Exec format error"*) ;;
            *) wine32_fail "$WINE32_LOADER does not start (${said:-no message}); the kernel runs i386 programs, so this is not for qemu: reinstall wine32:i386" || return 1 ;;
        esac
        wine32_register || return 1
        wine32_qemu_registered || wine32_fail "the i386 binfmt entry did not take" || return 1
        printf 'wine32: this kernel runs no i386 programs (Exec format error): registered them for %s in %s/qemu-i386 (until reboot)\n' \
            "$WINE32_QEMU" "$WINE32_BINFMT" >&2
    fi
    wine32_build_fix "$build" || return 1
    "$WINE32_LOADER" --version >/dev/null 2>&1 ||
        wine32_fail "$WINE32_LOADER does not start under $WINE32_QEMU" || return 1
    WINE32_MODE=qemu
    case ":${LD_PRELOAD:-}:" in
        *"/wine32/\$LIB/qemu-fix.so"*) ;;
        *) LD_PRELOAD="$build/wine32/\$LIB/qemu-fix.so${LD_PRELOAD:+:$LD_PRELOAD}" ;;
    esac
    export WINE32_MODE LD_PRELOAD
}

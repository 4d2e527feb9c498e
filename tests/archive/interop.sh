#!/usr/bin/env bash
# Archives made by other tools extract byte for byte as an independent
# extractor (lhasa) extracts them; the program's own method ids, "\" names and
# continuation members over two archives; damaged archives fail loudly; the
# tool's conventions; with SETUPKIT, the parts of files the builder splits
# over disks, in both packing modes, read by every tool.
#   interop.sh LZHX MKFIXTURE [SETUPKIT]
set -uo pipefail
LZHX=$1
MKFIXTURE=$2
SETUPKIT=${3:-}
WORK=$(mktemp -d /tmp/archive_interop.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" >/dev/null 2>&1 || fail "$what"; }

cd "$WORK"
mkdir -p src/dir
# Text of several megabytes, binary that compresses, binary that does not,
# an empty file, a tiny file, a file in a directory.
seq 1 200000 | sed 's/$/ lorem ipsum dolor sit amet/' > src/big.txt
for f in /bin/bash /bin/ls /bin/cp; do cat "$f"; done > src/code.bin
head -c 300000 /dev/urandom > src/random.bin
: > src/empty
printf 'x' > src/one
printf 'line one\r\nline two\r\n' > src/dir/nested.txt
(cd src && find . -type f | sed 's|^\./||' | sort > ../files)

# Names, sizes and CRCs as lhasa lists them ("-v"), with the base name only.
lhasa_list() {
    lhasa -v "$1" | awk '$1 == "[generic]" || $1 ~ /^[-d]r/ {
        name = $NF; sub(/.*\//, "", name); print name, $3, $5, $6 }' | sort
}
own_list() {
    "$LZHX" l "$1" | awk 'NR > 1 && NF == 5 { print $5, $3, $1, tolower($4) }' | sort
}

for mode in c1o5 c1z; do
    archive=$WORK/$mode.lzh
    (cd src && jlha "$mode" "$archive" $(cat ../files) >/dev/null 2>&1) || { fail "jlha $mode"; continue; }
    [ "$mode" = c1o5 ] && { grep -q -- '-lh5-' "$archive" || fail "$mode: no -lh5- member"; }
    diff <(lhasa_list "$archive") <(own_list "$archive") || fail "$mode: list differs from lhasa's"
    check "$mode: test" "$LZHX" t "$archive"
    mkdir -p "ref-$mode" "out-$mode"
    (cd "ref-$mode" && lhasa xq "$archive") || fail "$mode: lhasa extraction"
    check "$mode: extract" "$LZHX" x "$archive" "out-$mode"
    # The directory sits in an extension header, which is skipped: base names.
    while read -r f; do
        cmp -s "ref-$mode/$f" "out-$mode/$(basename "$f")" || fail "$mode: $f differs"
        cmp -s "src/$f" "out-$mode/$(basename "$f")" || fail "$mode: $f differs from the original"
    done < files
    [ "$(ls "out-$mode" | wc -l)" -eq "$(wc -l < files)" ] || fail "$mode: member count"
    cmp -s <(lhasa -pq "$archive") <("$LZHX" p "$archive") || fail "$mode: p output differs from lhasa -pq"
done

# ---- Own method ids, "\" names, a file split over two archives ---------------
head -c 1500000 src/big.txt > part1.txt
tail -c +1500001 src/big.txt > part2.txt
head -c 100000 src/code.bin > part1.bin
tail -c +100001 src/code.bin > part2.bin
jlha c1o5 p1.lzh part1.txt >/dev/null 2>&1 && jlha c1o5 p2.lzh part2.txt >/dev/null 2>&1 || fail "jlha parts"
python3 "$MKFIXTURE" disk1.lzh '<sto>' 'APP\BIN\CODE.BIN' part1.bin '<cmp>' 'APP\BIG.TXT' p1.lzh:0 \
    '<sto>' 'APP\README' src/one || fail "disk1 fixture"
python3 "$MKFIXTURE" disk2.lzh '<st+>' 'APP\BIN\CODE.BIN' part2.bin '<cm+>' 'APP\BIG.TXT' p2.lzh:0 \
    '-lh5-' 'APP\DATA\AGAIN.TXT' p2.lzh:0 || fail "disk2 fixture"
mkdir dest
check "disk1" "$LZHX" x disk1.lzh dest
check "disk2" "$LZHX" x disk2.lzh dest
cmp -s src/code.bin dest/APP/BIN/CODE.BIN || fail "stored continuation"
cmp -s src/big.txt dest/APP/BIG.TXT || fail "compressed continuation"
cmp -s src/one dest/APP/README || fail "stored member"
cmp -s part2.txt dest/APP/DATA/AGAIN.TXT || fail "-lh5- member with a \\ name"
own_list disk2.lzh | grep -q '^APP\\BIN\\CODE.BIN .* <st+> ' || fail "list of own ids"

# ---- Archives written by "lzhx a", read by every tool ---------------------------
# Members in a folder get "\" names: lhasa, 7zz and lzhx make folders of them,
# jlha keeps the "\" in a file name of its own.
# The best mode writes the same members, smaller than the default's.
for mode in "" --best -0; do
    archive=$WORK/own$mode.lzh
    check "lzhx a $mode" "$LZHX" a $mode "$archive" -C src .
    check "own$mode: lzhx t" "$LZHX" t "$archive"
    if [ "$mode" != -0 ]; then
        own_list "$archive" | grep -q '^big.txt .* -lh5- ' || fail "$mode: big.txt not compressed"
        own_list "$archive" | grep -q '^random.bin .* -lh0- ' || fail "$mode: random.bin compressed"
        [ "$(stat -c %s "$archive")" -lt $(( $(stat -c %s c1o5.lzh) + 1000 )) ] || fail "own$mode archive larger than jlha's"
    else
        [ "$("$LZHX" l "$archive" | grep -c -- '-lh5-')" -eq 0 ] || fail "-0 compressed a member"
    fi
    [ "$mode" = --best ] && { [ "$(stat -c %s "$archive")" -lt "$(stat -c %s own.lzh)" ] || fail "--best not smaller"; }
    for tool in lzhx lhasa 7zz jlha; do
        out=$WORK/by-$tool$mode
        mkdir -p "$out"
        case $tool in
            lzhx)  "$LZHX" x "$archive" "$out" >/dev/null 2>&1 ;;
            lhasa) (cd "$out" && lhasa xq "$archive") >/dev/null 2>&1 ;;
            7zz)   (cd "$out" && 7zz x "$archive") >/dev/null 2>&1 ;;
            jlha)  (cd "$out" && jlha x "$archive") >/dev/null 2>&1 ;;
        esac || fail "own$mode: $tool extraction"
        while read -r f; do
            got=$out/$f
            [ $tool = jlha ] && got=$out/${f//\//\\}
            cmp -s "src/$f" "$got" || fail "own$mode: $tool: $f differs"
        done < files
    done
done
python3 - "$WORK/own.lzh" <<'PY' || fail "own header bytes"
import sys
data = open(sys.argv[1], "rb").read()
h = data[0]
assert sum(data[2:2 + h]) % 256 == data[1], "checksum"
assert data[20] == 1, "level"
n = data[21]
assert h == 25 + n, "header size"
assert data[22 + n + 2:22 + n + 5] == b"M\0\0", "OS id and extension size"
PY
"$LZHX" a x.lzh /etc/hostname >/dev/null 2>&1; [ $? -eq 1 ] || fail "absolute path: status"
"$LZHX" a x.lzh missing-file >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing path: status"
[ -e x.lzh ] && fail "failed lzhx a left an archive"
"$LZHX" a x.lzh >/dev/null 2>&1; [ $? -eq 2 ] || fail "lzhx a without paths: status"
check "lzhx a --help" "$LZHX" a --help

# ---- Files split over disks by the builder, read by every tool -----------------
# Each part of a split file is a member of its own archive: its data must be
# a stream (or stored bytes) that decodes on its own. The other tools do not
# know the continuation ids, so each member is taken out as a standard
# "-lh5-" or "-lh0-" member with its own CRC, extracted by each tool, and the
# parts joined in disk order must give the file.
if [ -n "$SETUPKIT" ]; then
    mkdir -p dist/app
    head -c 1000000 src/big.txt > dist/app/big.txt
    cp src/code.bin src/random.bin dist/app/
    printf 'Caption=Parts\r\nDefaultPath=C:\\PARTS\r\n' > dist/setup.cfg
    printf 'Script=setup.cfg\nArchive=APP.LZH app $d\n' > dist/parts.dist
    for pack in "" --best; do
        "$SETUPKIT" build dist/parts.dist "disks$pack" --medium 360 $pack > "build$pack.log" 2>&1 ||
            { fail "build 360$pack: $(cat "build$pack.log")"; continue; }
        # Every disk but the last is full to within a cluster (1024 bytes on 360 KB).
        sed -n 's/^disk[0-9]*: .*(\([0-9]*\) bytes free)$/\1/p' "build$pack.log" | head -n -1 |
            while read -r free; do [ "$free" -lt 1024 ] || echo "$free"; done | grep -q . &&
            fail "$pack: a disk before the last left a cluster or more free: $(cat "build$pack.log")"
        rm -rf "parts$pack" && mkdir "parts$pack"
        for disk in $(ls -d "disks$pack"/disk* | sort -V); do
            for a in "$disk"/*.LZH; do
                python3 - "$a" "parts$pack" <<'PY' || fail "$pack: members of $a"
import os, struct, sys
data = open(sys.argv[1], "rb").read()
standard = {b"<cmp>": b"-lh5-", b"<cm+>": b"-lh5-", b"<sto>": b"-lh0-", b"<st+>": b"-lh0-",
            b"-lh5-": b"-lh5-", b"-lh0-": b"-lh0-"}
at = 0
while data[at] != 0:
    h = data[at]
    method = data[at + 2:at + 7]
    packed, size, when = struct.unpack_from("<III", data, at + 7)
    n = data[at + 21]
    name = data[at + 22:at + 22 + n].decode().replace("\\", "_")
    crc = data[at + 22 + n:at + 24 + n]
    body = standard[method] + struct.pack("<IIIBBB", packed, size, when, 0x20, 1, 8) + b"part.bin"
    body += crc + b"M\0\0"
    member = bytes([len(body), sum(body) & 0xFF]) + body + data[at + 2 + h:at + 2 + h + packed]
    k = len([f for f in os.listdir(sys.argv[2]) if f.startswith(name + ".")])
    open(os.path.join(sys.argv[2], "%s.%03d.lzh" % (name, k)), "wb").write(member + b"\0")
    at += 2 + h + packed
PY
            done
        done
        ls "parts$pack" | grep -q '\.001\.lzh$' || fail "$pack: no file was split"
        for f in big.txt code.bin random.bin; do
            for tool in lhasa jlha 7zz; do
                rm -rf one && mkdir one
                for part in $(ls "parts$pack" | grep "^$f\." | sort); do
                    case $tool in
                        lhasa) (cd one && lhasa xq "../parts$pack/$part") ;;
                        jlha)  (cd one && jlha x "../parts$pack/$part") ;;
                        7zz)   (cd one && 7zz x "../parts$pack/$part") ;;
                    esac >/dev/null 2>&1 || fail "$pack: $tool: $part"
                    cat one/part.bin >> one/joined && rm -f one/part.bin
                done
                cmp -s one/joined "dist/app/$f" || fail "$pack: $tool: the parts of $f do not give the file"
            done
        done
    done
fi

# ---- Damaged archives ---------------------------------------------------------
damaged() {  # NAME FILE EXPECTED-MESSAGE
    local out
    out=$("$LZHX" t "$2" 2>&1 >/dev/null)
    local status=$?
    [ $status -eq 1 ] || fail "$1: status $status"
    grep -q "$3" <<< "$out" || fail "$1: message '$out'"
}
cp c1o5.lzh flipped.lzh
size=$(stat -c %s flipped.lzh)
# A byte in the middle of the archive, inside the big text's packed data.
printf '\x55' | dd of=flipped.lzh bs=1 seek=$((size / 2)) conv=notrunc status=none
cmp -s c1o5.lzh flipped.lzh && fail "flip made no change"
out=$("$LZHX" t flipped.lzh 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] && grep -Eq "CRC error|Bad table|Can't read" <<< "$out" || fail "flipped byte: $status '$out'"
head -c $((size - 1)) c1o5.lzh > nomarker.lzh
damaged "no end marker" nomarker.lzh "Unexpected end of archive"
head -c $((size / 3)) c1o5.lzh > cut.lzh
out=$("$LZHX" t cut.lzh 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] && grep -Eq "Can't read|Unexpected end of archive" <<< "$out" || fail "cut archive: $status '$out'"
python3 "$MKFIXTURE" unsafe.lzh '<sto>' 'OK.TXT' src/one '<sto>' '..\EVIL.TXT' src/one
mkdir -p jail/inner
(cd jail/inner && "$LZHX" x ../../unsafe.lzh >/dev/null 2>err.txt; echo $? > status)
[ "$(cat jail/inner/status)" = 1 ] || fail "unsafe name: status"
grep -q "Unsafe member name" jail/inner/err.txt || fail "unsafe name: message"
[ -e jail/EVIL.TXT ] && fail "unsafe name was written"

# ---- A folder tree, unknown methods, where x extracts to, what is shown -----
# A folder tree as jlha stores it holds directory members: extracted whole,
# exit 0. A member of an unknown method is not written: exit 1, the rest done.
mkdir -p tree/top/empty tree/top/sub && printf 'leaf' > tree/top/sub/leaf.txt
(cd tree && jlha c1 ../tree.lzh top >/dev/null 2>&1) || fail "jlha tree"
grep -q -- '-lhd-' tree.lzh || fail "tree: no directory member"
check "tree: test" "$LZHX" t tree.lzh
"$LZHX" x tree.lzh out-tree >/dev/null 2>&1 || fail "tree: x status $?"
[ "$(cat out-tree/leaf.txt 2>/dev/null)" = leaf ] || fail "tree: leaf.txt"
python3 "$MKFIXTURE" unknown.lzh '-lh7-' 'SEVEN.TXT' src/one '<sto>' 'NEXT.TXT' src/one || fail "unknown fixture"
for cmd in t x; do
    dir=(); [ $cmd = x ] && dir=(out-unknown)
    out=$("$LZHX" $cmd unknown.lzh "${dir[@]}" 2>&1 >/dev/null); status=$?
    [ $status -eq 1 ] && grep -q "unknown.lzh: 1 member could not be extracted" <<< "$out" \
        || fail "unknown method, $cmd: $status '$out'"
done
[ -e out-unknown/SEVEN.TXT ] && fail "unknown method: a file was created"
cmp -s src/one out-unknown/NEXT.TXT || fail "unknown method: the next member"
# DIR is one path of this system, relative or absolute, created with its
# parents and then entered; one that cannot be made is refused.
check "x into a new nested DIR" "$LZHX" x tree.lzh new/a/b
check "x into an absolute DIR" "$LZHX" x tree.lzh "$WORK/abs/c/"
[ -f new/a/b/leaf.txt ] && [ -f abs/c/leaf.txt ] || fail "x DIR: files not where DIR names"
out=$("$LZHX" x tree.lzh src/one/sub 2>&1); status=$?
[ $status -eq 1 ] && grep -q "lzhx: src/one/sub:" <<< "$out" || fail "x DIR under a file: $status '$out'"
# Names are shown without their control characters and escape sequences.
python3 "$MKFIXTURE" shown.lzh '<sto>' $'RED\e[31m\a\rX' src/one || fail "shown fixture"
for cmd in l t; do
    "$LZHX" $cmd shown.lzh | grep -q $'[\e\a\r]' && fail "$cmd shows a control character"
done
"$LZHX" l shown.lzh | grep -qF 'RED?[31m??X' || fail "l: name shown"
# Fatal messages name the tool, the archive and the member.
cp shown.lzh badcrc.lzh
printf 'y' | dd of=badcrc.lzh bs=1 seek=$(($(stat -c %s badcrc.lzh) - 2)) conv=notrunc status=none
out=$("$LZHX" t badcrc.lzh 2>&1 >/dev/null)
[ "$out" = 'lzhx: badcrc.lzh: RED?[31m??X: CRC error' ] || fail "fatal message: '$out'"
# An archive of 8 GB (sparse): the members beyond 2 GB and 4 GB are listed.
python3 - "$MKFIXTURE" <<'PY' || fail "big fixture"
import importlib.util, sys
spec = importlib.util.spec_from_file_location("mkfixture", sys.argv[1])
mk = importlib.util.module_from_spec(spec); spec.loader.exec_module(mk)
big = (1 << 32) - 16
def stored_header(name):  # a stored member of `big` bytes, its data left sparse
    body = b"-lh0-" + mk.struct.pack("<IIIBBB", big, big, 0, 0x20, 1, len(name))
    body += name + mk.struct.pack("<HBH", 0, ord("M"), 0)
    return bytes([len(body), sum(body) & 0xFF]) + body
with open("big.lzh", "wb") as f:
    f.write(stored_header(b"BIG.BIN"))
    f.seek(big, 1)
    f.write(stored_header(b"AFTER.BIN"))
    f.seek(big, 1)
    f.write(mk.member(b"-lh0-", b"LAST.TXT", b"x", 1, mk.crc16(b"x")) + b"\0")
PY
out=$("$LZHX" l big.lzh 2>&1)
grep -q 'LAST.TXT' <<< "$out" && grep -q '^3 members' <<< "$out" || fail "archive of 8 GB: '$out'"
rm -f big.lzh

# ---- Tool conventions -----------------------------------------------------------
check "--help" "$LZHX" --help
"$LZHX" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no arguments: status"
"$LZHX" q c1o5.lzh >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown command: status"
out=$("$LZHX" t missing.lzh 2>&1 >/dev/null); [ $? -eq 1 ] && [ -n "$out" ] || fail "missing archive"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all interoperability checks passed"

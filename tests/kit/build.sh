#!/usr/bin/env bash
# The distribution builder: a tree of a few megabytes on 720 KB floppies (at
# least three, a file split over two), read back in disk order; FAT12 images
# that list the expected files; the same tree on one medium; refusals.
#   build.sh SETUPKIT LZHX
set -uo pipefail
KIT=$(realpath "$1")
LZHX=$(realpath "$2")
WORK=$(mktemp -d /tmp/kit_build.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$WORK"

mkdir -p src/app/bin src/app/doc src/data
seq 1 150000 | sed 's/$/ a line of the manual/' > src/app/doc/MANUAL.TXT
cat /bin/bash > src/app/bin/TOOL.BIN
head -c 1200000 /dev/urandom > src/data/NOISE.DAT
: > src/data/EMPTY.DAT
printf 'Read me.\r\n' > src/README.TXT
printf '[Example]\r\nColour=Blue\r\n' > src/example.ini
printf 'Caption=Example Setup\r\nDefaultPath=C:\\EXAMPLE\r\n[Disk1]\r\nOLD.LZH=$d\r\n[Groups]\r\nGroup1=Example\r\n' > src/setup.cfg
: > src/SETUP.EXE
head -c 40000 /dev/urandom > src/SETUP.EXE
cat > src/example.dist <<'D'
; the example's distribution
Setup=SETUP.EXE
Script=setup.cfg
Archive=APP.LZH app $d
Archive=DATA.LZH data $d\DATA
Copy=README.TXT $d
Profile=example.ini $d\EXAMPLE.INI
D

# ---- 720 KB floppies --------------------------------------------------------
"$KIT" build src/example.dist out --medium 720 --images > log720 2>&1 || { cat log720; fail "build 720"; }
disks=$(ls -d out/disk* 2>/dev/null | grep -c '/disk[0-9]*$')
[ "$disks" -ge 3 ] || fail "720: $disks disks, wanted at least 3"
# Every disk: thisdisk numbered in order, the next announced on all but the last.
for ((k = 1; k <= disks; k++)); do
    want="DiskNumber=$k"
    [ $k -lt $disks ] && want="$want NextDiskNumber=$((k + 1))"
    got=$(tr -d '\r' < out/disk$k/thisdisk | tr '\n' ' ' | sed 's/ $//')
    [ "$got" = "$want" ] || fail "disk$k/thisdisk: '$got'"
done
[ -e out/disk1/SETUP.EXE ] && [ -e out/disk1/install.cfg ] || fail "disk 1 lacks SETUP.EXE or install.cfg"
grep -q 'OLD.LZH' out/disk1/install.cfg && fail "the author's Disk1 section was kept"
grep -q '^\[Groups\]' out/disk1/install.cfg || fail "Groups section lost"
# A split file: the first part ends one disk's archive, the rest begins the next.
own=$(for ((k = 1; k <= disks; k++)); do for a in out/disk$k/*.LZH; do "$LZHX" l "$a"; done; done)
grep -Eq '^<(cmp|sto)> ' <<< "$own" || fail "no member begins a split file"
grep -Eq '^<(cm\+|st\+)> ' <<< "$own" || fail "no continuation member"
# Read back in disk order as setup does: every file equals its source.
mkdir -p back/app back/data
for ((k = 1; k <= disks; k++)); do
    while IFS='=' read -r key value; do
        value=${value%$'\r'}
        case $value in
            '$d') "$LZHX" x "out/disk$k/$key" back/app >/dev/null || fail "extract $key" ;;
            '$d\DATA') "$LZHX" x "out/disk$k/$key" back/data >/dev/null || fail "extract $key" ;;
        esac
    done < <(awk -v s="[Disk$k]" '/^\[/ { on = ($0 == s || $0 == s "\r") ; next } on' out/disk1/install.cfg)
done
diff -r src/app back/app >/dev/null || fail "app differs after extraction"
diff -r src/data back/data >/dev/null || fail "data differs after extraction"
grep -q '^README.TXT==\$d' out/disk1/install.cfg || fail "copy entry"
grep -q '^example.ini=|\$d\\EXAMPLE.INI' out/disk1/install.cfg || fail "profile entry"
# The images hold the folders' files and what fits on a 720 KB floppy.
for ((k = 1; k <= disks; k++)); do
    img=out/disk$k.img
    [ "$(stat -c %s "$img")" -eq 737280 ] || fail "disk$k.img size"
    listed=$(mdir -b -i "$img" :: | sed 's|^::/||' | tr 'a-z' 'A-Z' | sort)
    files=$(ls out/disk$k | tr 'a-z' 'A-Z' | sort)
    [ "$listed" = "$files" ] || fail "disk$k.img lists '$listed', the folder '$files'"
    # The room the builder reports left is the room the image has left.
    free=$(mdir -i "$img" :: | sed -n 's/ bytes free//p' | tr -d ' ')
    grep -q "^disk$k: .*($free bytes free)" log720 || fail "disk$k: the image has $free bytes free: $(cat log720)"
    mcopy -n -i "$img" ::/thisdisk "img-thisdisk-$k" && cmp -s "img-thisdisk-$k" out/disk$k/thisdisk ||
        fail "disk$k.img thisdisk"
done
"$KIT" check out/disk1/install.cfg $(for ((k = 1; k <= disks; k++)); do echo out/disk$k; done) ||
    fail "the set does not pass the checker"

# ---- One medium ---------------------------------------------------------------------
"$KIT" build src/example.dist cd > log 2>&1 || { cat log; fail "build single"; }
[ -d cd/disk2 ] && fail "one medium made a second folder"
[ -e cd/disk1/thisdisk ] && fail "one medium has a thisdisk"
[ "$(grep -c '^\[Disk' cd/disk1/install.cfg)" -eq 1 ] || fail "one medium: not one Disk section"
grep -Eq '^<' <<< "$("$LZHX" l cd/disk1/APP.LZH)" && fail "one medium split a file"

# Without Setup= the folder is made for a program added later.
grep -v '^Setup=' src/example.dist > src/nosetup.dist
"$KIT" build src/nosetup.dist nosetup > log 2>&1 || { cat log; fail "build without Setup="; }
[ -e nosetup/disk1/SETUP.EXE ] && fail "SETUP.EXE without Setup="
[ -e nosetup/disk1/install.cfg ] && [ -e nosetup/disk1/APP.LZH ] || fail "without Setup=: files missing"
# --setup names the program on the command line instead.
"$KIT" build src/nosetup.dist withsetup --setup src/SETUP.EXE > log 2>&1 || { cat log; fail "build with --setup"; }
cmp -s withsetup/disk1/SETUP.EXE src/SETUP.EXE || fail "--setup: SETUP.EXE not shipped"

# ---- Refusals --------------------------------------------------------------------------
head -c 800000 /dev/urandom > src/BIG.DAT
printf 'Setup=SETUP.EXE\nScript=setup.cfg\nCopy=BIG.DAT $d\n' > src/big.dist
"$KIT" build src/big.dist big --medium 720 > log 2>&1; status=$?
[ $status -eq 1 ] && grep -q 'larger than a disk.*BIG.DAT' log || fail "copy larger than a disk: $status $(cat log)"
printf 'Setup=SETUP.EXE\nScript=setup.cfg\nCopy=README.TXT $d\nCopy=README.TXT $d\\DOC\n' > src/twice.dist
"$KIT" build src/twice.dist twice --medium 1440 > log 2>&1; status=$?
[ $status -eq 1 ] && grep -q 'two files named README.TXT' log || fail "a name twice: $status $(cat log)"
printf 'Setup=SETUP.EXE\nScript=setup.cfg\nArchive=X.LZH nothing $d\n' > src/missing.dist
"$KIT" build src/missing.dist m > log 2>&1; [ $? -eq 1 ] && grep -q 'source not found' log || fail "missing source"
"$KIT" build src/example.dist x --medium 800 > /dev/null 2>&1; [ $? -eq 2 ] || fail "unknown medium: status"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all builder checks passed"

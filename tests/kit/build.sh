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
grep -q '^EXAMPLE.INI=|\$d\\EXAMPLE.INI' out/disk1/install.cfg || fail "profile entry"
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
# Files the 32-bit sizes cannot hold (sparse, 4 GB + 1 byte) are refused at once, before a byte
# is read, in an archive and as a copied file on one medium; lzhx a refuses one too.
mkdir -p src/huge && truncate -s 4294967297 src/huge/HUGE.DAT
printf 'Setup=SETUP.EXE\nScript=setup.cfg\nArchive=HUGE.LZH huge $d\n' > src/huge.dist
printf 'Setup=SETUP.EXE\nScript=setup.cfg\nCopy=huge/HUGE.DAT $d\n' > src/hugecopy.dist
for d in huge hugecopy; do
    timeout 20 "$KIT" build src/$d.dist $d --medium single > log 2>&1; status=$?
    [ $status -eq 1 ] && grep -q '4 GB - 1 bytes.*HUGE.DAT' log && [ ! -e $d ] || fail "$d.dist over 4 GB: $status $(cat log)"
done
timeout 20 "$LZHX" a huge.lzh src/huge/HUGE.DAT > log 2>&1; status=$?
[ $status -eq 1 ] && grep -q 'larger than an archive member can hold' log && [ ! -e huge.lzh ] ||
    fail "lzhx a over 4 GB: $status $(cat log)"
rm -rf src/huge

# ---- What the description may say, and what is refused -------------------------------
# refuse NAME WANTED [MEDIUM] < entries: the description (Setup and Script, then
# the entries) fails with status 1 and the message; OUTDIR is not made.
refuse() {
    local name=$1 want=$2 medium=${3:-single}
    { printf 'Setup=SETUP.EXE\nScript=setup.cfg\n'; cat; } > src/refuse.dist
    rm -rf refused
    "$KIT" build src/refuse.dist refused --medium "$medium" > log 2>&1; local status=$?
    [ $status -eq 1 ] && grep -qF -- "$want" log || fail "$name: status $status: $(cat log)"
    [ -e refused ] && fail "$name: OUTDIR was written"
    grep -q '^disk1:' log && fail "$name: a disk was reported"
    ls -d refused.new-* > /dev/null 2>&1 && fail "$name: the stage folder was left"
}
(cd src && mkdir -p names jp/sub pl && touch names/{'a=b.txt','[x].txt',';c.txt','x+y.txt',install.cfg} \
    'names/Read Me First.txt' 'jp/sub/日本語.txt' && echo l > 'pl/Łódź.txt')
refuse "one archive name twice" 'refuse.dist:4: error: two files named APP.LZH (the other from line 3)' <<'D'
Archive=APP.LZH app $d
Archive=app.lzh data $d
D
refuse "one archive name twice on floppies" 'two files named APP.LZH' 720 <<'D'
Archive=APP.LZH app $d
Archive=APP.LZH data $d
D
refuse "archive name with a path" 'refuse.dist:3: error: "../APP.LZH" is not a plain name' <<'D'
Archive=../APP.LZH app $d
D
refuse "archive name not 8.3" '"PROGRAMFILES.LZH" is not an 8.3 short name' <<'D'
Archive=PROGRAMFILES.LZH app $d
D
refuse "copied file with blanks, quoted" '"Read Me First.txt" is not an 8.3 short name' <<'D'
Copy="names/Read Me First.txt" $d
D
refuse "copied file with +" '"x+y.txt" is not an 8.3 short name' <<'D'
Copy=names/x+y.txt $d
D
refuse "copied file with =" 'the character "=" in "a=b.txt"' <<'D'
Copy=names/a=b.txt $d
D
refuse "copied file with [" 'the character "[" in "[x].txt"' <<'D'
Copy=names/[x].txt $d
D
refuse "copied file with ;" 'the character ";" in ";c.txt"' <<'D'
Copy=names/;c.txt $d
D
refuse "name outside code page 1252" 'sub/日本語.txt: the name cannot be written in code page 1252' <<'D'
Archive=JP.LZH jp $d
D
refuse "quote not closed" 'refuse.dist:3: error: a quote is not closed' <<'D'
Copy="names/Read Me First.txt $d
D
refuse "key in another case" 'refuse.dist:3: error: unknown key "archive": write it as "Archive"' <<'D'
archive=APP.LZH app $d
D
refuse "copy of a name the builder writes" 'two files named INSTALL.CFG (the builder writes one)' <<'D'
Copy=names/install.cfg $d
D
# A slip in the author's script is reported at its own file and line.
printf 'Caption=Example\r\nTitel1=Example\r\n' > src/typo.cfg
sed 's/^Script=.*/Script=typo.cfg/' src/example.dist > src/typo.dist
"$KIT" build src/typo.dist typo > log 2>&1; status=$?
[ $status -eq 1 ] && grep -qF 'src/typo.cfg:2: error: unknown key "Titel1"' log && [ ! -e typo ] ||
    fail "script typo: $status $(cat log)"

# Quoted words hold blanks; the target is the rest of the line. Names on a
# disk are upper case, in the script too.
mkdir -p "quoted/My Docs/Empty Folder" && echo doc > "quoted/My Docs/Long Document Name.txt"
printf 'r\r\n' > quoted/readme.txt
printf 'Script=../src/setup.cfg\nArchive=docs.lzh "My Docs" $d\\My Docs\nCopy=readme.txt $d\n' > quoted/q.dist
"$KIT" build quoted/q.dist q > log 2>&1 || fail "quoted build: $(cat log)"
grep -q '^DOCS.LZH=\$d\\My Docs'$'\r''$' q/disk1/install.cfg || fail "quoted: entry: $(cat q/disk1/install.cfg)"
grep -q '^README.TXT==\$d' q/disk1/install.cfg && [ -e q/disk1/README.TXT ] && [ -e q/disk1/DOCS.LZH ] ||
    fail "quoted: names not in upper case: $(ls q/disk1)"
# An empty folder is a directory member; extracted, it is there again.
"$LZHX" l q/disk1/DOCS.LZH | grep -q '^-lhd- .* Empty Folder\\$' || fail "no directory member: $("$LZHX" l q/disk1/DOCS.LZH)"
mkdir -p qx && (cd qx && "$LZHX" x ../q/disk1/DOCS.LZH > /dev/null) && [ -d "qx/Empty Folder" ] || fail "empty folder not made by lzhx x"
mkdir -p qh && (cd qh && lhasa -x ../q/disk1/DOCS.LZH > /dev/null 2>&1) && [ -d "qh/Empty Folder" ] || fail "empty folder not made by lhasa"
# The checker warns of member names Windows 3.1 cannot create, and passes.
out=$("$KIT" check q/disk1/install.cfg q/disk1 2>&1) ||
    fail "long member names are no error: $out"
grep -qF 'warning: member "Long Document Name.txt" of DOCS.LZH has a name that is not 8.3' <<< "$out" ||
    fail "no warning for a long member name: $out"

# Member names in the code page: 1252 by default, another on request.
mkdir -p cp/fr && echo r > 'cp/fr/Résumé.txt'
printf 'Script=../src/setup.cfg\nArchive=FR.LZH fr $d\n' > cp/fr.dist
"$KIT" build cp/fr.dist fr > log 2>&1 || fail "1252 build: $(cat log)"
"$LZHX" l fr/disk1/FR.LZH | grep -qa "R"$'\xe9'"sum"$'\xe9'"\.txt" || fail "Résumé.txt not in 1252"
printf 'Script=../src/setup.cfg\nArchive=PL.LZH ../src/pl $d\n' > cp/pl.dist
"$KIT" build cp/pl.dist pl1252 > log 2>&1 && fail "Łódź.txt accepted in 1252"
"$KIT" build cp/pl.dist pl --codepage 1250 > log 2>&1 || fail "1250 build: $(cat log)"
"$LZHX" l pl/disk1/PL.LZH | grep -qa $'\xa3\xf3d\x9f''\.txt' || fail "Łódź.txt not in 1250"
"$KIT" build cp/pl.dist plx --codepage 99999 > /dev/null 2>&1; [ $? -eq 2 ] || fail "unknown code page: status"

# ---- Every file of a large folder, one walk -----------------------------------------
mkdir -p many/files
for ((i = 1; i <= 1100; i++)); do echo $i > many/files/F$i.TXT; done
printf 'Script=../src/setup.cfg\nArchive=MANY.LZH files $d\n' > many/m.dist
"$KIT" build many/m.dist manyout > log 2>&1 || fail "1100 files: $(cat log)"
n=$("$LZHX" l manyout/disk1/MANY.LZH | tail -1)
[ "$n" = "1100 members" ] || fail "builder: 1100 files gave $n"
(cd many && "$LZHX" a self.lzh . ) || fail "lzhx a into the folder it packs"
n=$("$LZHX" l many/self.lzh | tail -1)
[ "$n" = "1101 members" ] || fail "lzhx a: 1100 files and m.dist gave $n"
"$LZHX" l many/self.lzh | grep -q 'self\.lzh' && fail "lzhx a packed its own archive"

# ---- Names beginning with a dot ----------------------------------------------------
# A web server's .htaccess and a .config folder are files like any other: the
# builder and lzhx a pack them, and they come back out as they went in.
mkdir -p dots/web/.config dots/web/sub/.cache
printf 'Deny from all\r\n' > dots/web/.htaccess
printf '[App]\r\nTheme=Dark\r\n' > dots/web/.config/app.ini
echo index > dots/web/INDEX.HTM
: > dots/web/sub/.keep
printf 'Script=../src/setup.cfg\nArchive=WEB.LZH web $d\n' > dots/d.dist
"$KIT" build dots/d.dist dotsout > log 2>&1 || fail "dot names: $(cat log)"
(cd dots && "$LZHX" a web.lzh web > /dev/null) || fail "dot names: lzhx a"
for archive in dotsout/disk1/WEB.LZH dots/web.lzh; do
    members=$("$LZHX" l "$archive")
    for m in '.htaccess' '.config\app.ini' 'INDEX.HTM' 'sub\.keep' 'sub\.cache\'; do
        grep -qF -- "$m" <<< "$members" || fail "dot names: $m not in $archive: $members"
    done
done
mkdir -p dotsx && "$LZHX" x dotsout/disk1/WEB.LZH dotsx > /dev/null || fail "dot names: lzhx x"
diff -r dots/web dotsx > /dev/null || fail "dot names: extracted tree differs: $(diff -r dots/web dotsx)"

# ---- Root directories counted exactly -------------------------------------------------
# A 360 KB disk's root holds 112 entries, one kept for a label: install.cfg
# and 110 copied files fill it, one entry each, on one disk.
mkdir -p root/files
for ((i = 1; i <= 110; i++)); do echo $i > root/files/f$i.txt; done
printf 'Script=../src/setup.cfg\nCopy=files $d\n' > root/r.dist
"$KIT" build root/r.dist rootout --medium 360 --images > log 2>&1 || fail "110 files on 360 KB: $(cat log)"
[ "$(grep -c '^disk' log)" -eq 1 ] || fail "110 files on 360 KB: not one disk: $(cat log)"
[ "$(mdir -b -i rootout/disk1.img :: | wc -l)" -eq 111 ] || fail "360 KB image: $(mdir -b -i rootout/disk1.img ::)"

# ---- OUTDIR: written whole, only on success; the same inputs give the same images ------
"$KIT" build src/example.dist again --medium 720 --images > /dev/null 2>&1 || fail "720 into again"
[ -e again/disk3 ] && [ -e again/disk3.img ] || fail "the 720 set has no disk 3"
mkdir -p again/try && : > again/try/keep.png
sums=$(cd again && find . -type f | sort | xargs md5sum)
"$KIT" build src/typo.dist again --medium 720 --images > /dev/null 2>&1 && fail "typo build succeeded"
[ "$sums" = "$(cd again && find . -type f | sort | xargs md5sum)" ] || fail "a failed build changed OUTDIR"
"$KIT" build src/nosetup.dist again --medium 1440 --images > log 2>&1 || fail "1440 into again"
n=$(grep -c '^disk' log)
[ "$(ls again | grep -c '^disk[0-9]*$')" -eq "$n" ] && [ "$(ls again | grep -c '^disk[0-9]*\.img$')" -eq "$n" ] ||
    fail "disks of the earlier set were left: $(ls again), $n made"
[ -e again/try/keep.png ] || fail "a file of the author's in OUTDIR was removed"
export SOURCE_DATE_EPOCH=1700000000
"$KIT" build src/example.dist same1 --medium 720 --images > /dev/null 2>&1 || fail "epoch build 1"
sleep 1
"$KIT" build src/example.dist same2 --medium 720 --images > /dev/null 2>&1 || fail "epoch build 2"
for img in same1/*.img; do cmp -s "$img" "same2/${img#same1/}" || fail "$img differs between two builds"; done
[ "$(stat -c %Y same1/disk1/install.cfg)" = 1700000000 ] || fail "install.cfg not at SOURCE_DATE_EPOCH"
[ "$(stat -c %Y same1/disk*/README.TXT)" = "$(stat -c %Y src/README.TXT)" ] || fail "a copied file lost its time"
unset SOURCE_DATE_EPOCH

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all builder checks passed"

#!/usr/bin/env bash
# What an author gives the kit is kept, or refused with FILE:LINE and the
# reason: OUTDIR holds the author's own folders beside the set; names that
# Windows would take for one another (or for another name) are refused;
# UTF-8 text reaches setup in the users' code page; files that are no files
# are refused; messages say which line and why; progress on a terminal.
#   author.sh SETUPKIT LZHX
set -uo pipefail
KIT=$(realpath "$1")
LZHX=$(realpath "$2")
WORK=$(mktemp -d /tmp/kit_author.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$WORK"
mkdir -p src
printf 'Caption=Example\r\nDefaultPath=C:\\EXAMPLE\r\n' > src/setup.cfg

# ---- OUTDIR: only what a build wrote is replaced ----------------------------------------
# The author's folder holds disk2/notes.txt (the packed source) and disk3/keep.txt.
mkdir -p own/disk2 own/disk3
echo notes > own/disk2/notes.txt && echo keep > own/disk3/keep.txt
printf 'Script=../src/setup.cfg\nArchive=DATA.LZH disk2 $d\n' > own/own.dist
(cd own && "$KIT" build own.dist . > ../log 2>&1) || fail "build into the author's folder: $(cat log)"
[ -e own/disk2/notes.txt ] && [ -e own/disk3/keep.txt ] || fail "the author's disk2 or disk3 was removed: $(ls -R own)"
[ -e own/disk1/DATA.LZH ] || fail "no disk1 in the author's folder"
grep -qx 'disk1/DATA.LZH' own/setupkit.files || fail "the record lacks disk1/DATA.LZH: $(cat own/setupkit.files)"
# A set that needs the name disk2 is refused, naming what is in the way; nothing changes.
head -c 500000 /dev/urandom > src/NOISE.DAT
printf 'Script=../src/setup.cfg\nArchive=DATA.LZH disk2 $d\nArchive=NOISE.LZH ../src/NOISE.DAT $d\n' > own/two.dist
sums=$(cd own && find . -type f | sort | xargs md5sum)
(cd own && "$KIT" build two.dist . --medium 360 > ../log 2>&1); status=$?
[ $status -eq 1 ] && grep -qF './disk2 is in the way' log || fail "author's disk2 in the way: $status $(cat log)"
[ "$sums" = "$(cd own && find . -type f | sort | xargs md5sum)" ] || fail "a refused build changed OUTDIR"
ls -d own/..new-* own/.new-* > /dev/null 2>&1 && fail "the stage folder was left"
# A file the author added to a disk folder the build wrote is in the way too.
"$KIT" build own/two.dist set --medium 360 --images > log 2>&1 || fail "360 set: $(cat log)"
echo mine > set/disk1/MINE.TXT
"$KIT" build own/two.dist set --medium 360 > log 2>&1; status=$?
[ $status -eq 1 ] && grep -qF 'set/disk1/MINE.TXT is in the way' log || fail "file added to disk1: $status $(cat log)"
[ -e set/disk1.img ] && [ -e set/disk1/MINE.TXT ] || fail "the refused build removed something"
# Without --images the earlier images of the same numbers go: they would be stale.
rm set/disk1/MINE.TXT
"$KIT" build own/two.dist set --medium 360 > log 2>&1 || fail "rebuild without images: $(cat log)"
ls set/*.img > /dev/null 2>&1 && fail "stale images left: $(ls set)"
# A smaller set removes the disks it no longer has, but keeps what the author put there.
mkdir -p set/disk2/notes && echo n > set/disk2/notes/n.txt
"$KIT" build own/own.dist set --medium 360 > log 2>&1 || fail "smaller set: $(cat log)"
[ -e set/disk2/NOISE2.LZH ] || [ -e set/disk2/NOISE.LZH ] || [ -e set/disk2/thisdisk ] &&
    fail "disk2 of the earlier set kept: $(ls set/disk2)"
[ -e set/disk2/notes/n.txt ] || fail "the author's file below disk2 was removed"

# ---- Names Windows takes for one, or for another name -----------------------------------
# names NAME WANTED [BUILD-OPTIONS] < lines "path<TAB>content": the tree goes to
# tree/, packed by Archive=T.LZH; an empty WANTED means it must build.
names() {
    local name=$1 want=$2; shift 2
    rm -rf tree out && mkdir tree
    while IFS=$'\t' read -r path content; do
        mkdir -p "tree/$(dirname "$path")" && printf '%s' "$content" > "tree/$path"
    done
    printf 'Script=src/setup.cfg\nArchive=T.LZH tree $d\n' > t.dist
    "$KIT" build t.dist out "$@" > log 2>&1; local status=$?
    if [ -z "$want" ]; then
        [ $status -eq 0 ] || fail "$name: refused: $(cat log)"
    else
        [ $status -eq 1 ] && grep -qF -- "t.dist:2: error: $want" log || fail "$name: status $status: $(cat log)"
        [ -e out ] && fail "$name: OUTDIR written"
    fi
}
names "letter case" './tree/README.TXT: Windows takes it and ./tree/Readme.txt for one name' <<'T'
Readme.txt	a
README.TXT	b
T
names "letter case of folders" './tree/Docs: Windows takes it and ./tree/docs for one name' <<'T'
docs/a.txt	a
Docs/b.txt	b
T
names "accented letters in 1252" './tree/É.TXT: Windows takes it and ./tree/é.txt for one name' <<'T'
é.txt	a
É.TXT	b
T
names "Cyrillic in 1251" './tree/ФАЙЛ.TXT: Windows takes it and ./tree/Файл.txt for one name' --codepage 1251 <<'T'
Файл.txt	a
ФАЙЛ.TXT	b
T
names "trailing dot beside its twin" './tree/readme.: the name ends in a dot' <<'T'
readme	a
readme.	b
T
names "trailing dot" './tree/dot.: the name ends in a dot' <<'T'
dot.	a
T
names "trailing blank" './tree/space : the name ends in a blank' <<'T'
space 	a
T
names "folder with a trailing dot" './tree/dirdot.: the name ends in a dot' <<'T'
dirdot./a.txt	a
T
names "names that only look alike" '' <<'T'
ab	a
a.b	b
ß.txt	c
SS.txt	d
a..b	e
.hidden	f
T
# A file named outright keeps the rule.
printf 'x' > 'src/dot.' && printf 'Script=setup.cfg\nArchive=D.LZH dot. $d\n' > src/d.dist
"$KIT" build src/d.dist d > log 2>&1; grep -qF 'd.dist:2: error: src/dot.: the name ends in a dot' log ||
    fail "file named outright with a dot: $(cat log)"
# lzhx a refuses the same.
mkdir -p twins && echo a > twins/Readme.txt && echo b > twins/README.TXT
"$LZHX" a twins.lzh twins > log 2>&1 && fail "lzhx a packed letter-case twins"
grep -qF 'twins/README.TXT: Windows takes it and twins/Readme.txt for one name' log || fail "lzhx twins: $(cat log)"
# Paths given apart are compared too: file against file, and a file against a
# name inside a folder that lands at the same member name; the later path is
# refused, naming the earlier. Fields: paths | status | what the message holds.
mkdir -p apart/docs apart/DOCS && echo a > apart/Readme && echo b > apart/README &&
    echo c > apart/docs/notes.txt && echo d > apart/DOCS/notes.txt && echo e > apart/other
while IFS='|' read -r paths want message; do
    (cd apart && "$LZHX" a ../apart.lzh $paths) > log 2>&1
    status=$?
    [ "$status" -eq "$want" ] || fail "lzhx a $paths: status $status, not $want: $(cat log)"
    [ -z "$message" ] || grep -qF "$message" log || fail "lzhx a $paths: $(cat log)"
    [ "$want" -eq 0 ] || [ ! -e apart.lzh ] || fail "lzhx a $paths left an archive"
done <<'T'
Readme README|1|lzhx: README: Windows takes it and Readme for one name
README other Readme|1|lzhx: Readme: Windows takes it and README for one name
docs DOCS/notes.txt|1|lzhx: DOCS/notes.txt: Windows takes it and docs/notes.txt for one name
DOCS/notes.txt docs|1|lzhx: docs/notes.txt: Windows takes it and DOCS/notes.txt for one name
Readme Readme|1|lzhx: Readme: packed under the name of Readme too
Readme docs other|0|
T
# Copied files of one folder are refused by the same rule; copied files of two
# entries: both named.
printf 'Script=../src/setup.cfg\nCopy=twins $d\n' > twins.dist
"$KIT" build twins.dist c > log 2>&1
grep -qF 'twins.dist:2: error: ./twins/README.TXT: Windows takes it and ./twins/Readme.txt for one name' log ||
    fail "copied twins: $(cat log)"
printf 'Script=../src/setup.cfg\nCopy=twins/README.TXT $d\nCopy=twins/Readme.txt $d\\DOC\n' > twins.dist
"$KIT" build twins.dist c > log 2>&1
grep -qF 'twins.dist:3: error: two files named README.TXT (the other from line 2): ./twins/README.TXT and ./twins/Readme.txt' log ||
    fail "copied twins of two entries: $(cat log)"

# Two entries that install one file: a warning naming both lines, from build and check.
mkdir -p one two three && echo 1 > one/Same.txt && echo 2 > two/SAME.TXT && echo 3 > two/other.txt
echo r > README.TXT && echo r > three/readme.txt
printf 'Script=src/setup.cfg\nArchive=ONE.LZH one $d\nArchive=TWO.LZH two $d\nCopy=README.TXT $d\\SUB\nArchive=SUB.LZH three $d\\sub\n' > same.dist
"$KIT" build same.dist same > log 2>&1 || fail "same file twice is no error: $(cat log)"
grep -qF 'same.dist:3: warning: ./two/SAME.TXT installs the same file as ./one/Same.txt of line 2' log &&
    grep -qF 'same.dist:5: warning: ./three/readme.txt installs the same file as ./README.TXT of line 4' log ||
    fail "build: no warning for one file installed twice: $(cat log)"
[ "$(grep -c warning log)" -eq 2 ] || fail "build: other warnings: $(cat log)"
out=$("$KIT" check same/disk1/install.cfg same/disk1)
grep -qF 'install.cfg:5: warning: "$d\SAME.TXT" is installed by line 4 and by this line' <<< "$out" &&
    grep -qF 'install.cfg:7: warning: "$d\sub\readme.txt" is installed by line 6 and by this line' <<< "$out" ||
    fail "check: no warning: $out"

# ---- The checker on archives other tools made -------------------------------------------
mkdir -p jl && echo a > jl/A.TXT && echo b > jl/a.txt && echo c > 'jl/dot.'
mkdir -p chk && (cd jl && jlha c1z ../chk/JL.LZH A.TXT a.txt 'dot.' > /dev/null 2>&1)
printf 'DefaultPath=C:\\X\n[Disk1]\nJL.LZH=$d\n' > chk/install.cfg
out=$("$KIT" check chk/install.cfg chk); status=$?
[ $status -eq 1 ] || fail "check of twins: status $status"
grep -qF 'install.cfg:3: error: members "A.TXT" and "a.txt" of JL.LZH are one name to Windows' <<< "$out" &&
    grep -qF 'install.cfg:3: error: member "dot." of JL.LZH ends in a dot' <<< "$out" || fail "check twins: $out"
grep -q 'Windows 95' <<< "$out" && fail "check says Windows 95 can create them: $out"
# Folders in extension headers count: one name in two folders is no clash, a
# folder in two letter cases is.
mkdir -p jl/a jl/b jl/B && echo 1 > jl/a/readme.txt && echo 2 > jl/b/readme.txt && echo 3 > jl/B/x.txt && echo 4 > jl/b/X.TXT
(cd jl && jlha c1z ../chk/DIRS.LZH a/readme.txt b/readme.txt b/X.TXT B/x.txt > /dev/null 2>&1)
printf 'DefaultPath=C:\\X\n[Disk1]\nDIRS.LZH=$d\n' > chk/install.cfg
out=$("$KIT" check chk/install.cfg chk)
grep -q 'readme' <<< "$out" && fail "one name in two folders taken for a clash: $out"
grep -qF 'members "b\X.TXT" and "B\x.txt" of DIRS.LZH are one name to Windows' <<< "$out" || fail "folders in two cases: $out"

# Letters are compared in the code page the set is for: ё and Ё of 1251 are
# a cedilla and a diaeresis in 1252.
# (lzhx a refuses the twins: the archive is two archives of one member each,
# joined, the first without its end mark.)
mkdir -p cy && echo 1 > cy/ё.txt && echo 2 > cy/Ё.txt
(cd cy && "$LZHX" a --codepage 1251 ../cy1.lzh ё.txt && "$LZHX" a --codepage 1251 ../cy2.lzh Ё.txt) ||
    fail "lzhx a of one Cyrillic name"
{ head -c -1 cy1.lzh; cat cy2.lzh; } > chk/CY.LZH
printf 'DefaultPath=C:\\X\n[Disk1]\nCY.LZH=$d\n' > chk/install.cfg
"$KIT" check chk/install.cfg chk > log 2>&1 || fail "check in 1252: $(cat log)"
"$KIT" check --codepage 1251 chk/install.cfg chk > log 2>&1 && fail "check in 1251 passed: $(cat log)"
grep -qa 'are one name to Windows' log || fail "check in 1251: $(cat log)"

# ---- Text in the users' code page ---------------------------------------------------------
# text NAME CODEPAGE FILE-CONTENT WANTED-BYTES: a UTF-8 script (and a
# companion win.ini) built; install.cfg and WIN.INI must hold the bytes.
mkdir -p cp
text() {
    local name=$1 cp=$2 content=$3 want=$4
    printf '%s\r\n' "$content" > cp/setup.cfg
    printf '[Desktop]\r\n%s\r\n' "$content" > cp/win.ini
    printf 'Script=setup.cfg\nCompanion=win.ini\n' > cp/c.dist
    rm -rf cpout
    "$KIT" build cp/c.dist cpout --codepage "$cp" > log 2>&1 || { fail "$name: $(cat log)"; return; }
    grep -qa "$want" cpout/disk1/install.cfg || fail "$name: install.cfg: $(head -c 200 cpout/disk1/install.cfg | od -c | head -3)"
    grep -qa "$want" cpout/disk1/WIN.INI || fail "$name: WIN.INI: $(od -c cpout/disk1/WIN.INI | head -3)"
}
text "Western, 1252" 1252 'Caption=Café Setup' "Caption=Caf"$'\xe9'" Setup"
text "Cyrillic, 1251" 1251 'DefaultPath=C:\ПРОГ' "DefaultPath=C:."$'\xcf\xd0\xce\xc3'
text "Czech, 1250" 1250 'Title1=Příliš žluťoučký' "Title1=P"$'\xf8\xed'"li"$'\x9a'" "$'\x9e'"lu"$'\x9d'"ou"$'\xe8'"k"$'\xfd'
text "not UTF-8: as it is" 1252 $'Caption=Caf\xe9 \xa0Setup' "Caption=Caf"$'\xe9'" "$'\xa0'"Setup"
# A character the code page lacks: FILE:LINE, nothing written.
printf 'Caption=Example\r\nTitle1=Ångström\r\n' > cp/setup.cfg
: > cp/win.ini
"$KIT" build cp/c.dist cpbad --codepage 1251 > log 2>&1; status=$?
[ $status -eq 1 ] && grep -qF 'cp/setup.cfg:2: error: "Å" cannot be written in code page 1251' log && [ ! -e cpbad ] ||
    fail "character outside the code page: $status $(cat log)"
printf '[Desktop]\r\nWallpaper=日本.bmp\r\n' > cp/win.ini
printf 'Caption=Example\r\n' > cp/setup.cfg
"$KIT" build cp/c.dist cpbad > log 2>&1
grep -qF 'cp/win.ini:2: error: "日" cannot be written in code page 1252' log || fail "companion outside: $(cat log)"
# A description in the code page already: its target is taken as written.
mkdir -p cp/pay && echo p > cp/pay/P.TXT
printf 'Script=setup.cfg\nArchive=P.LZH pay $d\\Caf\xe9\n' > cp/l1.dist
"$KIT" build cp/l1.dist l1 > log 2>&1 || fail "description in 1252: $(cat log)"
grep -qa '^P.LZH=\$d\\Caf'$'\xe9' l1/disk1/install.cfg || fail "1252 target: $(cat l1/disk1/install.cfg)"
# check says which it assumed.
printf 'Caption=Café\r\n' > cp/u.cfg && printf 'Caption=Caf\xe9\r\n' > cp/l.cfg
"$KIT" check cp/u.cfg | grep -qF 'cp/u.cfg:1: note: read as UTF-8' || fail "check: UTF-8 not told"
"$KIT" check cp/l.cfg | grep -qF 'cp/l.cfg:1: note: not UTF-8' || fail "check: code page not told"
"$KIT" check src/setup.cfg | grep -q note && fail "check: a note for an ASCII script"

# ---- Files that are no files ----------------------------------------------------------------
mkdir -p sp/dir sp/loopdir/sub && mkfifo sp/PIPE sp/dir/PIPE && echo d > sp/dir/F.TXT
ln -s loop sp/loop && ln -s .. sp/loopdir/sub/up && ln -s nowhere sp/dangling
echo real > sp/REAL.TXT && ln -s REAL.TXT sp/LINK.TXT && ln -s dir sp/linkdir
# special NAME ENTRY WANTED
special() {
    printf 'Script=../src/setup.cfg\n%s\n' "$2" > sp/s.dist
    rm -rf spout
    timeout 20 "$KIT" build sp/s.dist spout > log 2>&1; local status=$?
    [ $status -eq 1 ] && grep -qF -- "$3" log || fail "$1: status $status: $(cat log)"
}
special "FIFO copied" 'Copy=PIPE $d' 's.dist:2: error: sp/PIPE: a FIFO (named pipe), not a file'
special "FIFO packed" 'Archive=P.LZH PIPE $d' 's.dist:2: error: sp/PIPE: a FIFO (named pipe), not a file'
special "FIFO in a folder" 'Archive=P.LZH dir $d' 's.dist:2: error: sp/dir/PIPE: a FIFO (named pipe), not a file'
special "link to itself" 'Archive=P.LZH loop $d' 's.dist:2: error: sp/loop: symbolic link loop'
special "folder link loop" 'Archive=P.LZH loopdir $d' 'sp/loopdir/sub/up: symbolic link loop'
special "dangling link" 'Copy=dangling $d' 'sp/dangling: a symbolic link to nothing'
timeout 20 "$LZHX" a pipe.lzh sp/PIPE > log 2>&1; status=$?
[ $status -eq 1 ] && grep -qF 'sp/PIPE: a FIFO (named pipe), not a file' log && [ ! -e pipe.lzh ] ||
    fail "lzhx a of a FIFO: $status $(cat log)"
# Links to files and folders are followed.
printf 'Script=../src/setup.cfg\nCopy=LINK.TXT $d\nArchive=L.LZH linkdir $d\n' > sp/ok.dist
rm sp/dir/PIPE
"$KIT" build sp/ok.dist spok > log 2>&1 || fail "links followed: $(cat log)"
cmp -s spok/disk1/LINK.TXT sp/REAL.TXT && "$LZHX" l spok/disk1/L.LZH | grep -q 'F.TXT' || fail "links: $(ls spok/disk1)"

# ---- Messages --------------------------------------------------------------------------------
# A copied file that fits a disk but not beside thisdisk: the room there is.
head -c 362000 /dev/urandom > src/WHOLE.DAT
printf 'Script=setup.cfg\nCopy=WHOLE.DAT $d\n' > src/whole.dist
"$KIT" build src/whole.dist w --medium 360 > log 2>&1
grep -qF 'whole.dist:2: error: does not fit on a disk beside thisdisk, so it cannot be copied: src/WHOLE.DAT takes 362496 bytes, a disk of the set has 361472 beside thisdisk' log ||
    fail "beside thisdisk: $(cat log)"
head -c 400000 /dev/urandom > src/BIG.DAT
printf 'Script=setup.cfg\nCopy=BIG.DAT $d\n' > src/big.dist
"$KIT" build src/big.dist w --medium 360 > log 2>&1
grep -qF 'big.dist:2: error: larger than a disk, so it cannot be copied: src/BIG.DAT takes 400384 bytes, a 360 KB disk holds 362496' log ||
    fail "larger than a disk: $(cat log)"
# A continuation archive's name against an author's archive, in both orders.
mkdir -p six && head -c 300000 /dev/urandom > six/A.DAT && head -c 300000 /dev/urandom > six/B.DAT
echo x > src/X.TXT
printf 'Script=../src/setup.cfg\nArchive=SIX.LZH . $d\nArchive=SIX2.LZH ../src/X.TXT $d\n' > six/after.dist
"$KIT" build six/after.dist w --medium 360 > log 2>&1
grep -qF 'after.dist:3: error: two files named SIX2.LZH: this line'"'"'s and part 2 of SIX.LZH (line 2) on disk 2' log ||
    fail "continuation first: $(cat log)"
printf 'Script=../src/setup.cfg\nArchive=SIX2.LZH ../src/X.TXT $d\nArchive=SIX.LZH . $d\n' > six/before.dist
"$KIT" build six/before.dist w --medium 360 > log 2>&1
grep -qF 'before.dist:3: error: two files named SIX2.LZH: part 2 of SIX.LZH (this line) and the file of line 2 on disk 1' log ||
    fail "continuation second: $(cat log)"
# A slip in the script names the script.
printf 'Titel1=x\r\n' > src/typo.cfg && printf 'Script=typo.cfg\n' > src/typo.dist
"$KIT" build src/typo.dist w > log 2>&1
grep -qF 'setupkit: the setup script src/typo.cfg has errors' log || fail "script not named: $(cat log)"
# Progress on a terminal, a line per archive and per disk; none through a pipe or with -q.
script -qec "'$KIT' build six/before.dist prog --medium 720" /dev/null < /dev/null > tty.log 2>&1 || true
script -qec "'$KIT' build own/two.dist prog2 --medium 360" /dev/null < /dev/null > tty.log 2>&1 ||
    fail "build on a terminal: $(cat tty.log)"
parts=$(ls prog2/disk*/NOISE*.LZH | wc -l) && bytes=$(cat prog2/disk*/NOISE*.LZH | wc -c)
grep -qE "^packing NOISE.LZH: 1 file, 500000 bytes \.\.\. $bytes bytes in $parts parts, [0-9.]+ s" tty.log &&
    grep -qE '^wrote disk2: [0-9]+ files, [0-9]+ bytes, [0-9.]+ s' tty.log || fail "no progress on a terminal: $(cat tty.log)"
script -qec "'$KIT' build own/two.dist prog3 --medium 360 -q" /dev/null < /dev/null > tty.log 2>&1
[ -s tty.log ] && fail "-q on a terminal: $(cat tty.log)"
"$KIT" build own/two.dist prog4 --medium 360 > out.log 2> err.log
[ -s err.log ] && fail "progress through a pipe: $(cat err.log)"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all author checks passed"

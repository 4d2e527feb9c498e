#!/usr/bin/env bash
# The setup-script checker: broken scripts, each with the diagnostic it must
# give (file:line), a non-zero exit for them and silence for a sound script.
#   check.sh SETUPKIT
set -uo pipefail
KIT=$(realpath "$1")
WORK=$(mktemp -d /tmp/kit_check.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$WORK"
mkdir -p medium && : > medium/APP.LZH && : > medium/README.TXT

# expect NAME EXPECTED-LINE [DISKDIR...] < script: the script goes to
# medium/install.cfg and the output must hold EXPECTED-LINE; the status must
# be 1 (STATUS=0 for a warning alone).
expect() {
    local name=$1 want=$2; shift 2
    cat > medium/install.cfg
    local out status
    out=$("$KIT" check medium/install.cfg "$@" 2>&1); status=$?
    [ $status -eq "${STATUS:-1}" ] || fail "$name: status $status"
    grep -qF -- "$want" <<< "$out" || fail "$name: wanted '$want', got: $out"
}

expect "misspelt key" 'medium/install.cfg:2: error: unknown key "Titel1"; did you mean "Title1"?' <<'S'
Caption=Setup
Titel1=Example
S
expect "blank before =" 'install.cfg:1: error: unknown key "Caption "; did you mean "Caption"?' <<'S'
Caption =Setup
S
expect "trailing backslash" 'install.cfg:2: error: the value of "DefaultPath" ends in "\", which joins line 3 to it' <<'S'
Caption=Setup
DefaultPath=C:\APP\
Title1=Example
S
expect "joined entry in a text" 'install.cfg:1: error: the value of "Welcome" ends in "\", which joins line 3 to it' <<'S'
Welcome=Install the example?\
It takes a minute.\
Title1=Example
S
expect "colour with commas" 'install.cfg:1: error: colour "255,0,0" of "TopColor" is not three numbers' <<'S'
TopColor=255,0,0
S
expect "colour out of range" 'install.cfg:1: error: colour "0 300 0" of "Title1Color" has a part outside 0..255' <<'S'
Title1Color=0 300 0
S
expect "number in words" 'install.cfg:1: error: "NumGradientSteps" is not a number: setup reads thirty as 0' <<'S'
NumGradientSteps=thirty
S
expect "yes in lower case" 'install.cfg:1: error: "DirExistsWarn" reads as no' <<'S'
DirExistsWarn=yes
S
expect "no drive" 'install.cfg:1: error: "DefaultPath" "\APPS\EXAMPLE" has no drive' <<'S'
DefaultPath=\APPS\EXAMPLE
S
long=$(printf 'C:\\%0270d' 0)
expect "long path" 'install.cfg:1: error: path of "DefaultPath" is longer than 259 characters' <<S
DefaultPath=$long
S
expect "Title2Pos in lower case" 'install.cfg:1: error: "Title2Pos" "bottom" has no effect' <<'S'
Title2Pos=bottom
S
expect "archive on no disk" 'install.cfg:3: error: "MISSING.LZH" is on no disk' <<'S'
[Disk1]
APP.LZH=$d
MISSING.LZH=$d
S

# Targets: the macros setup knows, no relative path, a warning for "..".
expect "unknown macro" 'install.cfg:2: error: unknown macro "$x" in the target of "APP.LZH"' <<'S'
[Disk1]
APP.LZH=$x\APP
S
expect "macro in upper case" 'install.cfg:2: error: unknown macro "$D" in the target of "README.TXT"' <<'S'
[Disk1]
README.TXT==$D
S
# A copy's target ends in the file's own name, as the builder writes it: a "$"
# there is a character of the name; one before it is still a macro.
expect "macro before a file's own name" 'install.cfg:2: error: unknown macro "$D" in the target of "~X.$$$"' <<'S'
[Disk1]
~X.$$$==$D\DOCS\~X.$$$
S
: > 'medium/~X.$$$'
printf '[Disk1]\r\n~X.$$$==$d\\DOCS\\~X.$$$\r\n$$.$$$==$d\\$$.$$$\r\n' > medium/install.cfg
: > 'medium/$$.$$$'
out=$("$KIT" check medium/install.cfg 2>&1) || fail "a \"$\" in a copy's own name: $out"
rm -f 'medium/~X.$$$' 'medium/$$.$$$'
expect "relative target" 'install.cfg:2: error: target "APP" of "APP.LZH" is relative' <<'S'
[Disk1]
APP.LZH=APP
S
STATUS=0 expect "target climbing out" 'install.cfg:2: warning: target "$d\..\..\WINDOWS" of "APP.LZH" climbs out of its folder with ".."' <<'S'
[Disk1]
APP.LZH=$d\..\..\WINDOWS
S
STATUS=0 expect "target folder with a trailing dot" 'install.cfg:2: warning: the folder "App." in target "$d\App.\Bin" of "APP.LZH" ends in a dot: Windows drops' <<'S'
[Disk1]
APP.LZH=$d\App.\Bin
S

# A set of disks whose numbers jump: disk 2 is never asked for.
mkdir -p d1 d2
printf 'DiskNumber=1\r\nNextDiskNumber=2\r\n' > d1/thisdisk
printf 'DiskNumber=3\r\n' > d2/thisdisk
: > d1/APP.LZH && : > d2/APP2.LZH
expect "numbering gap" 'd2/thisdisk:1: error: "DiskNumber" 3 follows disk 1: setup asks for disk 2' d1 d2 <<'S'
[Disk1]
APP.LZH=$d
[Disk2]
APP2.LZH=$d
S
printf 'DiskNumber=2\r\nGONE.LZH=$d\r\n' > d2/thisdisk
expect "thisdisk entry on no disk" 'd2/thisdisk:2: error: "GONE.LZH" is on no disk' d1 d2 <<'S'
[Disk1]
APP.LZH=$d
S
printf 'DiskNumber=2\r\nNextDiskNumber=3\r\n' > d2/thisdisk
expect "last disk announces another" 'd2/thisdisk:2: error: "NextDiskNumber" 3 on the last disk' d1 d2 <<'S'
[Disk1]
APP.LZH=$d
S

# A sound script passes without a word.
cat > medium/install.cfg <<'S'
; comment
Caption=Example Setup
Welcome=Install the example?\
It takes a minute.
TopColor=0 0 128
NumGradientSteps=64
DefaultPath=C:\EXAMPLE
DirExistsWarn=N
[Disk1]
APP.LZH=$d
README.TXT==$d
[Groups]
Group1=Example
Item1=$d\EXAMPLE.EXE
S
out=$("$KIT" check medium/install.cfg 2>&1); status=$?
[ $status -eq 0 ] && [ -z "$out" ] || fail "sound script: status $status: $out"
"$KIT" check >/dev/null 2>&1; [ $? -eq 2 ] || fail "no script: usage status"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all checker cases passed"

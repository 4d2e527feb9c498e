#!/usr/bin/env bash
# The kit installed with cmake --install into a prefix, then moved elsewhere, builds a set with its own release SETUP.EXE and tries it with its own wauto.exe and Wine scripts (nothing of the source or build tree: no path of them in the programs); --version and the manual pages; try --keep leaves the prefix with the installed files.
# timeout: 600 s
. "$(dirname "$0")/../../lib.sh"

BUILD=$E2E_ROOT/build/native
[ -x "$BUILD/tools/setupkit" ] || fail "no $BUILD/tools/setupkit: build the native build first"
cmake --install "$BUILD" --prefix "$SCEN/first" --strip >"$SCEN/install.log" 2>&1 || fail "cmake --install: $(cat "$SCEN/install.log")"
# Moved after installing: the programs must find their parts from where they are.
mv "$SCEN/first" "$SCEN/kit"
P=$SCEN/kit
for f in bin/setupkit bin/lzhx share/setupkit/SETUP.EXE share/setupkit/wauto.exe share/setupkit/wine/try.sh \
         share/setupkit/wine/headless.sh share/setupkit/wine/wine32.sh share/setupkit/wine/qemu-fix.c \
         share/man/man1/setupkit.1 share/man/man1/lzhx.1; do
    [ -f "$P/$f" ] && [ ! -L "$P/$f" ] || fail "the installed kit lacks $f"
done
cmp -s "$P/share/setupkit/SETUP.EXE" "$SETUP_EXE_BUILT" || fail "the installed SETUP.EXE is not the release build's"
for exe in setupkit lzhx; do
    grep -qF "$E2E_ROOT" "$P/bin/$exe" && fail "bin/$exe holds a path of the source tree"
    [ "$("$P/bin/$exe" --version)" = "$exe $(sed -n 's/^ *VERSION \([0-9.]*\)$/\1/p' "$E2E_ROOT/CMakeLists.txt")" ] ||
        fail "$exe --version says \"$("$P/bin/$exe" --version)\""
    warnings=$(groff -man -Tutf8 -ww -z "$P/share/man/man1/$exe.1" 2>&1)
    [ -z "$warnings" ] || fail "the manual page of $exe: $warnings"
done

export XDG_CACHE_HOME=$SCEN/cache
mkdir -p "$XDG_CACHE_HOME/setupkit"
ln -s "$E2E_TEMPLATE" "$XDG_CACHE_HOME/setupkit/template"
mkdir -p "$SCEN/src/app/empty"
make_data "$SCEN/src/app/BIN/TOOL.BIN" 200000 binary
printf 'read me\r\n' >"$SCEN/src/README.TXT"
e2e_write_crlf "$SCEN/src/setup.cfg" <<'EOF2'
Caption=Installed Kit
DestPathPrompt=N
DefaultPath=C:\KIT
EOF2
printf 'Script=setup.cfg\nArchive=APP.LZH app $d\nCopy=README.TXT $d\n' >"$SCEN/src/kit.dist"
cd "$SCEN" || fail "cannot enter $SCEN"
# Nothing from the environment points into the trees.
env -u SETUPKIT_WAUTO -u SETUPKIT_TRY PATH="$P/bin:/usr/bin:/bin" \
    setupkit build src/kit.dist out --setup "$P/share/setupkit/SETUP.EXE" >"$SCEN/build.log" 2>&1 ||
    fail "installed setupkit build: $(cat "$SCEN/build.log")"
cmp -s out/disk1/SETUP.EXE "$SETUP_EXE_BUILT" || fail "the set does not hold the release SETUP.EXE"
status=0
env -u SETUPKIT_WAUTO -u SETUPKIT_TRY PATH="$P/bin:/usr/bin:/bin" setupkit try out --keep >"$SCEN/try.log" 2>&1 || status=$?
sed 's/^/  try: /' "$SCEN/try.log"
[ "$status" = 0 ] || fail "installed setupkit try ended with status $status"
grep -q "compared 2 of the set's 2 files (0 differing, 0 sources changed since the build, 0 missing) and 1 of its 1 empty folders" "$SCEN/try.log" ||
    fail "the report does not count 2 files and 1 folder"
grep -qF "the Wine prefix stays in $SCEN/out/try/prefix" "$SCEN/try.log" || fail "--keep did not say where the prefix stays"
cmp -s out/try/prefix/drive_c/KIT/BIN/TOOL.BIN src/app/BIN/TOOL.BIN || fail "the kept prefix lacks C:\\KIT\\BIN\\TOOL.BIN"
[ -d out/try/prefix/drive_c/KIT/empty ] || fail "the kept prefix lacks C:\\KIT\\empty"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds what Quillet for Windows links against, with the MinGW-w64 compilers, from Debian's
# own sources with Debian's patches, into a cache folder outside the checkout: the Qt it needs
# (qtbase), SQLite (a DLL) and the HTML parser gumbo (a static library). Does nothing when all three
# are there; when only SQLite's compile options or gumbo's recipe changed (see sqlite_options and
# gumbo_recipe), or one of them is missing (as after unpacking the shared copy of the Qt, which has
# no gumbo), rebuilds that one alone, in about a minute, and leaves the Qt as it is.
#
#   scripts/windows/deps.sh && scripts/windows/build-qt.sh
#
# QUILLET_WINDOWS_CACHE chooses the cache folder (default /var/cache/quillet-windows); everything
# lands in its qt-6.4.2 subfolder. Building the Qt takes about an hour on two busy cores and about
# 2 GB of disk; once done, the sources and build folders are removed and the Qt takes about 90 MB.
# The sources are fetched with `apt-get source` through a private apt configuration whose deb-src
# entries are copied from this machine's apt sources: the system's own apt configuration is left
# untouched.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${QUILLET_WINDOWS_CACHE:-/var/cache/quillet-windows}
prefix=$cache/qt-6.4.2
work=$cache/work
logs=$cache/logs
jobs=${QUILLET_WINDOWS_JOBS:-$(nproc)}
started=$SECONDS

# Debian 12's compile options for SQLite (debian/rules of sqlite3 3.40.1-2+deb12u2), so that the Windows
# program and its tests get the SQLite the Linux build gets (the dbstat table among others).
sqlite_options=(-DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3
    -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_RTREE=1 -DSQLITE_SOUNDEX=1
    -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_ENABLE_DBSTAT_VTAB
    -DSQLITE_ALLOW_ROWID_IN_VIEW
    -DSQLITE_ENABLE_UPDATE_DELETE_LIMIT=1 -DSQLITE_ENABLE_LOAD_EXTENSION -DSQLITE_ENABLE_JSON1
    -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS3_TOKENIZER=1
    -DSQLITE_USE_URI=1 -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_PREUPDATE_HOOK
    -DSQLITE_ENABLE_SESSION -DSQLITE_ENABLE_STMTVTAB -DSQLITE_MAX_VARIABLE_NUMBER=250000)
# The options the installed sqlite3.dll was compiled with (none recorded: -DSQLITE_THREADSAFE=1
# alone, as the first builds of this script had it).
sqlite_stamp=$prefix/.sqlite-options

# gumbo: Debian's source archive of the release in Debian 13 (the archive serves no complete source
# package of Debian 12's 0.10.1; 0.13.0 parses with the same interface and fixes faults since),
# compiled as Debian compiles it (-O2, assertions kept) into a static library, so that the program
# needs no further DLL. The stamp records the recipe the installed library was built with.
gumbo_suite=trixie
gumbo_version=0.13.0+dfsg-2
gumbo_options=(-O2 -std=gnu99)
gumbo_recipe="gumbo-parser $gumbo_version ($gumbo_suite) static ${gumbo_options[*]}"
gumbo_stamp=$prefix/.gumbo-recipe

say() { printf '[build-qt %3dm%02ds] %s\n' $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)) "$*"; }
stamp_is() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }

# What to build: everything when there is no Qt; otherwise only what is missing or out of date.
qt_built=no need_sqlite=yes need_gumbo=yes
if [ -f "$prefix/.complete" ]; then
    qt_built=yes
    stamp_is "$sqlite_stamp" "${sqlite_options[*]}" && need_sqlite=no
    stamp_is "$gumbo_stamp" "$gumbo_recipe" && need_gumbo=no
    if [ $need_sqlite = no ] && [ $need_gumbo = no ]; then
        say "Qt for Windows is already built in $prefix ($(cat "$prefix/.complete")); nothing to do."
        exit 0
    fi
    [ $need_sqlite = no ] ||
        say "Qt for Windows is in $prefix; its SQLite was compiled with other options: rebuilding SQLite"
    [ $need_gumbo = no ] ||
        say "Qt for Windows is in $prefix; gumbo is missing or was built otherwise: building gumbo"
fi

mkdir -p "$work" "$logs" || {
    echo "build-qt: cannot create $cache; run as root or set QUILLET_WINDOWS_CACHE" >&2
    exit 1
}
for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres x86_64-w64-mingw32-ar apt-get \
    dpkg-source tclsh \
    cmake ninja make; do
    command -v "$tool" >/dev/null || {
        echo "build-qt: $tool is missing; run scripts/windows/deps.sh first" >&2
        exit 1
    }
done

# Runs a long step with its output in a log file, showing every 100th build step and, on failure,
# the end of the log.
run_logged() {
    local name=$1
    shift
    say "$name: $*"
    if ! "$@" >"$logs/$name.log" 2>&1; then
        tail -n 40 "$logs/$name.log" >&2
        say "$name failed; full log in $logs/$name.log"
        exit 1
    fi
}
build_logged() {
    local name=$1 dir=$2
    say "$name: building in $dir ($jobs jobs)"
    if ! nice -n 19 cmake --build "$dir" --parallel "$jobs" 2>&1 | tee "$logs/$name.log" |
        awk '/^\[[0-9]+\/[0-9]+\]/ { split(substr($1, 2), s, "/"); if (s[1] % 100 == 0 || s[1] == s[2]) print "  step " s[1] " of " s[2]; fflush() }'; then
        tail -n 40 "$logs/$name.log" >&2
        say "$name failed; full log in $logs/$name.log"
        exit 1
    fi
    grep -q 'FAILED:' "$logs/$name.log" && { say "$name failed; see $logs/$name.log"; exit 1; }
    say "$name: done"
}

# --- Sources: a private apt configuration with deb-src twins of the system's Debian entries ---
apt_dir=$work/apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"
: >"$apt_dir/sources.list.d/debian-src.sources"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+\(.*\/debian.*\)$/deb-src \1/p' "$f" >>"$apt_dir/sources.list"
done
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 stanzas: keep the enabled binary entries of Debian archives, as source entries.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)URIs:[^\n]*\/debian/ && /(^|\n)Types:[^\n]*deb/ && !/(^|\n)Enabled:[[:space:]]*no/ {
             sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f" \
        >>"$apt_dir/sources.list.d/debian-src.sources"
done
if [ $need_gumbo = yes ]; then
    # The main archive's entries once more, for gumbo's suite.
    sed -n "s/^\(deb-src[[:space:]]\+[^[:space:]]*\/debian[[:space:]]\+\)[^[:space:]]\+\([[:space:]].*\)$/\1$gumbo_suite\2/p" \
        "$apt_dir/sources.list" | head -n 1 >>"$apt_dir/sources.list"
    awk -v suite=$gumbo_suite 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)URIs:[^\n]*\/debian[[:space:]]*(\n|$)/ && !done {
             sub(/(^|\n)Suites:[^\n]*/, "\nSuites: " suite); sub(/^\n/, ""); print; done = 1 }' \
        "$apt_dir/sources.list.d/debian-src.sources" >"$apt_dir/sources.list.d/gumbo-src.sources"
fi
if [ ! -s "$apt_dir/sources.list" ] && [ ! -s "$apt_dir/sources.list.d/debian-src.sources" ]; then
    echo "build-qt: found no Debian archive in /etc/apt/sources.list{,.d}" >&2
    exit 1
fi
cat >"$apt_dir/apt.conf" <<CONF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/sources.list.d";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
APT::Sandbox::User "root";
CONF
export APT_CONFIG=$apt_dir/apt.conf

src=$work/src
mkdir -p "$src"
# The sources of exactly the versions installed on this machine: the host's Qt runs moc and rcc for
# the Windows build, so both must be the same release.
source_version() { dpkg-query -W -f='${source:Version}' "$1"; }
fetch() {
    local package=$1 version=$2
    if ! ls -d "$src/$package"-*/ >/dev/null 2>&1; then
        run_logged "fetch-$package" bash -c "cd '$src' && apt-get source --only-source '$package=$version'" >&2
    fi
    ls -d "$src/$package"-*/ | head -n 1
}
run_logged apt-update apt-get update
sources=()
if [ $need_sqlite = yes ]; then
    sqlite_src=$(fetch sqlite3 "$(source_version libsqlite3-0)")
    sources+=("$sqlite_src")
fi
if [ $need_gumbo = yes ]; then
    # Only the source archive: the archive here serves neither the .dsc nor Debian's changes.
    gumbo_src=$src/gumbo-parser
    if [ ! -d "$gumbo_src" ]; then
        run_logged fetch-gumbo-parser bash -c "cd '$src' &&
            apt-get source --tar-only --only-source 'gumbo-parser=$gumbo_version' &&
            tar -xf gumbo-parser_${gumbo_version%-*}.orig.tar.*"
    fi
fi
if [ $qt_built = no ]; then
    qtbase_src=$(fetch qt6-base "$(source_version libqt6core6)")
    sources+=("$qtbase_src")
fi
for d in "${sources[@]}"; do
    # dpkg-source applies Debian's patch series while unpacking; make sure it did.
    if [ -s "$d/debian/patches/series" ] && [ ! -s "$d/.pc/applied-patches" ]; then
        echo "build-qt: Debian's patches were not applied in $d" >&2
        exit 1
    fi
done
for d in "${sources[@]}"; do say "source ready: $(basename "$d")"; done

# Everything fetched and built here goes once the Qt is installed; only the Qt stays.
clean_work() { rm -rf "$work/src" "$work/build" "$apt_dir/cache" "$apt_dir/lists"; }

# Qt's CMake files remember the toolchain file they were built with; keep a copy beside the Qt so the
# cache does not depend on this checkout.
toolchain=$cache/mingw-w64.cmake
if [ $qt_built = no ]; then
    cp "$here/../../cmake/windows/mingw-w64.cmake" "$toolchain"
    rm -rf "$prefix"
fi

mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"

# --- SQLite: the amalgamation from Debian's source, as a DLL ---
build_sqlite() {
    local sqlite_build=$work/build/sqlite3
    mkdir -p "$sqlite_build"
    if [ ! -f "$sqlite_build/sqlite3.c" ]; then
        run_logged sqlite3-amalgamation bash -c "cd '$sqlite_build' && '$sqlite_src/configure' --disable-tcl && make sqlite3.c"
    fi
    rm -f "$sqlite_stamp"
    run_logged sqlite3-compile nice -n 19 x86_64-w64-mingw32-gcc-posix -O2 -shared \
        "${sqlite_options[@]}" \
        -o "$prefix/bin/sqlite3.dll" "$sqlite_build/sqlite3.c" \
        -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a"
    cp "$sqlite_build/sqlite3.h" "$sqlite_build/sqlite3ext.h" "$prefix/include/"
    echo "${sqlite_options[*]}" >"$sqlite_stamp"
    say "SQLite built"
}

# --- gumbo: its C files compiled into libgumbo.a, found through gumbo.pc (see mingw-w64.cmake) ---
build_gumbo() {
    local build=$work/build/gumbo
    rm -rf "$build" "$gumbo_stamp" "$prefix/lib/libgumbo.a" "$prefix/lib/pkgconfig/gumbo.pc"
    mkdir -p "$build"
    run_logged gumbo-compile bash -c "cd '$build' &&
        nice -n 19 x86_64-w64-mingw32-gcc-posix ${gumbo_options[*]} -c '$gumbo_src'/src/*.c &&
        x86_64-w64-mingw32-ar rcs '$prefix/lib/libgumbo.a' *.o"
    cp "$gumbo_src/src/gumbo.h" "$gumbo_src/src/tag_enum.h" "$prefix/include/"
    # Relative to its own folder, so that the cache folder may move.
    cat >"$prefix/lib/pkgconfig/gumbo.pc" <<PC
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: gumbo
Description: HTML5 parser (static, MinGW-w64)
Version: ${gumbo_version%%+*}
Libs: -L\${libdir} -lgumbo
Cflags: -I\${includedir}
PC
    echo "$gumbo_recipe" >"$gumbo_stamp"
    say "gumbo built"
}

[ $need_sqlite = no ] || build_sqlite
[ $need_gumbo = no ] || build_gumbo
if [ $qt_built = yes ]; then
    clean_work
    say "Windows libraries rebuilt in $prefix in $((SECONDS - started)) s"
    exit 0
fi

# --- qtbase ---
qt_common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF)
qtbase_build=$work/build/qtbase
# No OpenGL at all (FEATURE_opengl=OFF alone would keep the dynamic OpenGL loader); no Vulkan, D-Bus,
# SQL or printing, which Quillet does not use; no tablet events, whose Windows support lives in a
# third-party folder Debian's source does not ship. direct2d stays on: the Windows platform plugin of
# this release does not link without it.
run_logged qtbase-configure cmake -S "$qtbase_src" -B "$qtbase_build" "${qt_common[@]}" \
    -DBUILD_SHARED_LIBS=ON -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_tabletevent=OFF
build_logged qtbase-build "$qtbase_build"
run_logged qtbase-install cmake --install "$qtbase_build"

echo "qtbase $(basename "$qtbase_src"), sqlite $(basename "$sqlite_src"), $(basename "$gumbo_src"), built in $((SECONDS - started)) s on $(date -u +%FT%TZ)" \
    >"$prefix/.complete"
clean_work
say "Qt for Windows installed in $prefix ($(du -sh "$prefix" | cut -f1)) in $((SECONDS - started)) s"

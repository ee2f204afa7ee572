#!/bin/bash
# Cross-builds SQLite, PROJ and expat as static libraries for 64-bit Windows
# from Debian's own source packages and installs them into PREFIX (headers in
# PREFIX/include, libsqlite3.a, libproj.a and libexpat.a in PREFIX/lib).
#
#   tools/winproj.sh PREFIX
#
# Builds only the libraries whose result PREFIX does not hold yet (a PREFIX
# made before expat was added gets expat alone), and does nothing when it
# holds them all. Each run adds one line to PREFIX/winproj.done: what it
# built, from which sources, in how many seconds. Needs root (or sudo) the
# first time only, to add the deb-src lines for the Debian archive that apt
# already uses and to install the host tools of the build. Builds with at most
# JOBS jobs (default 2).
set -euo pipefail

prefix=${1:?usage: tools/winproj.sh PREFIX}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
stamp=$prefix/winproj.done

# The result of each library: its static library and its headers.
have() {
    local f
    for f in "$@"; do [ -f "$prefix/$f" ] || return 1; done
}
havesqlite() { have lib/libsqlite3.a include/sqlite3.h; }
haveproj() { have lib/libproj.a include/proj.h; }
haveexpat() { have lib/libexpat.a include/expat.h include/expat_external.h; }
if [ -f "$stamp" ] && havesqlite && haveproj && haveexpat; then
    exit 0
fi
# The source packages to build, in order: PROJ needs SQLite in PREFIX.
packages=()
havesqlite || packages+=(sqlite3)
haveproj || packages+=(proj)
haveexpat || packages+=(expat)
if [ ${#packages[@]} = 0 ]; then
    echo "sqlite, proj and expat present, nothing built" >>"$stamp"
    exit 0
fi

src=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}
host=x86_64-w64-mingw32
work=$prefix.work
started=$(date +%s)

say() { echo "winproj: $*"; }
asroot() {
    if [ "$(id -u)" = 0 ]; then "$@"
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then sudo "$@"
    else
        say "needs root for: $*"
        exit 1
    fi
}

# Host tools: apt-get source (dpkg-dev), the cross compilers, cmake (PROJ
# and expat), the sqlite3 shell that fills PROJ's database at build time,
# tclsh that makes SQLite's single-file source.
need=""
for p in dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools cmake make sqlite3 tcl; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need="$need $p"
done
if [ -n "$need" ]; then
    say "installing$need"
    asroot apt-get update -qq
    asroot env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need
fi

# Source packages come from the same Debian archive as the binary ones: every
# source entry of apt that serves Debian's own packages is repeated for
# deb-src, with its options (keyring) unchanged.
if [ -z "$(apt-cache showsrc "${packages[0]}" 2>/dev/null)" ]; then
    debian=$(apt-cache policy | awk '
        /^ *[0-9]+ [a-z+]+:\/\/.* Packages$/ { uri = $2; next }
        /^ +release / && uri != "" { if ($0 ~ /o=Debian,/) print uri; uri = "" }' | sed 's:/*$::' | sort -u)
    [ -n "$debian" ] || { say "apt reads no Debian archive; cannot find the source packages"; exit 1; }
    isdebian() { printf '%s\n' "$debian" | grep -qxF "${1%/}"; }
    one=""
    deb822=""
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        while read -r kind rest; do
            [ "$kind" = deb ] || continue
            uri=$(printf '%s\n' "$rest" | sed 's/^\[[^]]*\] *//' | awk '{print $1}')
            isdebian "$uri" && one="$one"$'\n'"deb-src $rest"
        done <"$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        # One stanza per paragraph; a stanza of Types deb whose URIs are all
        # Debian's is copied with Types deb-src.
        deb822="$deb822$(awk -v RS= -v ORS='\n\n' -v list="$debian" '
            BEGIN { n = split(list, d, "\n"); for (i = 1; i <= n; i++) ok[d[i]] = 1 }
            {
                types = ""; uris = ""; m = split($0, l, "\n")
                for (i = 1; i <= m; i++) {
                    if (l[i] ~ /^Types:/) types = l[i]
                    if (l[i] ~ /^URIs:/) uris = l[i]
                }
                if (types !~ /(^|[ \t])deb([ \t]|$)/ || types ~ /deb-src/ || uris == "") next
                k = split(uris, u, /[ \t]+/); good = k > 1
                for (i = 2; i <= k; i++) { sub(/\/+$/, "", u[i]); if (!(u[i] in ok)) good = 0 }
                if (!good) next
                out = ""
                for (i = 1; i <= m; i++) {
                    if (l[i] ~ /^#/) continue
                    out = out (l[i] ~ /^Types:/ ? "Types: deb-src" : l[i]) "\n"
                }
                printf "%s\n", out
            }' "$f")"
    done
    if [ -z "$one$deb822" ]; then
        say "no Debian entry found in apt's sources"
        exit 1
    fi
    if [ -n "$one" ]; then
        say "adding deb-src lines in /etc/apt/sources.list.d/trelik-src.list"
        printf '%s\n' "${one#$'\n'}" | asroot tee /etc/apt/sources.list.d/trelik-src.list >/dev/null
    fi
    if [ -n "$deb822" ]; then
        say "adding deb-src entries in /etc/apt/sources.list.d/trelik-src.sources"
        printf '%s\n' "$deb822" | asroot tee /etc/apt/sources.list.d/trelik-src.sources >/dev/null
    fi
    asroot apt-get update -qq
fi

rm -rf "$work"
mkdir -p "$work"
cd "$work"
built=()

# The source folder of PACKAGE, fetched into the work folder. An archive can
# list a newer version than it serves (a security update whose source is not
# there yet): then the other versions it lists are tried, newest first.
fetch() {
    local v dir
    if ! apt-get source -qq "$1" >/dev/null 2>>apt-source.log; then
        for v in $(apt-cache showsrc "$1" | awk '/^Version:/ { print $2 }' | sort -ruV); do
            if apt-get source -qq "$1=$v" >/dev/null 2>>apt-source.log; then
                say "$1: the newest source is not served; built from $v" >&2
                break
            fi
            v=""
        done
        [ -n "$v" ] || { cat apt-source.log >&2; exit 1; }
    fi
    dir=$(find . -maxdepth 1 -type d -name "$1-[0-9]*" | head -1)
    [ -n "$dir" ] || { say "source folder of $1 missing" >&2; exit 1; }
    echo "$dir"
}
# Seconds since the start of the current library, for the stamp line.
lap() { echo $(($(date +%s) - libstart)); }

# The toolchain file of the repository when there is one, else the same
# settings here.
toolchain=$src/cmake/mingw64.cmake
if [ ! -f "$toolchain" ]; then
    toolchain=$work/mingw64.cmake
    cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$host)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
fi

mkdir -p "$prefix/lib" "$prefix/include"

# SQLite: its single-file source made by the source tree's own rule (tclsh),
# then compiled by hand into a static library; the library has no other
# dependency on Windows.
if ! havesqlite; then
    libstart=$(date +%s)
    sqlsrc=$(fetch sqlite3)
    say "building SQLite"
    mkdir -p sqlite-host
    (cd sqlite-host && "$work/$sqlsrc/configure" --disable-tcl >configure.log 2>&1 &&
        make sqlite3.c >make.log 2>&1) || { tail -30 sqlite-host/*.log; exit 1; }
    sqlflags="-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_RTREE"
    $host-gcc-posix $sqlflags -c sqlite-host/sqlite3.c -o sqlite3.o
    $host-ar rcs libsqlite3.a sqlite3.o
    cp sqlite-host/sqlite3.h sqlite-host/sqlite3ext.h "$prefix/include/"
    cp libsqlite3.a "$prefix/lib/"
    built+=("sqlite $(basename "$sqlsrc") ($(lap) s)")
fi

# PROJ: static, without its programs, tests, TIFF grids and network access.
# Its database is built with the host's sqlite3 shell; the program does not
# need it at run time, so it is installed but not shipped.
if ! haveproj; then
    libstart=$(date +%s)
    projsrc=$(fetch proj)
    say "building PROJ"
    cmake -S "$projsrc" -B proj-build \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" \
        -DBUILD_SHARED_LIBS=OFF \
        -DBUILD_APPS=OFF -DBUILD_TESTING=OFF -DENABLE_TIFF=OFF -DENABLE_CURL=OFF \
        -DSQLITE3_INCLUDE_DIR="$prefix/include" -DSQLITE3_LIBRARY="$prefix/lib/libsqlite3.a" \
        -DEXE_SQLITE3="$(command -v sqlite3)" \
        >proj-configure.log 2>&1 || { tail -40 proj-configure.log; exit 1; }
    cmake --build proj-build -j "$jobs" >proj-build.log 2>&1 || { grep -m20 -B2 -A5 'error' proj-build.log; exit 1; }
    cmake --install proj-build >proj-install.log 2>&1 || { tail -20 proj-install.log; exit 1; }
    built+=("proj $(basename "$projsrc") ($(lap) s)")
fi

# expat: the library alone (no xmlwf, examples, tests or manual), with char
# as XML_Char. A static expat needs XML_STATIC defined by its users.
if ! haveexpat; then
    libstart=$(date +%s)
    expatdir=$(fetch expat)
    # Debian's source package keeps the library's tree in a folder expat/.
    expatsrc=$expatdir
    [ -f "$expatsrc/CMakeLists.txt" ] || expatsrc=$expatdir/expat
    # Debian builds it with autotools, whose configuration header defines
    # XML_DTD and XML_NS as 1, and its security fixes test "XML_DTD == 1";
    # the CMake template defines them empty, which breaks those tests.
    sed -i 's/^#cmakedefine \(XML_DTD\|XML_NS\)$/#cmakedefine \1 1/' "$expatsrc/expat_config.h.cmake"
    say "building expat"
    cmake -S "$expatsrc" -B expat-build \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DEXPAT_SHARED_LIBS=OFF -DEXPAT_CHAR_TYPE=char \
        -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
        >expat-configure.log 2>&1 || { tail -40 expat-configure.log; exit 1; }
    cmake --build expat-build -j "$jobs" >expat-build.log 2>&1 || { grep -m20 -B2 -A5 'error' expat-build.log; exit 1; }
    cmake --install expat-build >expat-install.log 2>&1 || { tail -20 expat-install.log; exit 1; }
    built+=("expat $(basename "$expatdir") ($(lap) s)")
fi

cd "$prefix"
rm -rf "$work"
line=""
for b in "${built[@]}"; do line="$line$b, "; done
echo "${line}built in $(($(date +%s) - started)) s" >>"$stamp"
say "$(tail -1 "$stamp")"

#!/bin/bash
# Cross-builds SQLite and PROJ as static libraries for 64-bit Windows from
# Debian's own source packages and installs them into PREFIX (headers in
# PREFIX/include, libsqlite3.a and libproj.a in PREFIX/lib).
#
#   tools/winproj.sh PREFIX
#
# Does nothing when PREFIX already holds the result. Needs root (or sudo) the
# first time only, to add the deb-src lines for the Debian archive that apt
# already uses and to install the host tools of the build. Builds with at most
# JOBS jobs (default 2).
set -euo pipefail

prefix=${1:?usage: tools/winproj.sh PREFIX}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
stamp=$prefix/winproj.done
if [ -f "$stamp" ] && [ -f "$prefix/lib/libproj.a" ] && [ -f "$prefix/lib/libsqlite3.a" ] &&
   [ -f "$prefix/include/proj.h" ]; then
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

# Host tools: apt-get source (dpkg-dev), the cross compilers, cmake, the
# sqlite3 shell that fills PROJ's database at build time, tclsh that makes
# SQLite's single-file source.
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
if [ -z "$(apt-cache showsrc proj 2>/dev/null)" ]; then
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
say "fetching the source packages"
apt-get source -qq proj sqlite3 >/dev/null 2>apt-source.log || { cat apt-source.log; exit 1; }
projsrc=$(find . -maxdepth 1 -type d -name 'proj-[0-9]*' | head -1)
sqlsrc=$(find . -maxdepth 1 -type d -name 'sqlite3-[0-9]*' | head -1)
[ -n "$projsrc" ] && [ -n "$sqlsrc" ] || { say "source folders missing"; exit 1; }

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

# SQLite: its single-file source made by the source tree's own rule (tclsh),
# then compiled by hand into a static library; the library has no other
# dependency on Windows.
say "building SQLite"
mkdir -p sqlite-host
(cd sqlite-host && "$work/$sqlsrc/configure" --disable-tcl >configure.log 2>&1 &&
    make sqlite3.c >make.log 2>&1) || { tail -30 sqlite-host/*.log; exit 1; }
sqlflags="-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_RTREE"
$host-gcc-posix $sqlflags -c sqlite-host/sqlite3.c -o sqlite3.o
$host-ar rcs libsqlite3.a sqlite3.o
mkdir -p "$prefix/lib" "$prefix/include"
cp libsqlite3.a "$prefix/lib/"
cp sqlite-host/sqlite3.h sqlite-host/sqlite3ext.h "$prefix/include/"

# PROJ: static, without its programs, tests, TIFF grids and network access.
# Its database is built with the host's sqlite3 shell; the program does not
# need it at run time, so it is installed but not shipped.
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

cd "$prefix"
rm -rf "$work"
echo "proj $(basename "$projsrc"), sqlite $(basename "$sqlsrc"), built in $(($(date +%s) - started)) s" >"$stamp"
say "$(cat "$stamp")"

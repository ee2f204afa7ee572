// What the seeded file generators (mkpnt, mkuam) share: the random numbers
// and the output file. Both must give the same bytes for the same arguments on
// every host, so the random numbers come from our own generator and numbers
// are formatted by our own code.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "text/shortstr.h"

// Random numbers: splitmix64, small, fast and the same everywhere.
inline std::uint64_t rngstate = 0;   // generator state, set from the seed

inline std::uint64_t rnext()
{
    std::uint64_t z = (rngstate += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A number in 0..n-1 (n > 0); the tiny modulo bias does not matter here.
inline unsigned rbelow(unsigned n) { return unsigned(rnext() % n); }

// True with a chance of pct percent.
inline bool rchance(unsigned pct) { return rbelow(100) < pct; }

// Reads a whole decimal number within lo..hi; false when the text is not one.
inline bool parsenum(const char *s, std::int64_t lo, std::int64_t hi, std::int64_t &v)
{
    if (!*s) return false;
    errno = 0;
    char *end = nullptr;
    long long x = std::strtoll(s, &end, 10);
    if (*end || errno || x < lo || x > hi) return false;
    v = x;
    return true;
}


template <class T, std::size_t N>
const T &pick(const T (&a)[N]) { return a[rbelow(unsigned(N))]; }

// A whole number as text.
inline shortstr numtext(std::uint64_t v)
{
    char b[24];
    int n = 0;
    do { b[n++] = char('0' + v % 10); v /= 10; } while (v);
    shortstr r;
    while (n) r += b[--n];
    return r;
}

// An output file of a generator: a regular file (or a new one) is written
// under a temporary name and renamed into place once complete, anything else
// (a device, a pipe) is written directly and never replaced. Bytes gather in
// buf and go to the file in blocks of 1 MB; every failure is told on standard
// error under the tool's name.
struct genout {
    const char *tool = "";  // the generator's name, for its messages
    std::string path;       // the file asked for
    std::string tmp;        // the file written
    bool special = false;   // path is a device or a pipe
    std::FILE *f = nullptr;
    std::string buf;        // bytes not yet written
    bool ok = true;         // false after a failed write

    bool open(const char *toolname, const char *p)
    {
        tool = toolname;
        path = p;
        struct stat st;
        special = ::stat(p, &st) == 0 && !S_ISREG(st.st_mode);
        tmp = special ? path : path + ".part";
        f = std::fopen(tmp.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "%s: cannot create %s: %s\n", tool, tmp.c_str(), std::strerror(errno));
            return false;
        }
        buf.reserve((1u << 20) + 4096);
        return true;
    }

    void flush()
    {
        if (ok && !buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size()) ok = false;
        buf.clear();
    }

    void put(std::string_view s)
    {
        buf.append(s);
        if (buf.size() >= (1u << 20)) flush();
    }

    // Writes what is left and closes the file; false (with a message) on failure.
    bool close()
    {
        flush();
        if (std::fclose(f) != 0) ok = false;
        f = nullptr;
        if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", tool, tmp.c_str());
        return ok;
    }

    // Puts the closed file in place; false (with a message) when it cannot.
    bool commit()
    {
        if (special || std::rename(tmp.c_str(), path.c_str()) == 0) return true;
        std::fprintf(stderr, "%s: cannot rename %s to %s: %s\n", tool, tmp.c_str(), path.c_str(), std::strerror(errno));
        return false;
    }

    // Removes the temporary file (a device or a pipe is left alone).
    void discard()
    {
        if (f) std::fclose(f);
        f = nullptr;
        if (!special) std::remove(tmp.c_str());
    }
};

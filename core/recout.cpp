// The whole-record writer. What reached the file after a refused write is
// asked of the system (the file's length) rather than taken from fwrite's
// count, and only whole records of it are kept.

#include "core/recout.h"

#include <cerrno>
#include <cstring>

#include "core/app.h"
#include "sys/paths.h"

void recstart(recout &w, std::FILE *f, const shortstr &path, const shortstr &lead, bool made) {
    w.f = f;
    w.path = path;
    w.lead = lead;
    w.failed = false;
    w.dropempty = made;
    w.drop = false;
    w.records = 0;
    w.len = w.pending = w.head = 0;
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::int64_t len = fslength(f);
    w.base = len > 0 ? len : 0;
}

// The file is gone with everything written to it: no record of it counts.
static void reclost(recout &w) {
    w.failed = true;
    w.records = 0;
    w.len = w.pending = w.head = 0;
    showerror(w.lead + w.path + " (plik został usunięty w trakcie zapisu)"_pl);
}

// A write the system refused after done bytes: the file is cut back to its
// last whole record (the lead-in kept only whole) and the records that did
// not reach it come off the count.
static void recfail(recout &w, std::size_t done, int err) {
    w.failed = true;
    std::int64_t have = fslength(w.f);
    std::int64_t reached = have >= w.base ? have - w.base : std::int64_t(done);
    if (reached > std::int64_t(w.len)) reached = w.len;
    std::int64_t keep = w.head <= reached ? w.head : 0;
    std::uint32_t kept = 0;
    while (kept < w.pending && w.ends[kept] <= reached) keep = w.ends[kept++];
    if (keep < reached) fstruncate(w.f, w.base + keep);
    if (w.dropempty && w.base + keep == 0) w.drop = true;
    w.records -= std::int32_t(w.pending - kept);
    w.len = w.pending = w.head = 0;
    showerror(w.lead + w.path + writereason(err));
}

bool recflush(recout &w) {
    if (!w.f || w.failed) return false;
    errno = 0;
    std::size_t done = w.len > 0 ? std::fwrite(w.buf, 1, w.len, w.f) : 0;
    bool ok = done == w.len && std::fflush(w.f) == 0;
    int err = errno;
    if (!ok) {
        recfail(w, done, err);
        return false;
    }
    if (fsunlinked(w.f)) {
        reclost(w);
        return false;
    }
    w.base += w.len;
    w.len = w.pending = w.head = 0;
    return true;
}

void recput(recout &w, const char *p, std::uint32_t n) {
    if (w.len + n > recbufsize) recflush(w);
    if (!w.f || w.failed) return;
    std::memcpy(w.buf + w.len, p, n);
    w.len += n;
}

void reclead(recout &w, const char *p, std::uint32_t n) {
    recput(w, p, n);
    if (!w.failed) w.head = w.len;
}

bool recwrite(recout &w, const char *p, std::uint32_t n) {
    if (w.pending == recmaxpending) recflush(w);
    recput(w, p, n);
    if (!w.f || w.failed) return false;
    w.ends[w.pending++] = w.len;
    ++w.records;
    return true;
}

void recreset(recout &w) {
    if (w.f) std::fclose(w.f);
    w.f = nullptr;
    w.failed = w.drop = false;
    w.len = w.pending = w.head = 0;
    w.records = 0;
}

bool recclose(recout &w) {
    if (!w.f) return true;
    bool ok = recflush(w);
    if (std::fclose(w.f) != 0 && ok) {
        ok = false;
        showerror(w.lead + w.path + writereason(errno));
    }
    w.f = nullptr;
    if (w.drop) deletefile(w.path);
    w.drop = false;
    return ok;
}

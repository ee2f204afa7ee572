// The file-drop list for the clipboard. Layout, all fields little endian:
// offset of the first name (20), drop point x and y (0, 0), non-client flag
// (0), wide-names flag (0: names are code page 1250), then the names, each
// ending with a 0 byte, and a last 0 byte that ends the list.

#include "app/clip.h"

#include <cstdlib>
#include <cstring>

#include "ui/tk.h"

unsigned char *cliplist = nullptr;  // the list, malloc'd; null when empty
std::uint32_t cliplen = 0;          // its length in bytes

static constexpr std::uint32_t cliphead = 20;  // bytes before the first name

void clipaddfile(const shortstr &path) {
    std::uint32_t grow = std::uint32_t(path.size()) + 1;
    std::uint32_t start = cliplen == 0 ? cliphead : cliplen;
    auto *p = static_cast<unsigned char *>(std::realloc(cliplist, start + grow));
    if (!p) return;  // out of memory: the name is left out, the list stays whole
    cliplist = p;
    if (cliplen == 0) {
        std::memset(cliplist, 0, cliphead);
        cliplist[0] = std::uint8_t(cliphead);
        cliplen = cliphead;
    }
    std::memcpy(cliplist + cliplen, path.data(), path.size());
    cliplen += std::uint32_t(path.size());
    cliplist[cliplen++] = 0;
}

bool clipcommit() {
    clipaddfile(shortstr());
    bool ok = cliplist && clipfiles(cliplist, cliplen);
    std::free(cliplist);
    cliplist = nullptr;
    cliplen = 0;
    return ok;
}

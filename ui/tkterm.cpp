#include "ui/tkterm.h"

#include <cerrno>

#include "text/strutil.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::string termtext(std::string_view cp) {
    std::string s(cp.size(), '\0');
    char *o = s.data();
    for (std::size_t i = 0; i < cp.size(); i++) {
        char c = cp[i];
        if (c == '\r' && i + 1 < cp.size() && cp[i + 1] == '\n') continue;  // "\r\n" in a box text breaks as "\n"
        if (iscontrolbyte(c) && !(c == '\n' && i > 0 && cp[i - 1] == '\r')) c = '?';
        *o++ = c;
    }
    s.resize(std::size_t(o - s.data()));
    return utf8fromcp1250(s);
}

bool writeall(int fd, std::string_view s) {
    while (!s.empty()) {
#ifdef _WIN32
        int n = _write(fd, s.data(), unsigned(s.size()));
#else
        ssize_t n = write(fd, s.data(), s.size());
#endif
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        s.remove_prefix(std::size_t(n));
    }
    return true;
}

void panefeed(std::string &part, const shortstr &t) {
    std::string_view v = t.view();
    while (!v.empty()) {
        std::size_t nl = v.find('\n');
        std::string_view seg = nl == std::string_view::npos ? v : v.substr(0, nl + 1);
        v.remove_prefix(seg.size());
        std::size_t room = part.size() < partmax ? partmax - part.size() : 0;
        if (seg.size() <= room) part.append(seg);
        else {  // an over-long line is cut, but its end is kept
            part.append(seg.substr(0, room));
            if (seg.back() == '\n') part += '\n';
        }
    }
}

bool takeline(std::string &part, std::string &line) {
    std::size_t nl = part.find('\n');
    if (nl == std::string::npos) return false;
    std::size_t end = nl;
    if (end > 0 && part[end - 1] == '\r') end--;
    line.assign(part, 0, end);
    part.erase(0, nl + 1);
    return true;
}

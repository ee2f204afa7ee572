// The check of a Loadstone output file, for the GoogleTest tests (the
// header text itself is in tests/testfiles.h, which needs no GoogleTest).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tests/testfiles.h"

// A Loadstone output file left by runs that began with id first: the two
// header lines, then whole point lines ending in CR LF, each a quoted name of
// 1 to 75 bytes without quotes, line breaks or NUL bytes, the latitude and
// longitude as whole numbers and ",0,0,0,user,id", the ids counting up from
// first; each, when given, sees every name. The number of point lines (0 for
// a missing or empty file); what is wrong fails the test.
inline int lspoints(const std::string &data, std::int32_t user, std::int32_t first,
                    const std::function<void(const std::string &name)> &each = nullptr) {
    if (data.empty()) return 0;
    EXPECT_EQ(data.substr(0, lsheadtext.size()), lsheadtext);
    EXPECT_TRUE(data.size() >= 2 && data.compare(data.size() - 2, 2, "\r\n") == 0) << "a half line at the end";
    auto number = [](const std::string &s) {
        std::size_t from = !s.empty() && s[0] == '-';
        return s.size() > from && s.find_first_not_of("0123456789", from) == std::string::npos;
    };
    int n = 0;
    for (std::size_t at = lsheadtext.size(), end; (end = data.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = data.substr(at, end - at);
        const std::string tail = ",0,0,0," + std::to_string(user) + "," + std::to_string(first + n);
        std::size_t q = line.find('"', 1), comma = line.find(',', q + 2);
        bool ok = line.size() > tail.size() && line[0] == '"' && q != std::string::npos && q >= 2 && q <= 76 &&
                  line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
                  line.compare(line.size() - tail.size(), tail.size(), tail) == 0 && line[q + 1] == ',' &&
                  comma < line.size() - tail.size() && number(line.substr(q + 2, comma - q - 2)) &&
                  number(line.substr(comma + 1, line.size() - tail.size() - comma - 1));
        EXPECT_TRUE(ok) << "line " << n + 1 << ": " << line;
        if (ok && each) each(line.substr(1, q - 1));
        ++n;
    }
    return n;
}

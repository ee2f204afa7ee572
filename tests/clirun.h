// `trelik ARGS` run in the test's own process through the batch toolkit,
// with standard output and standard error captured.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli.h"

struct clirunresult {
    int code;         // exit code climain gave
    std::string out;  // standard output (the pane lines)
    std::string err;  // standard error
};

inline clirunresult clirun(std::vector<std::string> args) {
    args.insert(args.begin(), "trelik");
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int code = climain(int(args.size()), argv.data(), nullptr);
    std::string out = ::testing::internal::GetCapturedStdout();
    std::string err = ::testing::internal::GetCapturedStderr();
    return {code, out, err};
}

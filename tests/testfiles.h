// Small file helpers for tests: a fresh temporary folder removed at the end of
// its scope, reading and writing whole files, setting TRELIK_HOME, and the
// header of a Loadstone output file. Free of GoogleTest: the benchmarks
// include it too (the checks of an output file are in tests/lscheck.h).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>

struct tempdir {
    std::string path;  // the folder, without a trailing "/"
    tempdir() {
        char tmpl[] = "/tmp/trelik-test-XXXXXX";
        const char *p = mkdtemp(tmpl);
        path = p ? p : "";
    }
    ~tempdir() {
        std::error_code ec;
        if (!path.empty()) {
            // Folders made read-only by a test are opened again first.
            for (auto &e : std::filesystem::recursive_directory_iterator(path, ec))
                if (e.is_directory(ec)) chmod(e.path().c_str(), 0755);
            std::filesystem::remove_all(path, ec);
        }
    }
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

inline std::string readfile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool writefile(const std::string &path, const std::string &data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(data.data(), std::streamsize(data.size()));
    return bool(f);
}

inline bool existsfile(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Sets TRELIK_HOME for the scope, restoring the earlier value after.
struct homeenv {
    std::string old;
    bool had;
    explicit homeenv(const std::string &value) {
        const char *o = std::getenv("TRELIK_HOME");
        had = o != nullptr;
        if (o) old = o;
        setenv("TRELIK_HOME", value.c_str(), 1);
    }
    ~homeenv() {
        if (had) setenv("TRELIK_HOME", old.c_str(), 1);
        else unsetenv("TRELIK_HOME");
    }
};

// The two header lines a new Loadstone output file starts with.
inline const std::string lsheadtext =
    "table,point\r\nname,latitude,longitude,accuracy,satellites,priority,userid,id\r\n";

// Helpers of the INI tests: a temporary folder (on tmpfs when there is one, so that the many
// flushes of the concurrency tests stay quick) and whole-file reads and writes.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/os_support.h"

namespace initest {

// The suite's temporary folder, on tmpfs when there is one (the concurrency tests flush often)
// and open to the unprivileged user of the permission tests.
struct TempDir : ostest::TempDir {
    TempDir() : ostest::TempDir(kInMemory | kOpenToAll) {}
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline int fileMode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

}  // namespace initest

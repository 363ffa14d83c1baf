// Helpers shared by the kernel tests: host paths and small files.
#pragma once

#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace kernel_test {

// The host path of a Windows path, through the layer's own mapping.
inline std::string host(const std::string &windows_path) {
    char out[4096];
    size_t n = ZelPlat_HostPath(windows_path.c_str(), out, sizeof out);
    EXPECT_GT(n, 0u) << windows_path;
    return n ? std::string(out, n) : std::string();
}

inline std::string read_text(const std::string &host_path) {
    std::ifstream in(host_path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_text(const std::string &host_path, const std::string &text) {
    std::ofstream out(host_path, std::ios::binary);
    out << text;
}

// A Windows folder below drive C: of its own for one test, emptied first.
inline std::string fresh_folder(const std::string &name) {
    std::string windows = "C:\\kernel_tests\\" + name + "_" + std::to_string(getpid());
    std::string command = "rm -rf '" + host(windows) + "' && mkdir -p '" + host(windows) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return windows;
}

} // namespace kernel_test

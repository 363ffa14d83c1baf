// The inputs a fuzzer keeps in the tree (seed corpus, regressions), read
// back by the tests that replay them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace zeltest {

inline std::vector<uint8_t> Bytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The files of a folder, hidden ones left out; none when it does not exist.
inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path &folder) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(folder))
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    return files;
}

} // namespace zeltest

// The command line: its commands and options, and running the one chosen.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "options.h"

namespace zelscan {

struct CommandLine {
    CommonOptions common;
    ImageOptions image;
    BatchOptions batch;
    std::string source_utf8, out_utf8, progress = "auto";
    std::vector<std::string> pixels;
    std::string format, duplex = "as-is", compression;
    std::optional<int> quality, index;
    std::optional<double> blank;
    CLI::App *list = nullptr, *show = nullptr, *duplex_cmd = nullptr, *image_cmd = nullptr,
             *clipboard = nullptr, *batch_cmd = nullptr, *device = nullptr;
};

void DefineCommandLine(CLI::App &app, CommandLine &line);
int RunCommandLine(const CLI::App &app, CommandLine &line);

} // namespace zelscan

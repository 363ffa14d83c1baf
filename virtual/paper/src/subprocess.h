// Running a command-line tool (pdftoppm, pdfinfo) without a shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelvirt {

struct ToolResult {
    int exit_code = -1; // -1 when the tool did not exit normally
    std::string output; // what it wrote to stdout
};

// Runs argv[0] found on PATH with stdin and stderr on /dev/null; nothing when
// it cannot be started.
std::optional<ToolResult> run_tool(const std::vector<std::string> &argv);

// A path that a tool cannot take for an option.
std::string path_argument(const std::string &path);

} // namespace zelvirt

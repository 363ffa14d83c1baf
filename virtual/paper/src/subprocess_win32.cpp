// Windows has none of the tools (pdftoppm, pdfinfo): PDF page files are
// written by the Linux build only, and read back nowhere else.
#include "subprocess.h"

namespace zelvirt {

std::optional<ToolResult> run_tool(const std::vector<std::string> &) {
    return std::nullopt;
}

std::string path_argument(const std::string &path) {
    return path;
}

} // namespace zelvirt

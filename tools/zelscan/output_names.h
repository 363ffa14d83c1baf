// The names of a batch's output: formats by name, the extension the library
// settles on for a chosen name, and the numbered names of later pages.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelscan {

struct OutputFormat {
    const char *name; // on the command line
    int code;         // TWFF_*
    const char *description;
};

const std::vector<OutputFormat> &OutputFormats();
std::optional<int> FormatCode(const std::string &name);

struct OutputName {
    std::string first;     // the chosen name, with the extension the library appends
    std::string extension; // with its dot; empty for a code without files
};

// The library's rule: the format's extension is looked for anywhere in the
// lower-cased name, and appended when missing.
OutputName SettleOutputName(const std::string &chosen, int formatCode);

// The name of the output's page file k (0: the chosen name itself).
std::string PageFileName(const OutputName &output, int k);

// The number k of the page file named `file` (a name without folder) of an
// output whose page files are stem_k + extension, whatever the number of
// digits; nothing for another file.
std::optional<int> PageNumberOf(const std::string &file, const std::string &stem,
                                const std::string &extension);

// TIFF compression choices by name, as Comprimir takes them (-1 to -9).
std::optional<int> CompressionCode(const std::string &name);
std::vector<std::string> CompressionNames();

} // namespace zelscan

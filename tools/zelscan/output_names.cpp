#include "output_names.h"

#include <cctype>
#include <utility>

namespace zelscan {

const std::vector<OutputFormat> &OutputFormats() {
    static const std::vector<OutputFormat> formats = {
        {"tiff-multi", 6, "one multi-page TIFF document"},
        {"tiff", 0, "one TIFF file per page"},
        {"bmp", 2, "one Windows bitmap per page"},
        {"jpeg", 4, "one JPEG file per page"},
        {"png", 7, "one PNG file per page"},
        {"pdf", 10, "PDF (written by the device only)"},
    };
    return formats;
}

std::optional<int> FormatCode(const std::string &name) {
    for (const OutputFormat &format : OutputFormats())
        if (name == format.name)
            return format.code;
    return std::nullopt;
}

namespace {

std::string Lower(std::string text) {
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Contains(const std::string &text, const char *part) {
    return text.find(part) != std::string::npos;
}

// The extension found in the lower-cased name, or the one to append.
std::pair<std::string, bool> ExtensionFor(const std::string &lower, int code) {
    switch (code) {
    case 0:
    case 6:
        if (!Contains(lower, ".tif"))
            return {".tif", true};
        return {Contains(lower, ".tiff") ? ".tiff" : ".tif", false};
    case 4:
        if (Contains(lower, ".jpeg"))
            return {".jpeg", false};
        return {".jpg", !Contains(lower, ".jpg")};
    case 2:
        return {".bmp", !Contains(lower, ".bmp")};
    case 7:
        return {".png", !Contains(lower, ".png")};
    case 10:
        return {".pdf", !Contains(lower, ".pdf")};
    default:
        return {"", false};
    }
}

} // namespace

OutputName SettleOutputName(const std::string &chosen, int formatCode) {
    auto [extension, append] = ExtensionFor(Lower(chosen), formatCode);
    return {append ? chosen + extension : chosen, extension};
}

std::string PageFileName(const OutputName &output, int k) {
    if (k == 0)
        return output.first;
    std::string stem = output.first.substr(0, output.first.size() - output.extension.size());
    return stem + "_" + std::to_string(k) + output.extension;
}

std::optional<int> PageNumberOf(const std::string &file, const std::string &stem,
                                const std::string &extension) {
    constexpr size_t kMaxDigits = 9;
    if (file.size() <= stem.size() + extension.size() || file.compare(0, stem.size(), stem) != 0 ||
        file.compare(file.size() - extension.size(), extension.size(), extension) != 0)
        return std::nullopt;
    std::string digits = file.substr(stem.size(), file.size() - stem.size() - extension.size());
    if (digits.size() > kMaxDigits || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

namespace {

const std::vector<std::pair<std::string, int>> &Compressions() {
    static const std::vector<std::pair<std::string, int>> table = {
        {"default", -1}, {"cmyk", -2}, {"packbits", -3}, {"deflate", -4}, {"adobe-deflate", -5},
        {"g3", -6},      {"g4", -7},   {"lzw", -8},      {"jpeg", -9},
    };
    return table;
}

} // namespace

std::optional<int> CompressionCode(const std::string &name) {
    for (const auto &[known, code] : Compressions())
        if (name == known)
            return code;
    return std::nullopt;
}

std::vector<std::string> CompressionNames() {
    std::vector<std::string> names{"none"};
    for (const auto &entry : Compressions())
        names.push_back(entry.first);
    return names;
}

} // namespace zelscan

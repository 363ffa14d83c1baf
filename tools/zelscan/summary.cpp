#include "summary.h"

#include "exit_codes.h"
#include "text.h"

namespace zelscan {

int ScanSummary::PagesWritten() const {
    int pages = 0;
    for (const PageFile &file : files)
        pages += file.pages;
    return pages;
}

namespace {

const char *Outcome(int exitCode) {
    return exitCode == kExitSuccess     ? "success"
           : exitCode == kExitCancelled ? "cancelled"
                                        : "failure";
}

std::string FileLine(const PageFile &file) {
    std::string line = "  " + Cp1252ToUtf8(file.name) + "  " + file.format + ", " +
                       std::to_string(file.pages) + (file.pages == 1 ? " page" : " pages");
    if (file.width > 0)
        line += ", " + std::to_string(file.width) + " x " + std::to_string(file.height) + ", " +
                std::to_string(file.bits_per_pixel) + " bits";
    return line + "\n";
}

// A count the host could not observe is null.
nlohmann::json Optional(const std::optional<int> &count) {
    return count ? nlohmann::json(*count) : nlohmann::json(nullptr);
}

} // namespace

std::string SummaryText(const ScanSummary &s) {
    std::string source = s.source.empty() ? "the default source" : Cp1252ToUtf8(s.source);
    std::string text = s.command + " from " + source + ": " + Outcome(s.exit_code) + "\n";
    if (s.transferred)
        text += "pages transferred " + std::to_string(*s.transferred) + ", ";
    text += "pages written " + std::to_string(s.PagesWritten());
    if (s.discarded)
        text += ", blank pages discarded " + std::to_string(*s.discarded);
    if (s.lost && *s.lost > 0)
        text += ", pages not written " + std::to_string(*s.lost);
    text += "\n";
    for (const PageFile &file : s.files)
        text += FileLine(file);
    for (const std::string &name : s.unreadable)
        text += "  " + Cp1252ToUtf8(name) + "  (cannot be read back)\n";
    if (s.clipboard)
        text += "clipboard: CF_DIB, " + std::to_string(s.clipboard->width) + " x " +
                std::to_string(s.clipboard->height) + ", " +
                std::to_string(s.clipboard->bits_per_pixel) + " bits, " +
                std::to_string(s.clipboard->colours) + " palette colours\n";
    for (const std::string &error : s.errors)
        text += "error: " + Cp1252ToUtf8(error) + "\n";
    return text;
}

nlohmann::json SummaryJson(const ScanSummary &s) {
    nlohmann::json json = {
        {"command", s.command},
        {"source", Cp1252ToUtf8(s.source)},
        {"outcome", Outcome(s.exit_code)},
        {"exit_code", s.exit_code},
        {"library_result", s.library_result},
        {"passes", Optional(s.passes)},
        {"pages",
         {{"transferred", Optional(s.transferred)},
          {"written", s.PagesWritten()},
          {"discarded", Optional(s.discarded)},
          {"not_written", Optional(s.lost)}}},
        {"files", nlohmann::json::array()},
        {"errors", nlohmann::json::array()},
        {"messages", nlohmann::json::array()},
    };
    for (const PageFile &f : s.files)
        json["files"].push_back({{"name", Cp1252ToUtf8(f.name)},
                                 {"path", f.host_path},
                                 {"format", f.format},
                                 {"pages", f.pages},
                                 {"width", f.width},
                                 {"height", f.height},
                                 {"bits_per_pixel", f.bits_per_pixel}});
    for (const std::string &name : s.unreadable)
        json["files"].push_back({{"name", Cp1252ToUtf8(name)}, {"pages", 0}, {"unreadable", true}});
    if (s.clipboard)
        json["clipboard"] = {{"format", "CF_DIB"},
                             {"width", s.clipboard->width},
                             {"height", s.clipboard->height},
                             {"bits_per_pixel", s.clipboard->bits_per_pixel},
                             {"colours", s.clipboard->colours}};
    for (const std::string &e : s.errors)
        json["errors"].push_back(Cp1252ToUtf8(e));
    for (const std::string &m : s.notices)
        json["messages"].push_back(Cp1252ToUtf8(m));
    return json;
}

} // namespace zelscan

#include "host_terminal.h"

#include <cstdio>

#include "console.h"
#include "text.h"

namespace zelscan {
namespace {

// A box for the terminal: the library breaks lines with "\n\r", whose
// carriage return would send the rest of the line over its start.
std::string BoxLines(const std::string &caption, const std::string &text) {
    std::string kept;
    for (char c : text)
        if (c != '\r')
            kept += c;
    return "\n== " + Cp1252ToUtf8(caption) + " ==\n" + Cp1252ToUtf8(kept) + "\n";
}

} // namespace

void EchoBox(const std::string &caption, const std::string &text) {
    std::fputs(BoxLines(caption, text).c_str(), stderr);
}

void ShowBox(HostLog &log, bool answerAtOnce, const std::string &caption, const std::string &text) {
    (caption == "TWAIN Error" ? log.error_boxes : log.notice_boxes).push_back(text);
    std::string ignored;
    if (answerAtOnce || !ConsoleIsInteractive())
        EchoBox(caption, text);
    else
        AskLine(BoxLines(caption, text) + "[Enter] OK > ", ignored);
}

std::optional<std::string> AskFileName(HostLog &log, const std::string &title,
                                       const std::vector<std::string> &types, size_t maxLength) {
    std::string prompt = "\n== " + Cp1252ToUtf8(title) + " ==\n";
    for (const std::string &type : types)
        prompt += "  " + Cp1252ToUtf8(type) + "\n";
    std::string typed, name;
    bool answered = AskLine(prompt + "File name (empty line cancels) > ", typed) && !typed.empty();
    if (!ConsoleIsInteractive())
        std::fputs("\n", stderr);
    Utf8ToCp1252(typed, name);
    if (!answered || name.size() > maxLength) {
        log.dialog_cancelled = true;
        return std::nullopt;
    }
    log.dialog_name = name;
    if (log.on_dialog_name)
        log.on_dialog_name(name);
    return name;
}

} // namespace zelscan

// This system: the platform layer hands the library's debug output, message
// boxes and file dialogs to the host.
#include "host_platform.h"

#include <zelplat/zelplat_test.h>

#include <cstdio>
#include <cstring>

#include "console.h"
#include "text.h"

namespace zelscan {
namespace {

struct Hooks {
    HostLog *log = nullptr;
    bool answer_at_once = false;
};

Hooks hooks;

void ForwardDebugLine(void *, LPCSTR text) {
    if (hooks.log && hooks.log->on_debug_line)
        hooks.log->on_debug_line(text);
}

// The box text for the terminal: the library breaks lines with "\n\r",
// whose carriage return would send the rest of the line over its start.
std::string WithoutReturns(const std::string &text) {
    std::string kept;
    for (char c : text)
        if (c != '\r')
            kept += c;
    return Cp1252ToUtf8(kept);
}

// The first button of the box: what Enter picks in a box of one button.
int FirstButton(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return IDOK;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return IDCANCEL;
    }
}

int AnswerBox(void *, HWND, LPCSTR text, LPCSTR caption, UINT type) {
    std::string body = text, title = caption;
    (title == "TWAIN Error" ? hooks.log->error_boxes : hooks.log->notice_boxes).push_back(body);
    std::string shown = "\n== " + Cp1252ToUtf8(title) + " ==\n" + WithoutReturns(body) + "\n";
    std::string ignored;
    if (hooks.answer_at_once || !ConsoleIsInteractive())
        std::fputs(shown.c_str(), stderr);
    else
        AskLine(shown + "[Enter] OK > ", ignored);
    return FirstButton(type);
}

// The descriptions of the dialog's filter pairs, one line each.
std::string FilterLines(LPCSTR filter) {
    std::string lines;
    for (int field = 0; filter && *filter; ++field) {
        std::string text = filter;
        filter += text.size() + 1;
        if (field % 2 == 0)
            lines += "  " + Cp1252ToUtf8(text) + "\n";
    }
    return lines;
}

BOOL AnswerFileDialog(void *, BOOL save, LPOPENFILENAMEA ofn) {
    std::string prompt = std::string("\n== ") + (save ? "Save As" : "Open") + " ==\n" +
                         FilterLines(ofn->lpstrFilter) + "File name (empty line cancels) > ";
    std::string typed, name;
    bool answered = AskLine(prompt, typed) && !typed.empty();
    if (!ConsoleIsInteractive())
        std::fputs("\n", stderr);
    Utf8ToCp1252(typed, name);
    if (!answered || name.size() + 1 > ofn->nMaxFile) {
        hooks.log->dialog_cancelled = true;
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, name.c_str(), name.size() + 1);
    hooks.log->dialog_name = name;
    if (hooks.log->on_dialog_name)
        hooks.log->on_dialog_name(name);
    return TRUE;
}

} // namespace

void InstallHostHooks(HostLog &log, bool answerAtOnce) {
    hooks.log = &log;
    hooks.answer_at_once = answerAtOnce;
    ZelPlat_SetDebugOutputHandler(ForwardDebugLine, nullptr);
    ZelPlat_SetMessageBoxHandler(AnswerBox, nullptr);
    ZelPlat_SetFileDialogHandler(AnswerFileDialog, nullptr);
}

void RemoveHostHooks() {
    ZelPlat_SetDebugOutputHandler(nullptr, nullptr);
    ZelPlat_SetMessageBoxHandler(nullptr, nullptr);
    ZelPlat_SetFileDialogHandler(nullptr, nullptr);
    hooks.log = nullptr;
}

bool HostSeesDebugOutput() {
    return true;
}

std::string HostPath(const std::string &windowsPath) {
    char host[4096];
    return ZelPlat_HostPath(windowsPath.c_str(), host, sizeof host) ? host : windowsPath;
}

} // namespace zelscan

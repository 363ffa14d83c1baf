// This system: the platform layer hands the library's debug output, message
// boxes and file dialogs to the host.
#include "host_platform.h"

#include <zelplat/zelplat_test.h>

#include <cstring>

#include "host_terminal.h"

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
    ShowBox(*hooks.log, hooks.answer_at_once, caption ? caption : "", text ? text : "");
    return FirstButton(type);
}

// The descriptions of the dialog's filter pairs.
std::vector<std::string> FilterDescriptions(LPCSTR filter) {
    std::vector<std::string> types;
    for (int field = 0; filter && *filter; ++field) {
        std::string text = filter;
        filter += text.size() + 1;
        if (field % 2 == 0)
            types.push_back(text);
    }
    return types;
}

BOOL AnswerFileDialog(void *, BOOL save, LPOPENFILENAMEA ofn) {
    size_t room = ofn->nMaxFile > 0 ? ofn->nMaxFile - 1 : 0;
    std::optional<std::string> name = AskFileName(*hooks.log, save ? "Save As" : "Open",
                                                  FilterDescriptions(ofn->lpstrFilter), room);
    if (!name || !ofn->lpstrFile)
        return FALSE;
    std::memcpy(ofn->lpstrFile, name->c_str(), name->size() + 1);
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

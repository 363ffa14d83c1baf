// Windows: the library's boxes and file dialogs are the system's own, shown
// on the thread that called the export; a thread-local hook sees each one as
// it is activated, shows it on the terminal and answers it.  Its debug output
// is read in this process: OutputDebugStringA raises an exception that a
// vectored handler sees before anyone else.
#include "host_platform.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host_terminal.h"

namespace zelscan {
namespace {

// OutputDebugStringA's exception: [0] the length with the NUL, [1] the text.
// OutputDebugStringW's own exception is not read: when nobody handles it the
// system passes the text on to OutputDebugStringA, which raises this one.
constexpr DWORD kDebugPrint = 0x40010006;
// Controls of the dialogs: a box's text, the file name in the Explorer style
// (cmb13) and the old style (edt1), the file types (cmb1).
constexpr int kBoxText = 0xFFFF, kNameExplorer = 0x47C, kNameOld = 0x480, kFileTypes = 0x470;
// The timer that answers a file dialog, on the dialog.
constexpr UINT_PTR kAnswerTimer = 0x5A454C;
// The longest name the library's file dialogs take.
constexpr size_t kNameRoom = 250;

struct Hooks {
    HostLog *log = nullptr;
    bool answer_at_once = false;
    DWORD thread = 0;
    HHOOK cbt = nullptr;
    PVOID vectored = nullptr;
    // Dialogs answered and not yet destroyed: the save dialog is activated
    // again when its overwrite prompt closes, and is still the same dialog.
    std::vector<HWND> answered;
    std::vector<HWND> file_dialogs;
    std::string folder; // the current folder when the hooks were installed
};

Hooks hooks;
// Set while this thread hands a line on, so that debug output written by the
// receiver is not handed back to it.
thread_local bool in_debug_handler = false;

LONG CALLBACK ReadDebugOutput(PEXCEPTION_POINTERS info) {
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (record->ExceptionCode != kDebugPrint || record->NumberParameters < 2 || in_debug_handler ||
        GetCurrentThreadId() != hooks.thread || !hooks.log || !hooks.log->on_debug_line)
        return EXCEPTION_CONTINUE_SEARCH;
    auto length = size_t(record->ExceptionInformation[0]);
    auto text = reinterpret_cast<const char *>(record->ExceptionInformation[1]);
    in_debug_handler = true;
    hooks.log->on_debug_line(text && length > 0 ? std::string(text, strnlen(text, length - 1))
                                                : std::string());
    in_debug_handler = false;
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string WindowText(HWND window) {
    std::string text(size_t(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(size_t(GetWindowTextA(window, text.data(), int(text.size()))));
    return text;
}

bool Contains(const std::vector<HWND> &windows, HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

void Forget(std::vector<HWND> &windows, HWND window) {
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

// The first button of a box: OK, Yes, Abort or Retry, else Cancel.
int FirstButton(HWND box) {
    for (int button : {IDOK, IDYES, IDABORT, IDRETRY})
        if (GetDlgItem(box, button))
            return button;
    return IDCANCEL;
}

// A box of the library is recorded; a box of the file dialog (its question
// whether to write over a file, or its refusal of the name) is only shown.
// Each is answered with its first button: Yes to the question, as the name
// was chosen already.
void AnswerBox(HWND box) {
    std::string caption = WindowText(box), text = WindowText(GetDlgItem(box, kBoxText));
    if (Contains(hooks.file_dialogs, GetWindow(box, GW_OWNER)))
        EchoBox(caption, text);
    else
        ShowBox(*hooks.log, hooks.answer_at_once, caption, text);
    PostMessageA(box, WM_COMMAND, FirstButton(box), 0);
}

HWND NameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, kNameExplorer);
    return field ? field : GetDlgItem(dialog, kNameOld);
}

std::vector<std::string> FileTypes(HWND dialog) {
    std::vector<std::string> types;
    HWND combo = GetDlgItem(dialog, kFileTypes);
    auto count = combo ? SendMessageA(combo, CB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        std::string type(size_t(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        type.resize(size_t(std::max<LRESULT>(
            0, SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(type.data())))));
        types.push_back(type);
    }
    return types;
}

// A relative name typed on the terminal lies in the folder this program
// started in; the dialog would take it in the folder it shows (the one
// last used, which it makes the current one).
std::string FullName(const std::string &name) {
    bool relative =
        !name.empty() && name[0] != '\\' && name[0] != '/' && !(name.size() > 1 && name[1] == ':');
    return relative && !hooks.folder.empty() ? hooks.folder + "\\" + name : name;
}

// After OK: a dialog still open and not waiting on a box of its own did
// not take the name (a folder it went into, a name it refused) and would
// wait for another: it is cancelled.
void CALLBACK CancelIfStillOpen(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    if (!IsWindowEnabled(dialog) || !hooks.log)
        return;
    KillTimer(dialog, timer);
    std::fputs("zelscan: the dialog did not take the name; cancelled\n", stderr);
    hooks.log->dialog_name.reset();
    hooks.log->dialog_cancelled = true;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Types the name asked on the terminal into the dialog and presses OK, or
// cancels the dialog.  The check comes after OK: a timer's turn comes once
// no posted message is waiting.
void AnswerFileDialog(HWND dialog) {
    std::optional<std::string> name =
        AskFileName(*hooks.log, WindowText(dialog), FileTypes(dialog), kNameRoom);
    if (name)
        SetWindowTextA(NameField(dialog), FullName(*name).c_str());
    PostMessageA(dialog, WM_COMMAND, name ? IDOK : IDCANCEL, 0);
    if (name)
        SetTimer(dialog, kAnswerTimer, 0, CancelIfStillOpen);
}

// The file dialog fills its list of file types after it is activated: it
// is answered from its own message loop.
void CALLBACK AnswerWhenReady(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    if (hooks.log && Contains(hooks.file_dialogs, dialog))
        AnswerFileDialog(dialog);
}

void Answer(HWND dialog) {
    if (GetDlgItem(dialog, kBoxText)) {
        hooks.answered.push_back(dialog);
        AnswerBox(dialog);
    } else if (NameField(dialog)) {
        hooks.answered.push_back(dialog);
        hooks.file_dialogs.push_back(dialog);
        SetTimer(dialog, kAnswerTimer, 0, AnswerWhenReady);
    }
}

bool IsDialog(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND) {
        // The dialog made the chosen file's folder the current one.
        if (Contains(hooks.file_dialogs, window) && !hooks.folder.empty())
            SetCurrentDirectoryA(hooks.folder.c_str());
        Forget(hooks.answered, window);
        Forget(hooks.file_dialogs, window);
    } else if (code == HCBT_ACTIVATE && hooks.log && !Contains(hooks.answered, window) &&
               IsDialog(window)) {
        Answer(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string CurrentFolder() {
    std::string folder(MAX_PATH + 1, '\0');
    DWORD length = GetCurrentDirectoryA(DWORD(folder.size()), folder.data());
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

} // namespace

// The library shows its boxes and dialogs on the thread that called the
// export, and writes its debug output there: this one.
void InstallHostHooks(HostLog &log, bool answerAtOnce) {
    hooks.log = &log;
    hooks.answer_at_once = answerAtOnce;
    hooks.thread = GetCurrentThreadId();
    hooks.folder = CurrentFolder();
    hooks.cbt = SetWindowsHookExA(WH_CBT, WatchDialogs, nullptr, hooks.thread);
    hooks.vectored = AddVectoredExceptionHandler(1, ReadDebugOutput);
    if (!hooks.cbt || !hooks.vectored)
        std::fprintf(stderr, "zelscan: cannot watch the library's %s\n",
                     hooks.cbt ? "debug output" : "boxes and dialogs");
}

void RemoveHostHooks() {
    if (hooks.cbt)
        UnhookWindowsHookEx(hooks.cbt);
    if (hooks.vectored)
        RemoveVectoredExceptionHandler(hooks.vectored);
    hooks = Hooks{};
}

bool HostSeesDebugOutput() {
    return true;
}

std::string HostPath(const std::string &windowsPath) {
    return windowsPath;
}

} // namespace zelscan

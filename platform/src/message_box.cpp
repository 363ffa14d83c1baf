// MessageBoxA: a replaceable handler (tests, hosts), else a terminal prompt,
// else one line on stderr answered with the default button.
#include "cp1252.h"
#include "terminal.h"

#include <zelplat/zelplat_test.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr UINT kCancelTryContinue = 6; // MB_CANCELTRYCONTINUE
constexpr UINT kDefButtonMask = 0x300; // MB_DEFMASK
constexpr int kTryAgain = 10;          // IDTRYAGAIN
constexpr int kContinue = 11;          // IDCONTINUE
constexpr DWORD kInvalidStyle = 1158;  // ERROR_INVALID_MSGBOX_STYLE

struct Button {
    int id;
    char key;
    const char *label;
};

struct HandlerSlot {
    std::mutex mutex;
    ZelPlat_MessageBoxHandler handler = nullptr;
    void *ctx = nullptr;
};

HandlerSlot &handler_slot() {
    static auto *slot = new HandlerSlot; // never destroyed: used by exit-time destructors
    return *slot;
}

// The buttons of a box type in screen order; empty for an unknown type.
std::vector<Button> buttons_of(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {{IDOK, 'o', "OK"}};
    case MB_OKCANCEL:
        return {{IDOK, 'o', "OK"}, {IDCANCEL, 'c', "Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, 'a', "Abort"}, {IDRETRY, 'r', "Retry"}, {IDIGNORE, 'i', "Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, 'y', "Yes"}, {IDNO, 'n', "No"}, {IDCANCEL, 'c', "Cancel"}};
    case MB_YESNO:
        return {{IDYES, 'y', "Yes"}, {IDNO, 'n', "No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, 'r', "Retry"}, {IDCANCEL, 'c', "Cancel"}};
    case kCancelTryContinue:
        return {
            {IDCANCEL, 'c', "Cancel"}, {kTryAgain, 't', "Try again"}, {kContinue, 'n', "Continue"}};
    default:
        return {};
    }
}

// The button that Enter picks: MB_DEFBUTTONn, the first one when n is out of range.
const Button &default_button(const std::vector<Button> &buttons, UINT type) {
    size_t index = (type & kDefButtonMask) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

// What closing the box answers: Cancel where there is one, else the default.
int closing_answer(const std::vector<Button> &buttons, UINT type) {
    for (const Button &b : buttons)
        if (b.id == IDCANCEL)
            return IDCANCEL;
    return default_button(buttons, type).id;
}

int ask_on_terminal(const std::string &text, const std::string &caption, UINT type,
                    const std::vector<Button> &buttons) {
    using zelplat::LineBreaks;
    std::string prompt = "\n== " + zelplat::cp1252_to_display(caption, LineBreaks::Keep) + " ==\n" +
                         zelplat::cp1252_to_display(text, LineBreaks::Keep) + "\n";
    const Button &def = default_button(buttons, type);
    for (const Button &b : buttons)
        prompt += std::string("[") + b.key + "] " + b.label + "  ";
    prompt += std::string("(Enter: ") + def.label + ") > ";
    for (;;) {
        std::string answer;
        if (!zelplat::terminal_ask(prompt, answer))
            return closing_answer(buttons, type);
        if (answer.empty())
            return def.id;
        char key = char(std::tolower(static_cast<unsigned char>(answer[0])));
        for (const Button &b : buttons)
            if (b.key == key)
                return b.id;
    }
}

int log_to_stderr(const std::string &text, const std::string &caption, UINT type,
                  const std::vector<Button> &buttons) {
    using zelplat::LineBreaks;
    std::string line = "MessageBox [" + zelplat::cp1252_to_display(caption, LineBreaks::Escape) +
                       "] " + zelplat::cp1252_to_display(text, LineBreaks::Escape) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return default_button(buttons, type).id;
}

} // namespace

void ZelPlat_SetMessageBoxHandler(ZelPlat_MessageBoxHandler handler, void *ctx) {
    auto &slot = handler_slot();
    std::lock_guard lock(slot.mutex);
    slot.handler = handler;
    slot.ctx = handler ? ctx : nullptr;
}

// The handler sees the text and caption as the box would show them: a null
// text as "" and a null caption as "Error".  An invalid owner or an unknown
// box type fails with 0, as on Windows.
int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    if (hWnd != 0 && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::vector<Button> buttons = buttons_of(uType);
    if (buttons.empty()) {
        SetLastError(kInvalidStyle);
        return 0;
    }
    std::string text = lpText ? lpText : "";
    std::string caption = lpCaption ? lpCaption : "Error";

    ZelPlat_MessageBoxHandler handler;
    void *ctx;
    {
        auto &slot = handler_slot();
        std::lock_guard lock(slot.mutex);
        handler = slot.handler;
        ctx = slot.ctx;
    }
    if (handler)
        return handler(ctx, hWnd, text.c_str(), caption.c_str(), uType);
    if (zelplat::terminal_is_interactive())
        return ask_on_terminal(text, caption, uType, buttons);
    return log_to_stderr(text, caption, uType, buttons);
}

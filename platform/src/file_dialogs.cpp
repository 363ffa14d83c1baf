// GetSaveFileNameA / GetOpenFileNameA: a replaceable handler (tests, hosts)
// chooses the name, else a terminal prompt, else the dialog is cancelled.
// The layer then delivers the name as Windows does: checked against
// nMaxFile, with nFileOffset, nFileExtension and lpstrFileTitle filled.
#include "cp1252.h"
#include "terminal.h"

#include <zelplat/zelplat_test.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// The handler writes into a private buffer at least this large, so that a
// name longer than the caller's nMaxFile is refused instead of overflowing.
constexpr size_t kNameCapacity = 32768;

// Bytes of the structure that a caller announcing the old size owns: the
// fields up to lpTemplateName; pvReserved, dwReserved and FlagsEx are not
// read or written for it.
constexpr size_t kOldLayoutBytes = offsetof(OPENFILENAMEA, pvReserved);

thread_local DWORD last_dialog_error = 0;

struct HandlerSlot {
    std::mutex mutex;
    ZelPlat_FileDialogHandler handler = nullptr;
    void *ctx = nullptr;
};

HandlerSlot &handler_slot() {
    static auto *slot = new HandlerSlot; // never destroyed: used by exit-time destructors
    return *slot;
}

BOOL fail(DWORD error) {
    last_dialog_error = error;
    return FALSE;
}

// Offset of the file name part: after the last separator or drive colon.
size_t file_name_offset(const std::string &name) {
    size_t pos = name.find_last_of("\\/:");
    return pos == std::string::npos ? 0 : pos + 1;
}

// Offset of the first character after the last '.' of the file name part;
// the offset of the terminating zero when the part has no extension, and 0
// when it ends in '.', as Windows reports them.
size_t file_extension_offset(const std::string &name) {
    size_t start = file_name_offset(name);
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot < start)
        return name.size();
    if (dot + 1 == name.size())
        return 0;
    return dot + 1;
}

// Appends the default extension (its first three characters, as Windows
// does) to a name typed without one; a trailing '.' asks for none.
void apply_default_extension(std::string &name, LPCSTR defExt) {
    if (!defExt || !*defExt || name.empty() || file_extension_offset(name) != name.size())
        return;
    name += '.';
    name.append(defExt, strnlen(defExt, 3));
}

// The filter pairs (description, pattern) of a double-zero-terminated list.
std::vector<std::pair<std::string, std::string>> filter_pairs(LPCSTR filter) {
    std::vector<std::pair<std::string, std::string>> pairs;
    while (filter && *filter) {
        std::string description = filter;
        filter += description.size() + 1;
        if (!*filter)
            break;
        std::string pattern = filter;
        filter += pattern.size() + 1;
        pairs.emplace_back(std::move(description), std::move(pattern));
    }
    return pairs;
}

bool host_file_exists(const std::string &windowsName) {
    char host[4096];
    struct stat st;
    return ZelPlat_HostPath(windowsName.c_str(), host, sizeof host) != 0 && ::stat(host, &st) == 0;
}

std::string prompt_text(BOOL save, const OPENFILENAMEA &ofn, const std::string &initial) {
    using zelplat::LineBreaks;
    std::string title = ofn.lpstrTitle ? ofn.lpstrTitle : save ? "Save As" : "Open";
    std::string text = "\n== " + zelplat::cp1252_to_display(title, LineBreaks::Keep) + " ==\n";
    int index = 1;
    for (auto &[description, pattern] : filter_pairs(ofn.lpstrFilter))
        text += "  " + std::to_string(index++) + ". " +
                zelplat::cp1252_to_display(description, LineBreaks::Escape) + "  " +
                zelplat::cp1252_to_display(pattern, LineBreaks::Escape) + "\n";
    if (!initial.empty())
        text += "Suggested: " + zelplat::cp1252_to_display(initial, LineBreaks::Escape) + "\n";
    return text + "File name (empty line cancels) > ";
}

// The terminal dialog: reads a path until one is acceptable; false cancels.
bool ask_on_terminal(BOOL save, const OPENFILENAMEA &ofn, std::string &name) {
    std::string prompt = prompt_text(save, ofn, name);
    for (;;) {
        std::string typed;
        if (!zelplat::terminal_ask(prompt, typed) || typed.empty())
            return false;
        if (!zelplat::utf8_to_cp1252(typed, name)) {
            prompt = "That name has characters this system cannot store. File name > ";
            continue;
        }
        bool exists = host_file_exists(name);
        if (!save && (ofn.Flags & OFN_FILEMUSTEXIST) && !exists) {
            prompt = "No such file. File name > ";
            continue;
        }
        if (save && (ofn.Flags & OFN_OVERWRITEPROMPT) && exists) {
            std::string confirm;
            if (!zelplat::terminal_ask("The file exists. Replace it? [y/n] > ", confirm))
                return false;
            if (confirm.empty() || (confirm[0] != 'y' && confirm[0] != 'Y'))
                continue;
        }
        return true;
    }
}

// Lets the handler or the terminal choose; false when the user cancelled.
bool choose_name(BOOL save, OPENFILENAMEA &ofn, size_t copyBytes, std::string &name) {
    ZelPlat_FileDialogHandler handler;
    void *ctx;
    {
        auto &slot = handler_slot();
        std::lock_guard lock(slot.mutex);
        handler = slot.handler;
        ctx = slot.ctx;
    }
    size_t initialLen = ofn.nMaxFile ? strnlen(ofn.lpstrFile, ofn.nMaxFile) : 0;
    if (initialLen == ofn.nMaxFile)
        initialLen = 0; // no terminating zero inside the buffer: no initial name
    if (!handler) {
        name.assign(ofn.lpstrFile, initialLen);
        return zelplat::terminal_is_interactive() && ask_on_terminal(save, ofn, name);
    }

    std::vector<char> buffer(std::max<size_t>(kNameCapacity, ofn.nMaxFile) + 1, '\0');
    std::memcpy(buffer.data(), ofn.lpstrFile, initialLen);
    OPENFILENAMEA view{};
    std::memcpy(&view, &ofn, copyBytes);
    view.lpstrFile = buffer.data();
    if (!handler(ctx, save, &view))
        return false;
    ofn.nFilterIndex = view.nFilterIndex; // the filter the user picked
    buffer.back() = '\0';
    name = buffer.data();
    return true;
}

// Writes the chosen name back into the caller's structure as Windows does.
BOOL deliver_name(OPENFILENAMEA &ofn, std::string name) {
    if (name.empty())
        return fail(FNERR_INVALIDFILENAME);
    apply_default_extension(name, ofn.lpstrDefExt);
    size_t needed = name.size() + 1;
    if (needed > ofn.nMaxFile || name.size() > 0xFFFF) {
        // Windows reports the size needed in the first two bytes of the buffer.
        if (ofn.nMaxFile >= 2) {
            WORD size = WORD(std::min<size_t>(needed, 0xFFFF));
            std::memcpy(ofn.lpstrFile, &size, sizeof size);
        }
        return fail(FNERR_BUFFERTOOSMALL);
    }
    std::memcpy(ofn.lpstrFile, name.c_str(), needed);
    ofn.nFileOffset = WORD(file_name_offset(name));
    ofn.nFileExtension = WORD(file_extension_offset(name));
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        std::string title = name.substr(ofn.nFileOffset);
        // A title that does not fit is left empty rather than cut short.
        if (title.size() < ofn.nMaxFileTitle)
            std::memcpy(ofn.lpstrFileTitle, title.c_str(), title.size() + 1);
        else
            ofn.lpstrFileTitle[0] = '\0';
    }
    last_dialog_error = 0;
    return TRUE;
}

BOOL run_file_dialog(BOOL save, LPOPENFILENAMEA lpofn) {
    last_dialog_error = 0;
    if (!lpofn)
        return fail(CDERR_INITIALIZATION);
    size_t copyBytes;
    if (lpofn->lStructSize == OPENFILENAME_SIZE_VERSION_400A)
        copyBytes = kOldLayoutBytes;
    else if (lpofn->lStructSize == sizeof(OPENFILENAMEA))
        copyBytes = sizeof(OPENFILENAMEA);
    else
        return fail(CDERR_STRUCTSIZE);
    if (!lpofn->lpstrFile)
        return fail(CDERR_INITIALIZATION);
    if (lpofn->hwndOwner != 0 && !IsWindow(lpofn->hwndOwner))
        return fail(CDERR_INITIALIZATION);

    std::string name;
    if (!choose_name(save, *lpofn, copyBytes, name))
        return FALSE; // cancelled: the extended error stays 0
    return deliver_name(*lpofn, std::move(name));
}

} // namespace

void ZelPlat_SetFileDialogHandler(ZelPlat_FileDialogHandler handler, void *ctx) {
    auto &slot = handler_slot();
    std::lock_guard lock(slot.mutex);
    slot.handler = handler;
    slot.ctx = handler ? ctx : nullptr;
}

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) {
    return run_file_dialog(TRUE, lpofn);
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) {
    return run_file_dialog(FALSE, lpofn);
}

DWORD WINAPI CommDlgExtendedError(void) {
    return last_dialog_error;
}

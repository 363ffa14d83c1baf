// A small TWAIN application: it loads TWAIN_32.DLL from the Windows
// directory, scans one duplex batch from the default source of the installed
// scenario with the source's interface shown, prints each page's label and
// exits 0 only when every label is the expected one.
#include <twain.h>
#include <windows.h>
#include <zelvirt/paper.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

DSMENTRYPROC g_entry = nullptr;
TW_IDENTITY g_app, g_source;

TW_UINT16 ds(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
    return g_entry(&g_app, &g_source, dg, dat, msg, data);
}

bool set_bool(TW_UINT16 cap_id, bool value) {
    TW_CAPABILITY cap{cap_id, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
    auto *one = static_cast<TW_ONEVALUE *>(GlobalLock(cap.hContainer));
    one->ItemType = TWTY_BOOL;
    one->Item = value ? 1 : 0;
    GlobalUnlock(cap.hContainer);
    bool ok = ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap) == TWRC_SUCCESS;
    GlobalFree(cap.hContainer);
    return ok;
}

std::string label_of(TW_UINT32 dib) {
    std::string label = "<unreadable>";
    if (void *p = GlobalLock(dib)) {
        label = zelvirt::decode_label_from_dib(p, GlobalSize(dib)).value_or(label);
        GlobalUnlock(dib);
    }
    GlobalFree(dib);
    return label;
}

// Transfers every page of the announced batch.
void transfer(std::vector<std::string> &labels) {
    TW_PENDINGXFERS pending{};
    do {
        TW_UINT32 dib = 0;
        if (ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib) == TWRC_XFERDONE)
            labels.push_back(label_of(dib));
        if (ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS)
            return;
    } while (pending.Count != 0);
}

} // namespace

int main() {
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    HMODULE dsm = n ? LoadLibraryA((std::string(dir, n) + "\\TWAIN_32.DLL").c_str()) : 0;
    if (!dsm) {
        std::fprintf(stderr, "cannot load TWAIN_32.DLL\n");
        return 2;
    }
    g_entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(dsm, "DSM_Entry")));
    HWND window =
        CreateWindowExA(0, "STATIC", "duplex host", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, nullptr);
    std::memset(&g_app, 0, sizeof g_app);
    g_app.ProtocolMajor = TWON_PROTOCOLMAJOR;
    g_app.ProtocolMinor = TWON_PROTOCOLMINOR;
    g_app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(g_app.ProductName, "Duplex host");
    std::memset(&g_source, 0, sizeof g_source);
    if (!g_entry || g_entry(&g_app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window) ||
        g_entry(&g_app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &g_source) ||
        !set_bool(CAP_DUPLEXENABLED, true)) {
        std::fprintf(stderr, "cannot open the default source for duplex scanning\n");
        return 2;
    }
    TW_USERINTERFACE ui{TRUE, FALSE, window};
    if (ds(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS)
        return 2;

    // The message loop of the application: every message goes to the source
    // first; the batch runs when it announces it, the loop ends when the
    // person closes the source's interface.
    std::vector<std::string> labels;
    MSG msg;
    bool closed = false;
    for (int i = 0; !closed && i < 10000 && GetMessageA(&msg, 0, 0, 0) > 0; ++i) {
        TW_EVENT event{&msg, MSG_NULL};
        if (ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_NOTDSEVENT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (event.TWMessage == MSG_XFERREADY)
            transfer(labels);
        closed = event.TWMessage == MSG_CLOSEDSREQ;
    }
    ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    g_entry(&g_app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g_source);
    g_entry(&g_app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window);
    FreeLibrary(dsm);

    const std::vector<std::string> expected = {"sheet 1 front", "sheet 1 back",  "sheet 2 front",
                                               "sheet 2 back",  "sheet 3 front", "sheet 3 back"};
    for (const auto &label : labels)
        std::printf("%s\n", label.c_str());
    if (!closed || labels != expected) {
        std::fprintf(stderr, "expected the six sides of three sheets in order%s\n",
                     closed ? "" : ", and the interface closed by the person");
        return 1;
    }
    return 0;
}

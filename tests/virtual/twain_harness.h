// A test application of the virtual TWAIN manager: it loads TWAIN_32.DLL
// from the Windows directory as the library does, with a scenario and a
// trace file of its own, and offers the triplets and the message pump that
// a TWAIN application runs.
#pragma once

#include <gtest/gtest.h>

#include <twain.h>
#include <windows.h>
#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>
#include <zelvirt/trace.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace vt {

// A capability container read back by the test itself.
struct Container {
    uint16_t con_type = 0;
    uint16_t item_type = 0;
    std::vector<double> items; // ONEVALUE: one item
    uint32_t num_items = 0, current_index = 0, default_index = 0;
    double min = 0, max = 0, step = 0, current = 0, default_value = 0;
};

inline double read_item(const uint8_t *p, uint16_t type) {
    int16_t s16;
    uint16_t u16;
    int32_t s32;
    uint32_t u32;
    switch (type) {
    case TWTY_INT16:
        std::memcpy(&s16, p, 2);
        return s16;
    case TWTY_UINT16:
    case TWTY_BOOL:
        std::memcpy(&u16, p, 2);
        return u16;
    case TWTY_INT32:
        std::memcpy(&s32, p, 4);
        return s32;
    case TWTY_UINT32:
        std::memcpy(&u32, p, 4);
        return u32;
    case TWTY_FIX32: {
        TW_FIX32 f;
        std::memcpy(&f, p, 4);
        return f.Whole + f.Frac / 65536.0;
    }
    }
    return -12345;
}

inline size_t item_bytes(uint16_t type) {
    return type == TWTY_INT8 || type == TWTY_UINT8                           ? 1
           : type == TWTY_INT32 || type == TWTY_UINT32 || type == TWTY_FIX32 ? 4
                                                                             : 2;
}

// Reads and frees a container the source allocated.
inline Container take_container(const TW_CAPABILITY &cap) {
    Container c;
    c.con_type = cap.ConType;
    if (!cap.hContainer)
        return c;
    size_t size = GlobalSize(cap.hContainer);
    auto *p = static_cast<const uint8_t *>(GlobalLock(cap.hContainer));
    if (!p)
        return c;
    std::memcpy(&c.item_type, p, 2);
    size_t item = item_bytes(c.item_type);
    if (cap.ConType == TWON_ONEVALUE) {
        c.items.push_back(read_item(p + 2, c.item_type));
    } else if (cap.ConType == TWON_ENUMERATION) {
        auto *e = reinterpret_cast<const TW_ENUMERATION *>(p);
        c.num_items = e->NumItems;
        c.current_index = e->CurrentIndex;
        c.default_index = e->DefaultIndex;
        for (uint32_t i = 0; i < c.num_items && 14 + (i + 1) * item <= size; ++i)
            c.items.push_back(read_item(p + 14 + i * item, c.item_type));
    } else if (cap.ConType == TWON_ARRAY) {
        auto *a = reinterpret_cast<const TW_ARRAY *>(p);
        c.num_items = a->NumItems;
        for (uint32_t i = 0; i < c.num_items && 6 + (i + 1) * item <= size; ++i)
            c.items.push_back(read_item(p + 6 + i * item, c.item_type));
    } else if (cap.ConType == TWON_RANGE) {
        auto *r = reinterpret_cast<const TW_RANGE *>(p);
        c.min = read_item(reinterpret_cast<const uint8_t *>(&r->MinValue), c.item_type);
        c.max = read_item(reinterpret_cast<const uint8_t *>(&r->MaxValue), c.item_type);
        c.step = read_item(reinterpret_cast<const uint8_t *>(&r->StepSize), c.item_type);
        c.current = read_item(reinterpret_cast<const uint8_t *>(&r->CurrentValue), c.item_type);
        c.default_value =
            read_item(reinterpret_cast<const uint8_t *>(&r->DefaultValue), c.item_type);
    }
    GlobalUnlock(cap.hContainer);
    GlobalFree(cap.hContainer);
    return c;
}

class Harness {
  public:
    explicit Harness(const std::string &scenario_json) {
        char pattern[] = "/tmp/zelvirt-test-XXXXXX";
        char *made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        folder = made ? made : "/tmp";
        scenario_path = folder + "/scenario.json";
        trace_path = folder + "/trace.log";
        std::ofstream(scenario_path) << scenario_json;
        setenv("ZELTWAIN_SCENARIO", scenario_path.c_str(), 1);
        setenv("ZELTWAIN_TRACE", trace_path.c_str(), 1);
        window =
            CreateWindowExA(0, "STATIC", "test host", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
        std::memset(&app, 0, sizeof app);
        app.Version.MajorNum = 1;
        app.ProtocolMajor = TWON_PROTOCOLMAJOR;
        app.ProtocolMinor = TWON_PROTOCOLMINOR;
        app.SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::strcpy(app.Manufacturer, "Tests");
        std::strcpy(app.ProductFamily, "Tests");
        std::strcpy(app.ProductName, "VirtualTests");
        std::memset(&source, 0, sizeof source);
    }

    ~Harness() {
        unload();
        if (window)
            DestroyWindow(window);
    }

    // LoadLibraryA of the Windows directory's TWAIN_32.DLL, as the library
    // does (or of another manager file there).
    bool load(const std::string &manager = "TWAIN_32.DLL") {
        char dir[MAX_PATH];
        UINT n = GetWindowsDirectoryA(dir, sizeof dir);
        if (n == 0 || n >= sizeof dir)
            return false;
        module = LoadLibraryA((std::string(dir) + "\\" + manager).c_str());
        if (!module)
            return false;
        entry = reinterpret_cast<DSMENTRYPROC>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "DSM_Entry")));
        return entry != nullptr;
    }

    void unload() {
        if (module)
            FreeLibrary(module);
        module = 0;
        entry = nullptr;
    }

    TW_UINT16 dsm(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
        return entry(&app, nullptr, dg, dat, msg, data);
    }
    TW_UINT16 ds(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
        return entry(&app, &source, dg, dat, msg, data);
    }
    uint16_t dsm_condition() {
        TW_STATUS status{};
        EXPECT_EQ(dsm(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }
    uint16_t ds_condition() {
        TW_STATUS status{};
        EXPECT_EQ(ds(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    // Load, open the manager and open a source (empty name: the default).
    void open(const std::string &name = "") {
        ASSERT_TRUE(module || load());
        ASSERT_EQ(dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window), TWRC_SUCCESS);
        std::memset(&source, 0, sizeof source);
        std::strncpy(source.ProductName, name.c_str(), sizeof source.ProductName - 1);
        ASSERT_EQ(dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    }

    // Close whatever is open, down to the loaded manager.
    void close() {
        TW_USERINTERFACE ui{};
        ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        dsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
        dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window);
    }

    TW_UINT16 enable(bool show_ui) {
        TW_USERINTERFACE ui{};
        ui.ShowUI = show_ui ? TRUE : FALSE;
        ui.hParent = window;
        return ds(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    // Runs the application's message loop until the source claims a message
    // carrying a notification; MSG_NULL when none came within the bound.
    uint16_t wait_event(int max_messages = 1000) {
        MSG msg;
        for (int i = 0; i < max_messages && GetMessageA(&msg, 0, 0, 0) > 0; ++i) {
            TW_EVENT event{&msg, MSG_NULL};
            TW_UINT16 rc = ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (rc == TWRC_DSEVENT && event.TWMessage != MSG_NULL)
                return event.TWMessage;
            if (rc == TWRC_NOTDSEVENT) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        return MSG_NULL;
    }

    Container get(TW_UINT16 cap_id, TW_UINT16 msg = MSG_GET, TW_UINT16 *rc = nullptr) {
        TW_CAPABILITY cap{cap_id, TWON_DONTCARE16, 0};
        TW_UINT16 result = ds(DG_CONTROL, DAT_CAPABILITY, msg, &cap);
        if (rc)
            *rc = result;
        return result == TWRC_SUCCESS ? take_container(cap) : Container{};
    }

    TW_UINT16 set_one(TW_UINT16 cap_id, TW_UINT16 type, TW_UINT32 item) {
        TW_CAPABILITY cap{cap_id, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
        auto *one = static_cast<TW_ONEVALUE *>(GlobalLock(cap.hContainer));
        one->ItemType = type;
        one->Item = item;
        GlobalUnlock(cap.hContainer);
        TW_UINT16 rc = ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
        GlobalFree(cap.hContainer);
        return rc;
    }

    TW_UINT16 set_fix32(TW_UINT16 cap_id, double value) {
        TW_UINT32 item;
        TW_FIX32 fix;
        int32_t fixed = int32_t(value * 65536.0 + 0.5);
        fix.Whole = TW_INT16(fixed >> 16);
        fix.Frac = TW_UINT16(fixed & 0xFFFF);
        std::memcpy(&item, &fix, 4);
        return set_one(cap_id, TWTY_FIX32, item);
    }

    // A Windows path on drive C: and the host file it maps to.
    std::string host_of(const std::string &windows_path) {
        char host[1024];
        EXPECT_GT(ZelPlat_HostPath(windows_path.c_str(), host, sizeof host), 0u);
        return host;
    }

    std::vector<zelvirt::TraceLine> trace() { return zelvirt::read_trace_file(trace_path); }

    std::string folder, scenario_path, trace_path;
    HMODULE module = 0;
    DSMENTRYPROC entry = nullptr;
    HWND window = 0;
    TW_IDENTITY app, source;
};

// The label of a native page, freeing the DIB.
inline std::string native_label(HGLOBAL dib) {
    std::string label = "<none>";
    size_t size = GlobalSize(dib);
    if (void *p = GlobalLock(dib)) {
        label = zelvirt::decode_label_from_dib(p, size).value_or("<unreadable>");
        GlobalUnlock(dib);
    }
    GlobalFree(dib);
    return label;
}

} // namespace vt

// Window classes, creation, destruction and window state.
#include "user_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

namespace {

struct CreateSeen {
    void *params = nullptr;
    std::string name, cls;
    HWND parent = 0;
    int cx = 0;
};
CreateSeen seen;

LRESULT CALLBACK create_inspector(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        auto *cs = reinterpret_cast<CREATESTRUCTA *>(lParam);
        seen = CreateSeen{cs->lpCreateParams, cs->lpszName, cs->lpszClass, cs->hwndParent, cs->cx};
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

TEST(Windows, DestroyedAndMadeUpHandlesAreRefused) {
    HWND hwnd = CreateWindowExA(0, "static", "x", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
    ASSERT_NE(hwnd, 0u);
    EXPECT_TRUE(IsWindow(hwnd));
    ASSERT_TRUE(DestroyWindow(hwnd));

    for (HWND bad : {hwnd, HWND(0), HWND(0x30ABCDEF), HWND(0x12345)}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(IsWindow(bad));
        SetLastError(0);
        EXPECT_FALSE(PostMessageA(bad == 0 ? HWND(0x30000000) : bad, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_FALSE(IsWindowEnabled(bad));
        char text[8] = "junk";
        EXPECT_EQ(GetWindowTextA(bad, text, sizeof text), 0);
        EXPECT_STREQ(text, "");
        EXPECT_EQ(GetWindowThreadProcessId(bad, nullptr), 0u);
    }
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), -1);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
}

TEST(Windows, CreationSendsCreateStructAndCanBeRefused) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = create_inspector;
    wc.lpszClassName = "ZelInspector";
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc.lpszClassName = "zelINSPECTOR";
    EXPECT_EQ(RegisterClassA(&wc), 0) << "class names ignore letter case";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));

    int param = 0;
    HWND parent = create_recording_window();
    HWND hwnd =
        CreateWindowExA(0, "zelinspector", "Hola", WS_CHILD, 1, 2, 30, 40, parent, 0, 0, &param);
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(seen.params, &param);
    EXPECT_EQ(seen.name, "Hola");
    EXPECT_EQ(seen.cls, "ZelInspector");
    EXPECT_EQ(seen.parent, parent);
    EXPECT_EQ(seen.cx, 30);

    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));

    message_log().clear();
    create_result = -1;
    EXPECT_EQ(create_recording_window(), 0u);
    create_result = 0;
    ASSERT_FALSE(message_log().empty());
    HWND refused = message_log().front().hwnd;
    EXPECT_EQ(logged_messages(refused),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(refused));

    EXPECT_FALSE(UnregisterClassA("ZelInspector", 0)) << "a window of the class is alive";
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(hwnd)) << "children die with their parent";
    EXPECT_TRUE(UnregisterClassA("ZelInspector", 0));
    EXPECT_EQ(CreateWindowExA(0, "ZelInspector", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
}

TEST(Windows, DestroyReachesChildrenAndDropsTheirMessagesAndTimers) {
    HWND parent = create_recording_window();
    HWND child = create_recording_window(parent, WS_CHILD);
    ASSERT_NE(child, 0u);
    PostMessageA(parent, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);
    PostMessageA(0, WM_USER + 3, 0, 0);
    ASSERT_NE(SetTimer(child, 5, 10, nullptr), 0u);

    message_log().clear();
    ASSERT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> order;
    for (auto &e : message_log())
        order.emplace_back(e.hwnd, e.msg);
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{parent, WM_DESTROY},
                                                         {child, WM_DESTROY},
                                                         {child, WM_NCDESTROY},
                                                         {parent, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(child));

    usleep(50 * 1000); // the timer would be due by now
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3)) << "only the thread message survives";
    EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
}

TEST(Windows, EnableWindowReportsThePreviousDisabledState) {
    HWND hwnd = create_recording_window();
    message_log().clear();
    EXPECT_EQ(EnableWindow(hwnd, FALSE), FALSE) << "was enabled";
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_NE(EnableWindow(hwnd, FALSE), FALSE) << "was disabled";
    EXPECT_NE(EnableWindow(hwnd, TRUE), FALSE) << "was disabled";
    EXPECT_EQ(EnableWindow(hwnd, TRUE), FALSE) << "was enabled";
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    std::vector<std::pair<UINT, WPARAM>> sent;
    for (auto &e : message_log())
        sent.emplace_back(e.msg, e.wParam);
    EXPECT_EQ(sent, (std::vector<std::pair<UINT, WPARAM>>{{WM_ENABLE, FALSE}, {WM_ENABLE, TRUE}}))
        << "WM_ENABLE only when the state changes";

    HWND disabled = create_recording_window(0, WS_DISABLED);
    EXPECT_FALSE(IsWindowEnabled(disabled));
    EXPECT_FALSE(IsWindowVisible(disabled));
    EXPECT_FALSE(ShowWindow(disabled, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(disabled));
    EXPECT_TRUE(ShowWindow(disabled, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(disabled));
}

TEST(Windows, TextClassParentAndThread) {
    HWND owner = create_recording_window();
    HWND popup = create_recording_window(owner, WS_POPUP);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, popup, 0, 0, nullptr);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(GetParent(child), popup);
    EXPECT_EQ(GetParent(popup), owner);
    EXPECT_EQ(GetParent(owner), 0u);

    ASSERT_TRUE(SetWindowTextA(owner, "Digitalizaci\xF3n"));
    char text[32];
    EXPECT_EQ(GetWindowTextA(owner, text, sizeof text), 14);
    EXPECT_STREQ(text, "Digitalizaci\xF3n");
    EXPECT_EQ(GetWindowTextA(owner, text, 5), 4) << "truncated, still terminated";
    EXPECT_STREQ(text, "Digi");
    EXPECT_EQ(SendMessageA(owner, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 14);

    EXPECT_EQ(GetClassNameA(child, text, sizeof text), 6);
    EXPECT_STREQ(text, "STATIC");
    DWORD pid = 0;
    EXPECT_NE(GetWindowThreadProcessId(owner, &pid), 0u);
    EXPECT_EQ(pid, DWORD(getpid()));

    EXPECT_EQ(FindWindowA("zelrecording", "DIGITALIZACI\xD3N"), owner)
        << "case ignored, accented letters too";
    PostMessageA(owner, WM_CLOSE, 0, 0);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, owner, 0, 0), 1);
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(owner)) << "WM_CLOSE destroys by default";
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(FindWindowA(nullptr, "Digitalizaci\xF3n"), 0u);
}

// The desktop shared between processes: registered messages, finding and
// posting to windows of another process, records of dead processes.
#include "user_test_support.h"

#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>

namespace {

HWND parse_hwnd(const std::string &line) {
    unsigned value = 0;
    return std::sscanf(line.c_str(), "hwnd %x", &value) == 1 ? HWND(value) : 0;
}

} // namespace

TEST(Desktop, RegisteredMessagesAreSharedAndIgnoreCase) {
    UINT id = RegisterWindowMessageA("ZelVelisco.ClsEscanVelisco.PanelControl");
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("zelvelisco.clsescanvelisco.panelcontrol"), id);
    UINT other = RegisterWindowMessageA("Otro mensaje");
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, id);

    for (const char *name : {"ZELVELISCO.CLSESCANVELISCO.PANELCONTROL", "Otro mensaje"}) {
        Child child = spawn_child({"register", name});
        std::string line = read_line(child);
        EXPECT_EQ(wait_child(child), 0);
        EXPECT_EQ(std::strtoul(line.c_str(), nullptr, 10),
                  std::strcmp(name, "Otro mensaje") ? id : other)
            << name;
    }
    Child fresh = spawn_child({"register", "Nuevo"});
    UINT in_child = UINT(std::strtoul(read_line(fresh).c_str(), nullptr, 10));
    wait_child(fresh);
    EXPECT_EQ(RegisterWindowMessageA("NUEVO"), in_child) << "a name first registered elsewhere";

    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
    ZelPlat_FailRegisterWindowMessage(TRUE);
    EXPECT_EQ(RegisterWindowMessageA("Otro mensaje"), 0u);
    ZelPlat_FailRegisterWindowMessage(FALSE);
    EXPECT_EQ(RegisterWindowMessageA("Otro mensaje"), other);

    setenv("ZELPLAT_FAIL_REGISTERWINDOWMESSAGE", "1", 1);
    Child failing = spawn_child({"register", "Otro mensaje"});
    EXPECT_EQ(read_line(failing), "0");
    wait_child(failing);
    unsetenv("ZELPLAT_FAIL_REGISTERWINDOWMESSAGE");
}

TEST(Desktop, FindAndPostToAWindowOfAnotherProcess) {
    const char *title = "Velisco - HotKeys Corvalia";
    Child child = spawn_child({"window", "ThunderRT6FormDC", title, "2"});
    HWND remote = parse_hwnd(read_line(child));
    ASSERT_NE(remote, 0u);

    EXPECT_EQ(FindWindowA("ThunderRT6FormDC", title), remote);
    EXPECT_EQ(FindWindowA("thunderrt6formdc", "VELISCO - hotkeys corvalia"), remote);
    EXPECT_EQ(FindWindowA(nullptr, title), remote);
    EXPECT_EQ(FindWindowA("ThunderFormDC", title), 0u) << "wrong class";
    EXPECT_EQ(FindWindowA("ThunderRT6FormDC", "Velisco - HotKeys"), 0u) << "different title";
    EXPECT_TRUE(IsWindow(remote));
    char text[64];
    EXPECT_EQ(GetWindowTextA(remote, text, sizeof text), int(std::strlen(title)));
    EXPECT_STREQ(text, title);
    EXPECT_EQ(GetClassNameA(remote, text, sizeof text), 16);

    HWND local = create_recording_window();
    EXPECT_NE(local, remote) << "handles are unique on the desktop";

    UINT id = RegisterWindowMessageA("ZelVelisco.ClsEscanVelisco.PanelControl");
    ASSERT_TRUE(PostMessageA(remote, id, 0, 0));
    ASSERT_TRUE(PostMessageA(remote, WM_USER + 7, 0x1234, -2));
    char expected[64];
    std::snprintf(expected, sizeof expected, "got %x 0 0", id);
    EXPECT_EQ(read_line(child), expected);
    EXPECT_EQ(read_line(child), "got 407 1234 fffffffffffffffe");
    EXPECT_EQ(wait_child(child), 0);

    EXPECT_FALSE(IsWindow(remote)) << "the record leaves with its process";
    EXPECT_EQ(FindWindowA("ThunderRT6FormDC", title), 0u);
    EXPECT_FALSE(PostMessageA(remote, WM_USER, 0, 0));
}

TEST(Desktop, RecordOfADeadProcessIsIgnoredAndRemoved) {
    Child child = spawn_child({"abandon", "ThunderFormDC", "Abandonada"});
    HWND remote = parse_hwnd(read_line(child));
    ASSERT_NE(remote, 0u);
    EXPECT_EQ(wait_child(child), 128 + SIGKILL);

    char name[16];
    std::snprintf(name, sizeof name, "%08x", unsigned(remote));
    auto record = std::filesystem::path(desktop_folder()) / "windows" / name;
    ASSERT_TRUE(std::filesystem::exists(record)) << "the killed process left its record";

    EXPECT_EQ(FindWindowA("ThunderFormDC", "Abandonada"), 0u);
    EXPECT_FALSE(IsWindow(remote));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(remote, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(std::filesystem::exists(record));
}

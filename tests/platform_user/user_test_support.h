// Shared helpers of the window and message tests: a fresh desktop per test
// process, a recording window class and child processes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <sys/types.h>
#include <vector>

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message the recording class's procedure received, in order.
std::vector<Logged> &message_log();
std::vector<UINT> logged_messages(HWND hwnd);

// Registers (once) a class whose procedure logs and then defers to
// DefWindowProcA; WM_CREATE returns create_result.
const char *recording_class();
extern LRESULT create_result;
HWND create_recording_window(HWND parent = 0, DWORD style = WS_OVERLAPPEDWINDOW);

// The desktop folder of this test process.
std::string desktop_folder();

struct Child {
    pid_t pid = -1;
    FILE *out = nullptr;
};
// Starts the helper program with the given arguments and this process's
// environment (so with the same desktop); its stdout is readable.
Child spawn_child(const std::vector<std::string> &args);
std::string read_line(Child &child);
int wait_child(Child &child);

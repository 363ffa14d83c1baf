// A second process of the desktop for the tests.
//   register NAME              prints the id RegisterWindowMessageA gives NAME
//   window CLASS TITLE COUNT   creates a top-level window, prints "hwnd XXXXXXXX",
//                              then prints "got MSG WPARAM LPARAM" (hex) for each of
//                              the first COUNT messages from WM_USER up and exits
//   abandon CLASS TITLE        creates a window, prints its handle and dies by
//                              SIGKILL, leaving its desktop record behind
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int remaining = 0;

LRESULT CALLBACK report_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) {
        std::printf("got %x %llx %llx\n", msg, (unsigned long long)wParam,
                    (unsigned long long)lParam);
        std::fflush(stdout);
        if (--remaining <= 0)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND create_window(const char *cls, const char *title) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = report_proc;
    wc.lpszClassName = cls;
    if (!RegisterClassA(&wc))
        return 0;
    HWND hwnd = CreateWindowExA(0, cls, title, WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, 0, 0, 0, nullptr);
    std::printf("hwnd %08x\n", unsigned(hwnd));
    std::fflush(stdout);
    return hwnd;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "register") == 0) {
        std::printf("%u\n", RegisterWindowMessageA(argv[2]));
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "window") == 0) {
        remaining = std::atoi(argv[4]);
        if (!create_window(argv[2], argv[3]))
            return 2;
        MSG msg;
        while (GetMessageA(&msg, 0, 0, 0) > 0)
            DispatchMessageA(&msg);
        return remaining <= 0 ? 0 : 3;
    }
    if (argc == 4 && std::strcmp(argv[1], "abandon") == 0) {
        if (!create_window(argv[2], argv[3]))
            return 2;
        std::raise(SIGKILL);
    }
    return 1;
}

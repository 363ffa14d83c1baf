#include "user_test_support.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

extern char **environ;

LRESULT create_result = 0;

namespace {

std::string folder;

// Each test process (CTest runs one case per process) gets a desktop of its
// own, set before the first window is created.
class FreshDesktop : public ::testing::Environment {
  public:
    void SetUp() override {
        char path[] = "/tmp/zelplat-user-test-XXXXXX";
        ASSERT_NE(mkdtemp(path), nullptr);
        folder = path;
        setenv("ZELPLAT_DESKTOP", path, 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const auto *registered = ::testing::AddGlobalTestEnvironment(new FreshDesktop);

LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    message_log().push_back(Logged{hwnd, msg, wParam, lParam});
    if (msg == WM_CREATE)
        return create_result;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

std::vector<Logged> &message_log() {
    static std::vector<Logged> log;
    return log;
}

std::vector<UINT> logged_messages(HWND hwnd) {
    std::vector<UINT> found;
    for (auto &entry : message_log())
        if (entry.hwnd == hwnd)
            found.push_back(entry.msg);
    return found;
}

const char *recording_class() {
    static const bool done = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = recording_proc;
        wc.lpszClassName = "ZelRecording";
        return RegisterClassA(&wc) != 0;
    }();
    return done ? "ZelRecording" : nullptr;
}

HWND create_recording_window(HWND parent, DWORD style) {
    return CreateWindowExA(0, recording_class(), "Recorder", style, 0, 0, 100, 100, parent, 0, 0,
                           nullptr);
}

std::string desktop_folder() {
    return folder;
}

Child spawn_child(const std::vector<std::string> &args) {
    Child child;
    int fds[2];
    if (pipe(fds) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char *> argv{const_cast<char *>(ZEL_USER_CHILD)};
    for (auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&child.pid, ZEL_USER_CHILD, &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fdopen(fds[0], "r");
    return child;
}

std::string read_line(Child &child) {
    char line[256];
    if (!child.out || !std::fgets(line, sizeof line, child.out))
        return "";
    std::string text = line;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

int wait_child(Child &child) {
    int status = 0;
    if (child.out)
        std::fclose(child.out);
    child.out = nullptr;
    if (child.pid <= 0 || waitpid(child.pid, &status, 0) != child.pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starting programs as the launcher does, and waiting for them.
#include "kernel_test_util.h"

#include <sys/stat.h>
#include <vector>

using kernel_test::host;

namespace {

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return lines;
}

// What the child reported: its argv, its command line and its show state.
struct Report {
    std::vector<std::string> argv;
    std::string command_line;
    std::string show;
};

class Processes : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = kernel_test::fresh_folder("process");
        report = host(folder) + "/report.txt";
        setenv("KERNEL_CHILD_REPORT", report.c_str(), 1);
        unsetenv("KERNEL_CHILD_EXIT");
    }

    // Copies the child program to a Windows path of the test folder.
    std::string install_child(const std::string &relative) {
        std::string windows = folder + "\\" + relative;
        std::string target = host(windows);
        std::string command =
            "mkdir -p \"$(dirname '" + target + "')\" && cp '" KERNEL_CHILD "' '" + target + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return windows;
    }

    // Starts a program and waits for its end; its exit code.
    DWORD run(const char *application, std::string command_line, WORD show = 0,
              bool use_show = false) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (use_show) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = show;
        }
        PROCESS_INFORMATION info{};
        std::vector<char> line(command_line.begin(), command_line.end());
        line.push_back('\0');
        EXPECT_TRUE(CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &info))
            << GetLastError();
        EXPECT_NE(info.hProcess, 0u);
        EXPECT_GT(info.dwProcessId, 0u);
        EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
        DWORD code = 12345;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_TRUE(CloseHandle(info.hThread));
        EXPECT_TRUE(CloseHandle(info.hProcess));
        return code;
    }

    Report read_report() {
        Report r;
        auto lines = lines_of(kernel_test::read_text(report));
        if (lines.empty())
            return r;
        size_t argc = std::stoul(lines[0]);
        if (lines.size() != argc + 3)
            return r;
        r.argv.assign(lines.begin() + 1, lines.begin() + 1 + long(argc));
        r.command_line = lines[argc + 1];
        r.show = lines[argc + 2];
        return r;
    }

    std::string folder;
    std::string report;
};

TEST_F(Processes, MissingProgramFailsWithAnExplainedError) {
    PROCESS_INFORMATION info{};
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string program = folder + "\\ZelHotKeysExp.exe";
    char line[] = "\"ZelHotKeysExp.exe\" -pc";
    EXPECT_FALSE(CreateProcessA(program.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info));
    DWORD error = GetLastError();
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    char text[256];
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof text, nullptr),
              0u);
    EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");

    char searched[] = "NoSuchProgramForKernelTests -pc";
    EXPECT_FALSE(CreateProcessA(nullptr, searched, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    std::string in_missing_folder = folder + "\\no such folder\\ZelHotKeysExp.exe";
    EXPECT_FALSE(CreateProcessA(in_missing_folder.c_str(), line, nullptr, nullptr, FALSE, 0,
                                nullptr, nullptr, &startup, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(info.hProcess, 0u);
}

TEST_F(Processes, QuotedPathWithBlanksGetsTheSwitch) {
    std::string program = install_child("Mis Programas\\ZelHotKeysExp.exe");
    std::string line = "\"" + program + "\" -pc";

    // As the launcher starts it: the path given on its own as well.
    EXPECT_EQ(run(program.c_str(), line, 1, true), 0u);
    Report r = read_report();
    ASSERT_EQ(r.argv.size(), 2u);
    EXPECT_EQ(r.argv[1], "-pc");
    EXPECT_EQ(r.command_line, line);
    EXPECT_EQ(r.show, "1");

    // The program found from the command line alone.
    std::remove(report.c_str());
    EXPECT_EQ(run(nullptr, line), 0u);
    r = read_report();
    ASSERT_EQ(r.argv.size(), 2u);
    EXPECT_EQ(r.argv[1], "-pc");
    EXPECT_EQ(r.command_line, line);
    EXPECT_EQ(r.show, "10"); // SW_SHOWDEFAULT without STARTF_USESHOWWINDOW
}

TEST_F(Processes, UnquotedPathWithBlanksIsFoundPrefixByPrefix) {
    std::string program = install_child("Hot Keys\\Zel.exe");
    std::string line = program + " -pc";
    EXPECT_EQ(run(nullptr, line), 0u);
    Report r = read_report();
    // Windows splits the unquoted name at its blank, as the child sees it.
    ASSERT_EQ(r.argv.size(), 3u);
    EXPECT_EQ(r.argv[2], "-pc");
}

TEST_F(Processes, ArgumentsSplitByWindowsRules) {
    std::string line = "child \"a b\" c\\\"d \"e\\\\\" \"\"\"x\"\"\" \\\\server\\\\ \"\"";
    EXPECT_EQ(run(KERNEL_CHILD, line), 0u);
    Report r = read_report();
    std::vector<std::string> expected = {"child",          "a b", "c\"d", "e\\", "\"x\"",
                                         "\\\\server\\\\", ""};
    EXPECT_EQ(r.argv, expected);
    EXPECT_EQ(r.command_line, line);
}

TEST_F(Processes, ExitCodeWaitAndHandles) {
    setenv("KERNEL_CHILD_EXIT", "7", 1);
    EXPECT_EQ(run(KERNEL_CHILD, "child"), 7u);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char line[] = "child --sleep";
    ASSERT_TRUE(CreateProcessA(KERNEL_CHILD, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 259u); // STILL_ACTIVE
    EXPECT_EQ(WaitForSingleObject(info.hThread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_FALSE(CloseHandle(info.hProcess));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_FAILED);
    EXPECT_FALSE(GetExitCodeProcess(info.hProcess, &code));
}

TEST_F(Processes, FilesThatCannotRunAreReportedAtOnce) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char line[] = "x";

    std::string plain = folder + "\\plain.exe";
    kernel_test::write_text(host(plain), "text");
    chmod(host(plain).c_str(), 0644);
    EXPECT_FALSE(CreateProcessA(plain.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

    std::string garbage = folder + "\\garbage.exe";
    kernel_test::write_text(host(garbage), std::string("MZ\x90\0\x03", 5));
    chmod(host(garbage).c_str(), 0755);
    EXPECT_FALSE(CreateProcessA(garbage.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(WinExec(("\"" + garbage + "\"").c_str(), 1), 11u); // ERROR_BAD_FORMAT, below 32
}

TEST_F(Processes, WinExecStartsWithAShowState) {
    std::string program = install_child("Win Exec\\child.exe");
    UINT result = WinExec(("\"" + program + "\" -pc").c_str(), 3);
    EXPECT_GT(result, 31u);
    // The child runs on its own; wait for its report to appear.
    Report r;
    for (int i = 0; i < 1000 && r.argv.empty(); ++i) {
        Sleep(10);
        r = read_report();
    }
    ASSERT_EQ(r.argv.size(), 2u);
    EXPECT_EQ(r.argv[1], "-pc");
    EXPECT_EQ(r.show, "3");

    EXPECT_EQ(WinExec("NoSuchProgramForKernelTests", 1), UINT(ERROR_FILE_NOT_FOUND));
}

TEST_F(Processes, CommandLineOfAProgramNotStartedByTheLayer) {
    // A command line inherited from an ancestor does not describe a program
    // that was started some other way: it sees its own arguments.
    std::string command = "ZELPLAT_COMMAND_LINE='other.exe -x' '" KERNEL_CHILD "' 'a b' -pc";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Report r = read_report();
    ASSERT_EQ(r.argv.size(), 3u);
    EXPECT_EQ(r.command_line, std::string(KERNEL_CHILD) + " \"a b\" -pc");

    std::string own = GetCommandLineA();
    EXPECT_NE(own.find("platform_kernel_tests"), std::string::npos);
}

} // namespace

namespace {

TEST(KernelHandles, ModulesAndProcessesNeverShareAValue) {
    // Both kinds of object live in Kernel tables; a handle of one must not
    // be taken for the other.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char line[] = "child";
    unsetenv("KERNEL_CHILD_REPORT");
    ASSERT_TRUE(CreateProcessA(KERNEL_CHILD, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    HMODULE module = LoadLibraryA(KERNEL_TEST_MODULE);
    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_NE(module, 0u);
    EXPECT_NE(module, info.hProcess);
    EXPECT_NE(module, info.hThread);
    EXPECT_NE(self, info.hProcess);
    EXPECT_NE(self, info.hThread);
    EXPECT_FALSE(FreeLibrary(info.hProcess));
    EXPECT_FALSE(CloseHandle(module));
    EXPECT_EQ(WaitForSingleObject(module, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(FreeLibrary(module));
}

} // namespace

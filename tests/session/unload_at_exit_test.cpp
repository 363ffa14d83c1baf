// The library's unload hook, observed from outside in a child process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>

#include "scenario_file.h"

extern char **environ;

TEST(UnloadAtExit, ManagerIsClosedAndUnloadedWhenTheHostExits) {
    zeltest::UseScenario(zeltest::kThreeScanners);
    setenv("ZELPLAT_DEBUG_ECHO", "1", 1);
    std::string log = testing::TempDir() + "exit_child_" + std::to_string(getpid()) + ".log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string program = ZEL_EXIT_CHILD;
    char *argv[] = {program.data(), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    std::string out = text.str();
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), 0) << out;
    size_t enabled = out.find("enabled, state 5");
    ASSERT_NE(enabled, std::string::npos) << out;
    // After main returned: disabled, closed, manager closed, unloaded.
    std::string after = out.substr(enabled);
    size_t s4 = after.find("ZELW:State 4");
    size_t s3 = after.find("ZELW:State 3");
    size_t s2 = after.find("ZELW:State 2");
    size_t s1 = after.find("ZELW:State 1");
    ASSERT_NE(s1, std::string::npos) << out;
    EXPECT_LT(s4, s3);
    EXPECT_LT(s3, s2);
    EXPECT_LT(s2, s1);
}

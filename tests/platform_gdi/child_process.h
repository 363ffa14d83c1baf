// Runs a function in a forked child with stdin at /dev/null and stderr
// captured, so that the default (no terminal) behaviour can be observed.
#pragma once

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct ChildResult {
    int exit_code = -1;
    std::string stderr_text;
};

template <typename F> ChildResult run_without_terminal(F body) {
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, STDIN_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        _exit(body() & 0xFF);
    }
    close(fds[1]);
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        result.stderr_text.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    return result;
}

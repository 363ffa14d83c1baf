// Prompts on stderr, answers from stdin.
#include "terminal.h"

#include <cstdio>
#include <unistd.h>

namespace zelplat {

bool terminal_is_interactive() {
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

bool terminal_ask(const std::string &prompt, std::string &answer) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    answer.clear();
    for (;;) {
        int c = std::fgetc(stdin);
        if (c == EOF)
            return !answer.empty() && !std::ferror(stdin);
        if (c == '\n')
            break;
        answer += char(c);
    }
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return true;
}

} // namespace zelplat

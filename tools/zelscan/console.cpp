#include "console.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define ZELSCAN_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define ZELSCAN_ISATTY(fd) isatty(fd)
#endif

namespace zelscan {

bool ConsoleIsInteractive() {
    return ZELSCAN_ISATTY(0) && ZELSCAN_ISATTY(2);
}

// On Windows the progress line is rewritten with the terminal's escape
// sequences, which a console takes only when asked to.
void PrepareConsole() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(error, &mode))
        SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#endif
}

bool ErrorStreamIsTerminal() {
    return ZELSCAN_ISATTY(2);
}

bool AskLine(const std::string &prompt, std::string &answer) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    answer.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        answer += char(c);
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return c != EOF || !answer.empty();
}

} // namespace zelscan

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

#ifdef _WIN32
// A console hands typed text over as UTF-16 through ReadConsoleW, whatever
// its code page: its byte interface turns what the code page lacks (an
// accented letter under an OEM page) into '?'.  Ctrl+Z at the start of a
// line ends the input, as for a C stream.
bool ReadConsoleLine(HANDLE input, std::string &answer) {
    std::wstring line;
    wchar_t c = 0;
    DWORD n = 0;
    bool newline = false;
    while (!newline && ReadConsoleW(input, &c, 1, &n, nullptr) && n == 1) {
        newline = c == L'\n';
        if (!newline)
            line += c;
    }
    if (!line.empty() && line.back() == L'\r')
        line.pop_back();
    if (!line.empty() && line.front() == L'\x1A')
        return false;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr,
                                    nullptr);
    answer.assign(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), answer.data(), bytes, nullptr,
                        nullptr);
    return newline || !answer.empty();
}
#endif

bool AskLine(const std::string &prompt, std::string &answer) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    answer.clear();
#ifdef _WIN32
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode))
        return ReadConsoleLine(input, answer);
#endif
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        answer += char(c);
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return c != EOF || !answer.empty();
}

} // namespace zelscan

// The terminal zelscan talks to: whether a person is there, and asking them.
#pragma once

#include <string>

namespace zelscan {

// True when stdin and stderr are both terminals.
bool ConsoleIsInteractive();

// Makes the console show UTF-8 (Windows consoles start in an OEM code page)
// and take the escape sequences of the progress line.
void PrepareConsole();

// True when stderr is a terminal (for the live progress line).
bool ErrorStreamIsTerminal();

// Writes the prompt (UTF-8) to stderr and reads one line from stdin, without
// its line break.  False at the end of input.
bool AskLine(const std::string &prompt, std::string &answer);

} // namespace zelscan

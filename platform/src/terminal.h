// The interactive terminal behind the default message boxes and file
// dialogs: present only when both stdin and stderr are terminals.
#pragma once

#include <string>

namespace zelplat {

bool terminal_is_interactive();

// Writes the prompt to stderr and reads one line from stdin, without its
// line break.  False at end of input or on a read error.
bool terminal_ask(const std::string &prompt, std::string &answer);

} // namespace zelplat

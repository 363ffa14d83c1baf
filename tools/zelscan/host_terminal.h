// The terminal side of the library's boxes and file dialogs, the same on
// every system: what is shown, what is asked, and what the log records.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host_platform.h"

namespace zelscan {

// Records the box (caption "TWAIN Error": an error, else a notice) and shows
// it on stderr; waits for Enter unless answerAtOnce or nobody is at a
// terminal.  The caller then answers it with its first button.
void ShowBox(HostLog &log, bool answerAtOnce, const std::string &caption, const std::string &text);

// Shows a box on stderr, without waiting.
void EchoBox(const std::string &caption, const std::string &text);

// Asks on the terminal for the name of the file dialog `title`, listing the
// descriptions of its file types (cp1252).  Records the name or the cancel
// in the log and hands the name to log.on_dialog_name.  Nothing: cancelled
// (an empty line, the end of input, or a name longer than maxLength).
std::optional<std::string> AskFileName(HostLog &log, const std::string &title,
                                       const std::vector<std::string> &types, size_t maxLength);

} // namespace zelscan

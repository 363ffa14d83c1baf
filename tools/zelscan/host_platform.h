// What a host sees of the library beyond its exports, reached differently
// through this system's platform layer and on Windows: the library's debug
// output, its message boxes and file dialogs, and where a Windows path lies.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelscan {

// What the boxes and dialogs of one run said and were answered.
struct HostLog {
    std::vector<std::string> error_boxes;   // texts of "TWAIN Error" boxes (cp1252)
    std::vector<std::string> notice_boxes;  // texts of other boxes (cp1252)
    std::optional<std::string> dialog_name; // the name typed in the last file dialog (cp1252)
    bool dialog_cancelled = false;
    std::function<void(const std::string &)> on_debug_line;
    std::function<void(const std::string &)> on_dialog_name; // called with the typed name
};

// Routes the library's message boxes and file dialogs to the terminal (or,
// with answerAtOnce, answers every box with its first button without
// waiting) and hands its debug output to log.on_debug_line, each string as
// the library wrote it.  The library shows its boxes and writes its lines
// on the thread that called the export; on Windows only that thread (the
// one that installs the hooks) is watched.
void InstallHostHooks(HostLog &log, bool answerAtOnce);
void RemoveHostHooks();

// Whether log.on_debug_line is ever called on this system.
bool HostSeesDebugOutput();

// The file a Windows path (cp1252) names, as this program opens it.
std::string HostPath(const std::string &windowsPath);

} // namespace zelscan

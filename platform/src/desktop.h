// The desktop shared by the processes of one user: desktop-wide window
// handles, the records of top-level windows, the registered message table
// and per-process sockets that carry posted messages between processes.
// docs/desktop.md describes the folder.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelplat::desktop {

// The desktop folder, created on first use; empty when it cannot be used.
const std::string &folder();

// A new window serial, unique on the desktop; 0 when the desktop is unusable.
uint32_t allocate_window_serial();

struct Record {
    HWND hwnd = 0;
    DWORD pid = 0;
    DWORD thread_id = 0;
    std::string class_name;
    std::string title;
};

// Writes (or rewrites) the record of a top-level window of this process and
// starts listening for messages posted to it by other processes.
void publish(const Record &record);
void unpublish(HWND hwnd);

// The record of a window of another live process.
std::optional<Record> find_remote(HWND hwnd);
// Records of top-level windows of other live processes; records of dead
// processes are deleted on the way.
std::vector<Record> remote_records();

// Sends a posted message to the process that owns the record; a Win32
// error code, NO_ERROR on success.
DWORD post_remote(const Record &record, UINT msg, WPARAM wParam, LPARAM lParam);

// Rewrites the record of a published window (after a title change); does
// nothing once the window is unpublished.
void update(const Record &record);

// Runs f with an exclusive lock on the named file of the desktop folder
// (opened read-write, created if missing); false when that is impossible.
bool with_locked_file(const char *name, const std::function<void(int fd)> &f);

// Whole contents of an open file, at most limit bytes; false on error.
bool read_all(int fd, std::string &out, size_t limit);

// Text fields of desktop files: bytes below 0x20, 0x7F and '%' are written
// as %XX so that a field stays on one line; every other cp1252 byte as is.
std::string escape_field(const std::string &text);
bool unescape_field(const std::string &text, std::string &out);

} // namespace zelplat::desktop

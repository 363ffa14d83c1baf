// Windows paths on the host's file system.
//
//   "C:\dir\file", "c:/dir/file"  ->  <drives>/c/dir/file
//   "C:" and "C:\"                ->  <drives>/c
//   "dir\file"                    ->  dir/file (relative to the current folder)
//   "/abs/path", "\abs\path"      ->  /abs/path
//
// <drives> is the environment variable ZELPLAT_DRIVES or, when it is unset,
// "<TMPDIR or /tmp>/zelplat-<uid>/drives"; a drive's folder is created the
// first time a path names it.  Both separators are accepted.  Below a drive,
// "." and ".." are resolved as Windows does (".." stops at the drive's
// root).  As on Windows, names are matched without regard to case: when a
// path does not exist as written, each missing component is looked up in
// its folder ignoring ASCII case, and the existing spelling is used.
#pragma once

#include <string>

namespace zelplat {

// The host path for a Windows path; "" for a null pointer.
std::string host_path(const char *windows_path);

// The folder that holds the drive folders, created when missing.
std::string drives_root();

// The host's temporary folder: TMPDIR, else /tmp, without a trailing '/'.
std::string temp_folder();

// Creates the folder and its missing parents; false when that fails.
bool make_folders(const std::string &path);

} // namespace zelplat

// Win32 error codes the layer reports beyond those of winbase.h, and the
// translation of POSIX errno values into Win32 codes.
#pragma once

#include <windows.h>

namespace zelplat {

constexpr DWORD kErrorNoMoreFiles = 18;
constexpr DWORD kErrorBufferOverflow = 111;
constexpr DWORD kErrorDiscarded = 157;
constexpr DWORD kErrorAlreadyExists = 183;
constexpr DWORD kErrorFilenameTooLong = 206;
constexpr DWORD kErrorDirectory = 267;
constexpr DWORD kErrorMessageNotFound = 317; // ERROR_MR_MID_NOT_FOUND
constexpr DWORD kErrorNegativeSeek = 131;

// The Win32 code for errno `err`.  ENOENT becomes ERROR_FILE_NOT_FOUND;
// callers that know the folder is missing report ERROR_PATH_NOT_FOUND.
DWORD win32_error_from_errno(int err);

} // namespace zelplat

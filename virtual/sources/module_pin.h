// Where the source library lies, and keeping it loaded.
#pragma once

#include <string>

namespace zelvirt {

// Keeps this library in memory for the rest of the process, so that the
// devices (their paper) outlive FreeLibrary of the source by the manager
// and of the manager by the application, as a real device's state does.
void pin_module();

// The host path of this library's file; empty when unknown.
std::string module_path();

} // namespace zelvirt

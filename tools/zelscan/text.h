// The library speaks code page 1252; the terminal and JSON speak UTF-8.
#pragma once

#include <string>

namespace zelscan {

std::string Cp1252ToUtf8(const std::string &text);

// False when the text has characters code page 1252 cannot hold; `out` then
// holds '?' in their place.
bool Utf8ToCp1252(const std::string &text, std::string &out);

} // namespace zelscan

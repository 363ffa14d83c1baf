// Conversions between the system's narrow strings (Windows code page 1252)
// and the UTF-8 that a POSIX terminal shows and types.
#pragma once

#include <string>
#include <string_view>

namespace zelplat {

// How control characters are written when a text is shown.
enum class LineBreaks {
    Keep,   // a terminal box: line feeds stay, carriage returns are dropped
    Escape, // a one-line log: line feeds and carriage returns become \n and \r
};

// The cp1252 text as UTF-8 for display.  Bytes that cp1252 leaves undefined
// become U+FFFD and other control characters are written as \xNN, so that a
// message can neither break a one-line log nor send escape sequences to a
// terminal.
std::string cp1252_to_display(std::string_view text, LineBreaks breaks);

// UTF-8 typed at a terminal as cp1252.  Characters that cp1252 cannot hold
// and malformed sequences become '?'; false tells the caller that happened.
bool utf8_to_cp1252(std::string_view utf8, std::string &out);

} // namespace zelplat

// Windows command lines: splitting into arguments and quoting them back.
#pragma once

#include <string>
#include <vector>

namespace zelplat {

// The arguments of a command line by the rules of CommandLineToArgvW: the
// program name ends at the closing quote or the first blank, without
// backslash escapes; then blanks separate arguments, quotes group them,
// 2n backslashes before a quote give n backslashes and a grouping quote,
// 2n+1 give n backslashes and a literal quote, and a third quote in a row
// gives a literal quote.
std::vector<std::string> split_command_line(const std::string &line);

// The command line whose split gives `args` back.
std::string join_command_line(const std::vector<std::string> &args);

// The names a command line may start with, in the order Windows tries them:
// a quoted name alone, else each prefix that ends before a blank and
// finally the whole line ("a b c" -> "a", "a b", "a b c").
std::vector<std::string> program_name_candidates(const std::string &line);

} // namespace zelplat

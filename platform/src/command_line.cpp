// Windows command lines (see command_line.h).
#include "command_line.h"

namespace zelplat {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The program name at the start of a line; `pos` ends past it.
std::string program_name(const std::string &line, size_t &pos) {
    pos = 0;
    std::string name;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        pos = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (pos < line.size() && !is_blank(line[pos]))
            name += line[pos++];
    }
    return name;
}

} // namespace

std::vector<std::string> split_command_line(const std::string &line) {
    std::vector<std::string> args;
    size_t pos = 0;
    args.push_back(program_name(line, pos));

    std::string current;
    bool in_argument = false;
    int quotes = 0; // odd while inside a quoted part
    size_t backslashes = 0;
    for (; pos < line.size(); ++pos) {
        char c = line[pos];
        if (is_blank(c) && quotes == 0) {
            if (in_argument)
                args.push_back(current);
            current.clear();
            in_argument = false;
            backslashes = 0;
            continue;
        }
        in_argument = true;
        if (c == '\\') {
            current += c;
            ++backslashes;
            continue;
        }
        if (c != '"') {
            current += c;
            backslashes = 0;
            continue;
        }
        current.resize(current.size() - backslashes / 2);
        if (backslashes % 2)
            current.back() = '"'; // the odd backslash escapes the quote
        else
            ++quotes;
        backslashes = 0;
        while (pos + 1 < line.size() && line[pos + 1] == '"') {
            ++pos;
            if (++quotes == 3) {
                current += '"';
                quotes = 0;
            }
        }
        if (quotes == 2)
            quotes = 0;
    }
    if (in_argument)
        args.push_back(current);
    return args;
}

namespace {

// One argument quoted so that split_command_line reads it back.
std::string quote(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

} // namespace

std::string join_command_line(const std::vector<std::string> &args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i)
            line += ' ';
        // The program name has no escapes: it is quoted only for blanks.
        if (i == 0)
            line +=
                args[0].find_first_of(" \t") == std::string::npos ? args[0] : "\"" + args[0] + "\"";
        else
            line += quote(args[i]);
    }
    return line;
}

std::vector<std::string> program_name_candidates(const std::string &line) {
    size_t start = 0;
    while (start < line.size() && is_blank(line[start]))
        ++start;
    std::string rest = line.substr(start);
    if (!rest.empty() && rest[0] == '"') {
        size_t pos;
        return {program_name(rest, pos)};
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < rest.size(); ++i)
        if (is_blank(rest[i]) && i > 0 && !is_blank(rest[i - 1]))
            names.push_back(rest.substr(0, i));
    size_t end = rest.find_last_not_of(" \t");
    if (end != std::string::npos)
        names.push_back(rest.substr(0, end + 1));
    return names;
}

} // namespace zelplat

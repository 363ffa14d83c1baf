// FormatMessageA: the English texts of the system's error codes, or a
// caller's template, with %1..%99 inserts and the %n-style escapes.
#include "win_errors.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kArgumentArray = 0x00002000; // FORMAT_MESSAGE_ARGUMENT_ARRAY

struct SystemMessage {
    DWORD code;
    const char *text;
};

// The texts Windows gives for the codes the layer reports.
constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, "Incorrect function.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY,
     "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_OUTOFMEMORY,
     "Not enough memory resources are available to complete this operation.\r\n"},
    {zelplat::kErrorNoMoreFiles, "There are no more files.\r\n"},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_FILE_EXISTS, "The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {zelplat::kErrorBufferOverflow, "The file name is too long.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\r\n"},
    {zelplat::kErrorNegativeSeek,
     "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {zelplat::kErrorDiscarded, "The segment is already discarded and cannot be locked.\r\n"},
    {ERROR_NOT_LOCKED, "The segment is already unlocked.\r\n"},
    {zelplat::kErrorAlreadyExists, "Cannot create a file when that file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
    {zelplat::kErrorFilenameTooLong, "The filename or extension is too long.\r\n"},
    {zelplat::kErrorDirectory, "The directory name is invalid.\r\n"},
    {zelplat::kErrorMessageNotFound,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle.\r\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, "Class already exists.\r\n"},
    {ERROR_CLIPBOARD_NOT_OPEN, "Thread does not have a clipboard open.\r\n"},
};

const char *system_message(DWORD code) {
    for (const auto &m : kSystemMessages)
        if (m.code == code)
            return m.text;
    return nullptr;
}

// The insert number after '%' (1-99), or 0 when the text there is none.
int insert_number(const char *&p) {
    if (*p < '1' || *p > '9')
        return 0;
    int n = *p++ - '0';
    if (*p >= '0' && *p <= '9')
        n = n * 10 + (*p++ - '0');
    return n;
}

// The printf conversion of an insert ("!d!" after the number), 's' by
// default.  Only the conversions wsprintfA knows are taken.
char insert_conversion(const char *&p) {
    if (*p != '!')
        return 's';
    const char *close = std::strchr(p + 1, '!');
    if (!close || close - p != 2 || !std::strchr("sdiuxXc", p[1]))
        return 's';
    char c = p[1];
    p = close + 1;
    return c;
}

// The values of inserts 1..count, read once in order from the caller's
// arguments; each is kept as a formatted string.
class Inserts {
  public:
    Inserts(const std::string &text, DWORD flags, va_list *arguments) {
        std::vector<char> types(100, 0);
        int count = 0;
        for (const char *p = text.c_str(); (p = std::strchr(p, '%'));) {
            ++p;
            if (*p == '%') {
                ++p;
                continue;
            }
            int n = insert_number(p);
            if (n) {
                types[n] = insert_conversion(p);
                count = n > count ? n : count;
            }
        }
        if (count == 0)
            return;
        if (!arguments) {
            missing_ = true;
            return;
        }
        read(types, count, flags, arguments);
    }

    bool missing() const { return missing_; }
    const std::string &value(int n) const { return values_[n]; }

  private:
    void read(const std::vector<char> &types, int count, DWORD flags, va_list *arguments) {
        values_.assign(count + 1, std::string());
        va_list args;
        if (!(flags & kArgumentArray))
            va_copy(args, *arguments);
        auto array = reinterpret_cast<const DWORD_PTR *>(arguments);
        for (int n = 1; n <= count; ++n) {
            char type = types[n] ? types[n] : 's';
            char out[1024];
            char pattern[3] = {'%', type, 0};
            if (type == 's') {
                auto s = (flags & kArgumentArray) ? reinterpret_cast<const char *>(array[n - 1])
                                                  : va_arg(args, const char *);
                values_[n] = s ? s : "(null)";
                continue;
            }
            int v = (flags & kArgumentArray) ? int(array[n - 1]) : va_arg(args, int);
            wsprintfA(out, pattern, v);
            values_[n] = out;
        }
        if (!(flags & kArgumentArray))
            va_end(args);
    }

    bool missing_ = false;
    std::vector<std::string> values_;
};

// Expands the escapes of a message text.  Returns false when inserts are
// asked for but no arguments were given.
bool expand(const std::string &text, DWORD flags, va_list *arguments, std::string &out) {
    bool ignore = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
    Inserts inserts(ignore ? std::string() : text, flags, arguments);
    if (inserts.missing())
        return false;
    for (const char *p = text.c_str(); *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char *start = p++;
        if (int n = insert_number(p)) {
            if (ignore) {
                out.append(start, p);
                continue;
            }
            insert_conversion(p);
            out += inserts.value(n);
            continue;
        }
        switch (*p) {
        case '0':
            return true;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'b':
            out += ' ';
            break;
        case '\0':
            out += '%';
            return true;
        default: // "%%", "%.", "%!" and the like give the character itself
            out += *p;
            break;
        }
        ++p;
    }
    return true;
}

// A width of 0xFF asks for the line breaks of the text to be dropped.
void drop_line_breaks(std::string &text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD,
                            LPSTR lpBuffer, DWORD nSize, va_list *Arguments) {
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char *source = nullptr;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING)
        source = static_cast<const char *>(lpSource);
    else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM)
        source = system_message(dwMessageId);
    else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!source) {
        SetLastError((dwFlags & FORMAT_MESSAGE_FROM_STRING) ? ERROR_INVALID_PARAMETER
                                                            : zelplat::kErrorMessageNotFound);
        return 0;
    }
    std::string text;
    if (!expand(source, dwFlags, Arguments, text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == FORMAT_MESSAGE_MAX_WIDTH_MASK)
        drop_line_breaks(text);

    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        // The caller frees the text with LocalFree(LocalHandle(text)).
        size_t bytes = text.size() + 1 > nSize ? text.size() + 1 : nSize;
        HLOCAL block = LocalAlloc(LMEM_FIXED, bytes);
        auto out = static_cast<char *>(LocalLock(block));
        if (!out) {
            LocalFree(block);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(out, text.c_str(), text.size() + 1);
        *reinterpret_cast<LPSTR *>(lpBuffer) = out;
        return static_cast<DWORD>(text.size());
    }
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

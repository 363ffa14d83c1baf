// A child for the process tests.  It writes what it was started with to
// the file named by KERNEL_CHILD_REPORT, one item a line:
//   argc, each argv entry, GetCommandLineA(), ZELPLAT_SHOW_STATE
// and exits with the code in KERNEL_CHILD_EXIT (default 0).  An argument
// "--sleep" makes it wait 3 seconds first, for the timeout tests.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--sleep") == 0)
            Sleep(3000);
    const char *report = std::getenv("KERNEL_CHILD_REPORT");
    if (report) {
        FILE *f = std::fopen(report, "w");
        if (!f)
            return 99;
        std::fprintf(f, "%d\n", argc);
        for (int i = 0; i < argc; ++i)
            std::fprintf(f, "%s\n", argv[i]);
        std::fprintf(f, "%s\n", GetCommandLineA());
        const char *show = std::getenv("ZELPLAT_SHOW_STATE");
        std::fprintf(f, "%s\n", show ? show : "(unset)");
        std::fclose(f);
    }
    const char *code = std::getenv("KERNEL_CHILD_EXIT");
    return code ? std::atoi(code) : 0;
}

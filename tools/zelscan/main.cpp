// zelscan: scanning from the command line through ZELTW32.
#include <CLI/CLI.hpp>

#include <string>

#include "commands.h"

int main(int argc, char **argv) {
    CLI::App app{"zelscan: TWAIN scanning through ZELTW32"};
    app.require_subcommand(0, 1);
    auto *list = app.add_subcommand("list", "list the installed scanners");
    std::string source;
    auto *show = app.add_subcommand("show", "show a scanner's current settings");
    show->add_option("-s,--source", source, "scanner name (default: the default scanner)");
    CLI11_PARSE(app, argc, argv);

    if (*show)
        return zelscan::ShowSource(source);
    if (*list)
        return zelscan::ListSources();
    // Without a command: the scanners, then the default one's settings.
    int result = zelscan::ListSources();
    return result != 0 ? result : zelscan::ShowSource("");
}

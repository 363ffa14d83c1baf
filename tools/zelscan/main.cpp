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
    std::string folder = ".";
    auto *scan = app.add_subcommand("scan", "scan the default scanner's batch into bitmap files");
    scan->add_option("-o,--out", folder, "folder for the page files")
        ->check(CLI::ExistingDirectory);
    bool duplex = false;
    scan->add_flag("-d,--duplex", duplex, "scan both sides of each sheet");
    CLI11_PARSE(app, argc, argv);

    if (*scan)
        return zelscan::ScanBatch(folder, duplex);
    if (*show)
        return zelscan::ShowSource(source);
    if (*list)
        return zelscan::ListSources();
    // Without a command: the scanners, then the default one's settings.
    int result = zelscan::ListSources();
    return result != 0 ? result : zelscan::ShowSource("");
}

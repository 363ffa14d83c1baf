// zelscan: scanning from the command line through ZELTW32's exports.
#include <CLI/CLI.hpp>

#include "cli.h"
#include "commands.h"
#include "console.h"
#include "exit_codes.h"

int main(int argc, char **argv) {
    zelscan::PrepareConsole();
    zelscan::CommandLine line;
    CLI::App app{"zelscan: TWAIN scanning through ZELTW32"};
    zelscan::DefineCommandLine(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        int code = app.exit(error);
        return code == 0 ? 0 : zelscan::kExitFailure;
    }
    return zelscan::RunCommandLine(app, line);
}

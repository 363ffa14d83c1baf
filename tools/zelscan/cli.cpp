#include "cli.h"

#include <cstdio>
#include <map>

#include "commands.h"
#include "console.h"
#include "exit_codes.h"
#include "host_platform.h"
#include "output_names.h"
#include "text.h"

namespace zelscan {
namespace {

const std::map<std::string, int> &PixelTypes() {
    static const std::map<std::string, int> types = {{"bw", 0},      {"gray", 1}, {"rgb", 2},
                                                     {"palette", 3}, {"cmy", 4},  {"cmyk", 5},
                                                     {"yuv", 6},     {"yuvk", 7}, {"ciexyz", 8}};
    return types;
}

std::vector<std::string> Keys(const std::map<std::string, int> &table) {
    std::vector<std::string> keys;
    for (const auto &entry : table)
        keys.push_back(entry.first);
    return keys;
}

void AddScanOptions(CLI::App *command, CommandLine &line) {
    command->add_option("-p,--pixel", line.pixels, "acceptable pixel types (bw,gray,rgb,...)")
        ->delimiter(',')
        ->check(CLI::IsMember(Keys(PixelTypes())));
    command->add_option("--dpi", line.common.dpi, "resolution in dots per inch")
        ->check(CLI::PositiveNumber);
    command->add_flag("--show-ui", line.common.show_ui, "show the source's own interface");
}

void AddOutputOptions(CLI::App *command, CommandLine &line, const char *defaultFormat) {
    std::vector<std::string> formats;
    for (const OutputFormat &format : OutputFormats())
        formats.push_back(format.name);
    command->add_option("-o,--out", line.out_utf8, "output file name (default: the save dialog)");
    command
        ->add_option("-f,--format", line.format,
                     std::string("output format (default: ") + defaultFormat + ")")
        ->check(CLI::IsMember(formats));
    command->add_option("--contact-sheet", line.common.contact_sheet,
                        "write a PNG of the pages, numbered");
}

void DefineBatch(CLI::App &app, CommandLine &line) {
    line.batch_cmd = app.add_subcommand("batch", "scan the feeder's pages into files");
    AddScanOptions(line.batch_cmd, line);
    AddOutputOptions(line.batch_cmd, line, "tiff-multi");
    line.batch_cmd->add_option("-d,--duplex", line.duplex, "sides to scan")
        ->check(CLI::IsMember({"as-is", "two-sided", "one-sided", "manual"}));
    line.batch_cmd
        ->add_option("--blank", line.blank, "drop pages with at most this percent of dark pixels")
        ->check(CLI::Range(0.0, 100.0));
    auto *compression = line.batch_cmd
                            ->add_option("-c,--compression", line.compression,
                                         "TIFF compression of a multi-page document")
                            ->check(CLI::IsMember(CompressionNames()));
    line.batch_cmd->add_option("-q,--quality", line.quality, "JPEG quality")
        ->check(CLI::Range(1, 100))
        ->excludes(compression);
}

} // namespace

void DefineCommandLine(CLI::App &app, CommandLine &line) {
    app.require_subcommand(1);
    app.fallthrough();
    app.add_option("-s,--source", line.source_utf8, "source name (default: the default source)");
    app.add_flag("--json", line.common.json, "print the result as JSON");
    app.add_flag("-y,--yes", line.common.yes, "answer message boxes at once");
    app.add_option("--progress", line.progress, "progress on stderr")
        ->check(CLI::IsMember({"auto", "line", "log", "none"}))
        ->capture_default_str();
    line.list = app.add_subcommand("list", "list the sources and the default one");
    line.show = app.add_subcommand("show", "show a source's current settings");
    line.duplex_cmd = app.add_subcommand("duplex", "tell whether a source scans both sides");
    line.duplex_cmd->add_option("-i,--index", line.index, "position of the source in the list");
    line.image_cmd = app.add_subcommand("image", "scan one image into a bitmap file");
    AddScanOptions(line.image_cmd, line);
    line.image_cmd->add_option("-o,--out", line.out_utf8, "bitmap file (default: the save dialog)");
    line.image_cmd->add_option("--contact-sheet", line.common.contact_sheet, "write a PNG of it");
    line.clipboard = app.add_subcommand("clipboard", "scan one image onto the clipboard");
    AddScanOptions(line.clipboard, line);
    DefineBatch(app, line);
    line.device = app.add_subcommand("device", "let the device write the batch's files");
    line.device->add_flag("--show-ui", line.common.show_ui, "show the source's own interface");
    AddOutputOptions(line.device, line, "pdf");
}

namespace {

bool Convert(const std::string &utf8, std::string &cp1252, const char *what) {
    if (Utf8ToCp1252(utf8, cp1252))
        return true;
    std::fprintf(stderr, "zelscan: the %s has characters Windows names cannot hold\n", what);
    return false;
}

ProgressStyle Progress(const std::string &choice) {
    if (choice == "line")
        return ProgressStyle::Line;
    if (choice == "log")
        return ProgressStyle::Log;
    if (choice == "auto" && ErrorStreamIsTerminal() && HostSeesDebugOutput())
        return ProgressStyle::Line;
    return ProgressStyle::None;
}

Duplex DuplexChoice(const std::string &choice) {
    return choice == "two-sided"   ? Duplex::TwoSided
           : choice == "one-sided" ? Duplex::OneSided
           : choice == "manual"    ? Duplex::Manual
                                   : Duplex::AsIs;
}

// Fills the option records from what was parsed; false on a bad name.
bool Complete(CommandLine &line) {
    if (!Convert(line.source_utf8, line.common.source, "source name") ||
        !Convert(line.out_utf8, line.image.out, "output name"))
        return false;
    line.batch.out = line.image.out;
    line.common.progress = Progress(line.progress);
    for (const std::string &pixel : line.pixels)
        line.common.pixel_mask |= 1u << PixelTypes().at(pixel);
    if (line.format.empty())
        line.format = *line.device ? "pdf" : "tiff-multi";
    line.batch.format = *FormatCode(line.format);
    line.batch.duplex = DuplexChoice(line.duplex);
    line.batch.blank_threshold = line.blank;
    if (!line.compression.empty() && line.compression != "none")
        line.batch.compression = CompressionCode(line.compression);
    if (line.quality)
        line.batch.compression = *line.quality;
    return true;
}

} // namespace

int RunCommandLine(const CLI::App &, CommandLine &line) {
    if (!Complete(line))
        return kExitFailure;
    if (*line.list)
        return ListCommand(line.common);
    if (*line.show)
        return ShowCommand(line.common);
    if (*line.duplex_cmd)
        return DuplexCommand(line.common, line.index);
    if (*line.image_cmd)
        return ImageCommand(line.common, line.image);
    if (*line.clipboard) {
        line.image.clipboard = true;
        return ImageCommand(line.common, line.image);
    }
    if (*line.batch_cmd)
        return BatchCommand(line.common, line.batch);
    return DeviceCommand(line.common, line.batch);
}

} // namespace zelscan

// The commands that only ask: list, show, duplex.
#include <nlohmann/json.hpp>

#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "sources.h"
#include "summary.h"
#include "text.h"
#include "zeltw32.h"

namespace zelscan {
namespace {

const char *PixelTypeName(int type) {
    static const char *const names[] = {"bw",   "gray", "rgb",  "palette", "cmy",
                                        "cmyk", "yuv",  "yuvk", "ciexyz"};
    return type >= 0 && type < 9 ? names[type] : "unknown";
}

const char *TransferName(int mechanism) {
    static const char *const names[] = {"native", "file", "memory"};
    return mechanism >= 0 && mechanism < 3 ? names[mechanism] : "unknown";
}

const char *UnitName(int unit) {
    static const char *const names[] = {"inches", "centimeters", "picas",      "points",
                                        "twips",  "pixels",      "millimeters"};
    return unit >= 0 && unit < 7 ? names[unit] : "unknown";
}

void Print(const CommonOptions &common, const nlohmann::json &json, const std::string &text) {
    std::fputs(common.json ? (json.dump(2) + "\n").c_str() : text.c_str(), stdout);
}

// The reason is on stderr already; with --json, the object the scans print
// when they fail.
int Failure(const CommonOptions &common, const char *command) {
    ScanSummary summary;
    summary.command = command;
    summary.source = common.source;
    summary.exit_code = kExitFailure;
    Print(common, SummaryJson(summary), "");
    return kExitFailure;
}

// The position asked for, when the manager lists a source there.
std::optional<int> ListedPosition(const SourceList &sources, int index) {
    if (index >= 0 && size_t(index) < sources.names.size())
        return index;
    std::fprintf(stderr, "zelscan: no source at position %d (the manager lists %d)\n", index,
                 int(sources.names.size()));
    return std::nullopt;
}

} // namespace

int ListCommand(const CommonOptions &common) {
    std::optional<SourceList> sources = ListInstalledSources();
    if (!sources)
        return Failure(common, "list");
    nlohmann::json json = {{"default", Cp1252ToUtf8(sources->default_name)},
                           {"sources", nlohmann::json::array()}};
    std::string text;
    for (size_t i = 0; i < sources->names.size(); ++i) {
        std::string name = Cp1252ToUtf8(sources->names[i]);
        bool isDefault = sources->names[i] == sources->default_name;
        json["sources"].push_back({{"index", i}, {"name", name}, {"default", isDefault}});
        text += std::to_string(i) + "  " + name + (isDefault ? "  (default)" : "") + "\n";
    }
    Print(common, json, text);
    return kExitSuccess;
}

int ShowCommand(const CommonOptions &common) {
    std::optional<std::string> opened = OpenSourceForScan(common.source);
    if (!opened)
        return Failure(common, "show");
    TW_UINT16 duplex = 0, feeder = 0;
    bool duplexKnown = ObtenActualCapacidad(CAP_DUPLEX, TWTY_UINT16, &duplex);
    bool feederKnown = ObtenActualCapacidad(CAP_FEEDERENABLED, TWTY_BOOL, &feeder);
    nlohmann::json json = {
        {"source", Cp1252ToUtf8(*opened)},
        {"units", UnitName(ObtenUnidadesActuales())},
        {"pixel_type", PixelTypeName(ObtenTipoPixel())},
        {"bit_depth", ObtenProfundidaBit()},
        {"x_resolution", ObtenActualResolucion()},
        {"y_resolution", ObtenYResolucion()},
        {"transfer", TransferName(XferMech())},
        {"duplex", duplexKnown && duplex != TWDX_NONE},
        {"feeder", feederKnown && feeder != 0},
    };
    DescargarManejadorDispositivo();
    char text[512];
    std::snprintf(text, sizeof text,
                  "source:        %s\nunits:         %s\npixel type:    %s\nbit depth:     %d\n"
                  "resolution:    %g x %g\ntransfer:      %s\nduplex:        %s\n"
                  "feeder:        %s\n",
                  json["source"].get<std::string>().c_str(),
                  json["units"].get<std::string>().c_str(),
                  json["pixel_type"].get<std::string>().c_str(), json["bit_depth"].get<int>(),
                  json["x_resolution"].get<double>(), json["y_resolution"].get<double>(),
                  json["transfer"].get<std::string>().c_str(), json["duplex"] ? "yes" : "no",
                  json["feeder"] ? "yes" : "no");
    Print(common, json, text);
    return kExitSuccess;
}

int DuplexCommand(const CommonOptions &common, std::optional<int> index) {
    std::optional<SourceList> sources = ListInstalledSources();
    if (sources)
        index = index ? ListedPosition(*sources, *index) : ChooseSource(*sources, common.source);
    if (!sources || !index)
        return Failure(common, "duplex");
    bool duplex = EsDuplex(0, *index);
    DescargarManejadorDispositivo();
    Print(common, {{"index", *index}, {"duplex", duplex}},
          std::string("source ") + std::to_string(*index) + ": " +
              (duplex ? "scans both sides" : "scans one side") + "\n");
    return kExitSuccess;
}

} // namespace zelscan

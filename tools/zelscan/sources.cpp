#include "sources.h"

#include <algorithm>
#include <cstdio>

#include "text.h"
#include "zeltw32.h"

namespace zelscan {

namespace {

// The default source and every name, the manager open.
std::optional<SourceList> ReadSources() {
    SourceList list;
    char name[34] = "";
    if (!MostrarEscanerXDefecto(0, name))
        return std::nullopt;
    list.default_name = name;
    for (BOOL found = MostrarPrimerEscaner(0, name); found;
         found = MostrarSiguienteEscaner(0, name))
        list.names.push_back(name);
    return list;
}

// The source named `name` exactly, else the only one whose name contains it.
std::optional<int> FindSource(const SourceList &sources, const std::string &name) {
    std::optional<int> match;
    for (size_t i = 0; i < sources.names.size(); ++i) {
        if (sources.names[i] == name)
            return int(i);
        if (sources.names[i].find(name) != std::string::npos) {
            if (match)
                return std::nullopt;
            match = int(i);
        }
    }
    return match;
}

} // namespace

// Each browsing export called from state 1 loads and unloads the manager for
// itself: the manager is opened once for the whole walk.
std::optional<SourceList> ListInstalledSources() {
    bool open = AbrirManejadorDispositivo(0);
    std::optional<SourceList> list = open ? ReadSources() : std::nullopt;
    DescargarManejadorDispositivo();
    if (!list)
        std::fprintf(stderr, open ? "zelscan: no TWAIN source is installed\n"
                                  : "zelscan: the TWAIN manager cannot be opened\n");
    return list;
}

// The default source by its full name: a part of it could name another.
std::optional<int> ChooseSource(const SourceList &sources, const std::string &name) {
    const std::vector<std::string> &names = sources.names;
    if (name.empty()) {
        auto found = std::find(names.begin(), names.end(), sources.default_name);
        if (found != names.end())
            return int(found - names.begin());
        std::fprintf(stderr, "zelscan: the default source \"%s\" is not in the manager's list\n",
                     Cp1252ToUtf8(sources.default_name).c_str());
        return std::nullopt;
    }
    std::optional<int> index = FindSource(sources, name);
    if (!index)
        std::fprintf(stderr, "zelscan: no single source is named \"%s\"\n",
                     Cp1252ToUtf8(name).c_str());
    return index;
}

std::optional<std::string> OpenSourceForScan(const std::string &name) {
    std::optional<SourceList> sources = ListInstalledSources();
    std::optional<int> index = sources ? ChooseSource(*sources, name) : std::nullopt;
    if (!index)
        return std::nullopt;
    // Opened by its full name, so that the library's substring match cannot
    // pick another source.
    if (AbrirDispositivoXNombre(sources->names[*index].c_str()) && EstadoTwain() == 4)
        return sources->names[*index];
    std::fprintf(stderr, "zelscan: cannot open \"%s\" (TWAIN result %d, condition %d)\n",
                 Cp1252ToUtf8(sources->names[*index]).c_str(), CodigoResultante(),
                 CodigoCondicionante());
    DescargarManejadorDispositivo();
    return std::nullopt;
}

} // namespace zelscan

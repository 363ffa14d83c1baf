#include "sources.h"

#include <cstdio>

#include "text.h"
#include "zeltw32.h"

namespace zelscan {

std::optional<SourceList> ListInstalledSources() {
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

std::optional<std::string> OpenSourceForScan(const std::string &name) {
    std::optional<SourceList> sources = ListInstalledSources();
    if (!sources) {
        std::fprintf(stderr, "zelscan: no TWAIN source is installed\n");
        return std::nullopt;
    }
    std::string wanted = name.empty() ? sources->default_name : name;
    std::optional<int> index = FindSource(*sources, wanted);
    if (!index) {
        std::fprintf(stderr, "zelscan: no single source is named \"%s\"\n",
                     Cp1252ToUtf8(name).c_str());
        return std::nullopt;
    }
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

#include "commands.h"

#include <cstdio>
#include <string>

#include "zeltw32.h"

namespace zelscan {
namespace {

const char *PixelTypeName(int type) {
    static const char *const names[] = {
        "black and white", "grey", "RGB colour", "palette", "CMY", "CMYK", "YUV", "YUVK",
        "CIE XYZ"};
    return type >= 0 && type < 9 ? names[type] : "unknown";
}

const char *TransferName(int mechanism) {
    static const char *const names[] = {"native", "file", "memory"};
    return mechanism >= 0 && mechanism < 3 ? names[mechanism] : "unknown";
}

bool OpenSource(const std::string &name) {
    return name.empty() ? AbrirDispositivoXDefecto() : AbrirDispositivoXNombre(name.c_str());
}

} // namespace

int ListSources() {
    char defaultName[34] = "";
    if (!MostrarEscanerXDefecto(0, defaultName)) {
        std::fprintf(stderr, "zelscan: no TWAIN source is installed\n");
        return 1;
    }
    char name[34] = "";
    BOOL found = MostrarPrimerEscaner(0, name);
    for (int index = 0; found; ++index) {
        std::printf("%d  %s%s\n", index, name,
                    std::string(name) == defaultName ? "  (default)" : "");
        found = MostrarSiguienteEscaner(0, name);
    }
    return 0;
}

int ShowSource(const std::string &name) {
    if (!OpenSource(name)) {
        std::fprintf(stderr, "zelscan: cannot open source \"%s\" (TWAIN result %d, condition %d)\n",
                     name.c_str(), CodigoResultante(), CodigoCondicionante());
        DescargarManejadorDispositivo();
        return 1;
    }
    int pixelType = ObtenTipoPixel();
    std::printf("pixel type:    %s\n", PixelTypeName(pixelType));
    std::printf("bit depth:     %d\n", ObtenProfundidaBit());
    std::printf("resolution:    %g x %g\n", ObtenActualResolucion(), ObtenYResolucion());
    std::printf("transfer:      %s\n", TransferName(XferMech()));
    TW_UINT16 duplex = 0;
    ObtenActualCapacidad(CAP_DUPLEX, TWTY_UINT16, &duplex);
    std::printf("duplex:        %s\n", duplex == TWDX_NONE ? "no" : "yes");
    DescargarManejadorDispositivo();
    return 0;
}

} // namespace zelscan

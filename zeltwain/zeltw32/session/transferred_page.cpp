// What the native loop checks and completes on each page a source hands
// over, before anything else reads it.
#include "session/transferred_page.h"

#include "dib/dib_layout.h"
#include "session/session.h"
#include "zeltw32.h"

#include <iterator>

namespace zel {
namespace {

// The source's current resolution in pixels per metre, for the pages whose
// DIB carries none; read at the first such page of each batch.
struct Resolucion {
    bool leida = false;
    LONG x = 0, y = 0;
};
Resolucion resolucionDelLote;

// Pixels per metre of a resolution in the source's current unit; 0 for a
// unit without a length (pixels) or a value that cannot be one.
LONG PixelesPorMetro(double valor, int unidad) {
    static constexpr double kUnidadesPorMetro[] = {
        1 / 0.0254,    // TWUN_INCHES
        100,           // TWUN_CENTIMETERS
        6 / 0.0254,    // TWUN_PICAS
        72 / 0.0254,   // TWUN_POINTS
        1440 / 0.0254, // TWUN_TWIPS
    };
    if (unidad < 0 || unidad >= int(std::size(kUnidadesPorMetro)) || !(valor > 0) || valor > 1e5)
        return 0;
    return LONG(valor * kUnidadesPorMetro[unidad] + 0.5);
}

Resolucion LeerResolucion() {
    int unidad = ObtenUnidadesActuales();
    Resolucion r{true, PixelesPorMetro(ObtenActualResolucion(), unidad),
                 PixelesPorMetro(ObtenYResolucion(), unidad)};
    OutputDebugStringA(r.x || r.y ? "ZELTW: page without resolution: the source's is used.\n"
                                  : "ZELTW: page without resolution, and none from the source.\n");
    return r;
}

void EscribirSiConocida(BYTE *p, size_t offset, LONG valor) {
    if (valor > 0)
        EscribirDword(p, offset, DWORD(valor));
}

} // namespace

// The DIB's own axes first, then the source's; an axis still unknown takes
// the other one (square pixels).
void CompletarResolucion(HGLOBAL dib) {
    DibBloqueado bloque(dib);
    BYTE *p = bloque.Direccion();
    if (!p || LeerDword(p, 0) < kTamCabeceraInfo)
        return;
    LONG x = LeerLong(p, kOffResolucionX), y = LeerLong(p, kOffResolucionY);
    if (x > 0 && y > 0)
        return;
    if (!resolucionDelLote.leida)
        resolucionDelLote = LeerResolucion();
    x = x > 0 ? x : resolucionDelLote.x;
    y = y > 0 ? y : resolucionDelLote.y;
    EscribirSiConocida(p, kOffResolucionX, x > 0 ? x : y);
    EscribirSiConocida(p, kOffResolucionY, y > 0 ? y : x);
}

void OlvidarResolucionDelLote() {
    resolucionDelLote = {};
}

bool PaginaUtilizable(HGLOBAL dib) {
    if (!EsBloqueGlobal(dib))
        return false;
    DibBloqueado bloque(dib);
    return bloque.Legible();
}

} // namespace zel

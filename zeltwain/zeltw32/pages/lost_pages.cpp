// Pages that could not be written: each is traced at once, and the user
// hears of all of them in one box when the acquisition (or the file
// transfer batch) ends, so that a full disk or a folder without rights gives
// one box, not one per page, and the box names every file concerned.
#include "zeltw32.h"

#include "pages/page_writer.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zel {
namespace {

struct PaginaPerdida {
    std::string archivo;
    bool conservada; // kept in a file of its own, outside the output
    int paginas;
};

std::vector<PaginaPerdida> aPerdidas;

// A box lists this many files at the most; the rest are counted.
constexpr size_t kArchivosEnCaja = 10;

constexpr char kCompruebe[] =
    "Compruebe que la carpeta admite escritura y que hay espacio en el disco.";

void Anotar(const char *archivo, bool conservada) {
    char linea[512];
    std::snprintf(linea, sizeof linea, "ZELTW: page not written: %s%s\n", archivo,
                  conservada ? " (kept as a file of its own)" : "");
    OutputDebugStringA(linea);
    for (PaginaPerdida &p : aPerdidas) {
        if (p.archivo == archivo && p.conservada == conservada) {
            ++p.paginas;
            return;
        }
    }
    aPerdidas.push_back({archivo, conservada, 1});
}

std::string Linea(const PaginaPerdida &p) {
    std::string linea = "  " + p.archivo;
    if (p.conservada)
        linea += " (se conserva en ese archivo)";
    else if (p.paginas > 1)
        linea += " (" + std::to_string(p.paginas) + " p\xE1ginas)";
    return linea + "\n";
}

std::string TextoDeVarias() {
    int total = 0;
    for (const PaginaPerdida &p : aPerdidas)
        total += p.paginas;
    std::string texto =
        "No se han podido guardar " + std::to_string(total) + " p\xE1ginas escaneadas:\n";
    for (size_t i = 0; i < aPerdidas.size() && i < kArchivosEnCaja; ++i)
        texto += Linea(aPerdidas[i]);
    if (aPerdidas.size() > kArchivosEnCaja)
        texto += "  y " + std::to_string(aPerdidas.size() - kArchivosEnCaja) + " archivos m\xE1s\n";
    return texto + kCompruebe;
}

} // namespace

void InformarPaginaPerdida(const char *archivo) {
    Anotar(archivo, false);
}

void InformarPaginaConservada(const char *archivo) {
    Anotar(archivo, true);
}

void MostrarPaginasPerdidas() {
    if (aPerdidas.empty())
        return;
    std::string texto;
    const PaginaPerdida &primera = aPerdidas[0];
    if (aPerdidas.size() > 1 || primera.paginas > 1)
        texto = TextoDeVarias();
    else if (primera.conservada)
        texto = "No se ha podido a\xF1"
                "adir la p\xE1gina escaneada al documento; se conserva en "
                "el archivo " +
                primera.archivo + ". " + kCompruebe;
    else
        texto = "No se ha podido guardar la p\xE1gina escaneada en el archivo " + primera.archivo +
                ". " + kCompruebe;
    aPerdidas.clear();
    MensajeError(texto.c_str());
}

void OlvidarPaginaPerdida() {
    aPerdidas.clear();
}

} // namespace zel

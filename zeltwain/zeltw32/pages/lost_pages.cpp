// Pages that could not be written: each is traced at once, and the user
// hears of all of them in one box when the acquisition (or the file
// transfer batch) ends, so that a full disk or a folder without rights gives
// one box, not one per page, and the box names every file concerned.  A
// page the scanner handed over unusable is no disk problem: the box says so
// and points at the scanner's driver instead.
#include "zeltw32.h"

#include "pages/page_writer.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zel {
namespace {

enum class Motivo {
    Escritura,  // the output could not be written
    Conservada, // kept in a file of its own, outside the output
    Escaner,    // the scanner handed the page over unusable
};

struct PaginaPerdida {
    std::string archivo;
    Motivo motivo;
    int paginas;
};

std::vector<PaginaPerdida> aPerdidas;

// A box lists this many files at the most; the rest are counted.
constexpr size_t kArchivosEnCaja = 10;

constexpr char kCompruebe[] =
    "Compruebe que la carpeta admite escritura y que hay espacio en el disco.";
constexpr char kCompruebeEscaner[] = "Compruebe el controlador del esc\xE1ner.";

const char *Aclaracion(Motivo motivo) {
    switch (motivo) {
    case Motivo::Conservada:
        return " (kept as a file of its own)";
    case Motivo::Escaner:
        return " (unusable from the scanner)";
    default:
        return "";
    }
}

// Pages a source delivered get a line each, so that the lines count them.
void Trazar(const char *archivo, Motivo motivo, int paginas) {
    char linea[512];
    std::snprintf(linea, sizeof linea, "ZELTW: page not written: %s%s\n", archivo,
                  Aclaracion(motivo));
    for (int i = 0; i < paginas; ++i)
        OutputDebugStringA(linea);
}

void Anotar(const char *archivo, Motivo motivo, int paginas) {
    for (PaginaPerdida &p : aPerdidas) {
        if (p.archivo == archivo && p.motivo == motivo) {
            p.paginas += paginas;
            return;
        }
    }
    aPerdidas.push_back({archivo, motivo, paginas});
}

bool AlgunaPorMotivo(bool delEscaner) {
    for (const PaginaPerdida &p : aPerdidas)
        if ((p.motivo == Motivo::Escaner) == delEscaner)
            return true;
    return false;
}

std::string Linea(const PaginaPerdida &p) {
    std::string linea = "  " + p.archivo;
    if (p.motivo == Motivo::Conservada)
        linea += " (se conserva en ese archivo)";
    else if (p.motivo == Motivo::Escaner)
        linea += p.paginas > 1 ? " (" + std::to_string(p.paginas) +
                                     " p\xE1ginas ilegibles entregadas por el esc\xE1ner)"
                               : " (p\xE1gina ilegible entregada por el esc\xE1ner)";
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
    if (AlgunaPorMotivo(false))
        texto += std::string(kCompruebe) + (AlgunaPorMotivo(true) ? "\n" : "");
    if (AlgunaPorMotivo(true))
        texto += kCompruebeEscaner;
    return texto;
}

std::string TextoDeUna(const PaginaPerdida &p) {
    switch (p.motivo) {
    case Motivo::Conservada:
        return "No se ha podido a\xF1"
               "adir la p\xE1gina escaneada al documento; se conserva en el archivo " +
               p.archivo + ". " + kCompruebe;
    case Motivo::Escaner:
        return "El esc\xE1ner ha entregado una p\xE1gina que no se puede leer; falta en el "
               "archivo " +
               p.archivo + ". " + kCompruebeEscaner;
    default:
        return "No se ha podido guardar la p\xE1gina escaneada en el archivo " + p.archivo + ". " +
               kCompruebe;
    }
}

} // namespace

void InformarPaginaPerdida(const char *archivo, int paginas) {
    Trazar(archivo, Motivo::Escritura, paginas);
    Anotar(archivo, Motivo::Escritura, paginas);
}

void InformarPaginaConservada(const char *archivo) {
    Trazar(archivo, Motivo::Conservada, 1);
    Anotar(archivo, Motivo::Conservada, 1);
}

void InformarPaginaInutilizable(const char *archivo, int paginas) {
    Trazar(archivo, Motivo::Escaner, paginas);
    Anotar(archivo, Motivo::Escaner, paginas);
}

void InformarPaginasPendientes(const char *archivo, int paginas, bool porElEscaner) {
    char linea[512];
    std::snprintf(linea, sizeof linea, "ZELTW: pending pages dropped: %d (%s)\n", paginas, archivo);
    OutputDebugStringA(linea);
    Anotar(archivo, porElEscaner ? Motivo::Escaner : Motivo::Escritura, paginas);
}

void MostrarPaginasPerdidas() {
    if (aPerdidas.empty())
        return;
    bool una = aPerdidas.size() == 1 && aPerdidas[0].paginas == 1;
    std::string texto = una ? TextoDeUna(aPerdidas[0]) : TextoDeVarias();
    aPerdidas.clear();
    MensajeError(texto.c_str());
}

void OlvidarPaginaPerdida() {
    aPerdidas.clear();
}

} // namespace zel

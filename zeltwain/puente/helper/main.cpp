// ZELTW32Puente.exe: runs the TWAIN manager of its own width for the
// library that started it.  The only argument is the pipe's name.
#include "channel.h"
#include "helper/helper.h"

using namespace zel::puente;

namespace {

// The command line without surrounding blanks or quotes.
std::string NombreTuberia(const char *linea) {
    std::string nombre = linea ? linea : "";
    size_t inicio = nombre.find_first_not_of(" \t\"");
    size_t fin = nombre.find_last_not_of(" \t\"");
    return inicio == std::string::npos ? "" : nombre.substr(inicio, fin - inicio + 1);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR linea, int) {
    std::string nombre = NombreTuberia(linea);
    Estado().entrada = CargarManejador();
    if (!Estado().entrada) {
        Traza("no manager to run; exiting");
        return 1;
    }
    Canal canal(EsperarConMensajes);
    if (nombre.empty() || !canal.Abrir(nombre)) {
        Traza("the pipe \"" + nombre + "\" could not be opened");
        return 2;
    }
    Servir(canal);
    Traza("the pipe closed; exiting");
    return 0;
}

namespace zel::puente {

Ayudante &Estado() {
    static Ayudante estado;
    return estado;
}

void Traza(const std::string &texto) {
    OutputDebugStringA(("ZELTW32Puente: " + texto + "\n").c_str());
}

} // namespace zel::puente

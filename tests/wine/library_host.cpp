// ZELTW32.dll under Wine, through its exports as a host calls them: loaded
// with LoadLibraryA from this host's folder and bound by the plain names;
// built for 32-bit and for 64-bit Windows.
//   library_host ours   our virtual manager: C:\windows\TWAIN_32.DLL for
//                       32 bits, C:\windows\system32\TWAINDSM.DLL for 64
//   library_host wine   Wine's own manager, our sources as its sane.ds
//   library_host puente   64-bit: the bridge to a helper of the same width,
//                         whose manager ZELTWPUENTE_MANEJADOR names
//   library_host puente32 64-bit: the bridge to the 32-bit helper and the
//                         32-bit manager of SysWOW64, nothing local
// A second argument "twain2" makes every case's source a TWAIN 2 one.
// Each case writes the scenario it scans (ZELTWAIN_SCENARIO), and checks
// here what a host sees: results, boxes, states, DIBs, files.  What only the
// build machine can read (page counts and compression with tiffinfo, page
// labels with the paper decoder) goes to C:\zelwine\biblioteca\expect.txt,
// one line per check, for scripts/wine-tests.
#include "ui_answers.h"
#include "wine_check.h"
#include "zeltw32.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using zelwine::Casos;
using zelwine::Respuestas;

namespace {

constexpr char kCarpeta[] = "C:\\zelwine\\biblioteca";
const char kDuplexTitulo[] = "D\xFAplex Manual";

// The exports, bound by name.
struct Zel {
    HMODULE h = nullptr;
#define ZEL_EXPORT(nombre) decltype(&::nombre) nombre = nullptr;
    ZEL_EXPORT(AdquirirEnMemoria)
    ZEL_EXPORT(AdquirirEnPortaPapeles)
    ZEL_EXPORT(AdquirirEnArchivo)
    ZEL_EXPORT(AdquirirMultipagina)
    ZEL_EXPORT(AdquirirMultipaginaXDispositivo)
    ZEL_EXPORT(Comprimir)
    ZEL_EXPORT(PonDuplex)
    ZEL_EXPORT(DescartarEnBlanco)
    ZEL_EXPORT(OcultarUI)
    ZEL_EXPORT(EstadoTwain)
    ZEL_EXPORT(DibAnchura)
    ZEL_EXPORT(DibAltura)
    ZEL_EXPORT(DibProfundidad)
    ZEL_EXPORT(LiberadorDeMemoria)
    ZEL_EXPORT(MostrarPrimerEscaner)
    ZEL_EXPORT(MostrarSiguienteEscaner)
    ZEL_EXPORT(MostrarEscanerXDefecto)
    ZEL_EXPORT(SeleccionarDispositivo)
    ZEL_EXPORT(AbrirManejadorDispositivo)
    ZEL_EXPORT(AbrirDispositivo)
    ZEL_EXPORT(AbrirDispositivoXNombre)
    ZEL_EXPORT(CerrarDispositivo)
    ZEL_EXPORT(DescargarManejadorDispositivo)
    ZEL_EXPORT(ObtenActualResolucion)
    ZEL_EXPORT(PonActualResolucion)
    ZEL_EXPORT(ObtenTipoPixel)
    ZEL_EXPORT(PonActualTipoPixel)
    ZEL_EXPORT(EsDuplex)
    ZEL_EXPORT(EstaDisponible)
#undef ZEL_EXPORT
    std::vector<std::string> faltan;

    bool Cargar() {
        h = LoadLibraryA("ZELTW32.dll");
        if (!h)
            return false;
#define ZEL_BIND(nombre) Bind(nombre, #nombre);
        ZEL_BIND(AdquirirEnMemoria)
        ZEL_BIND(AdquirirEnPortaPapeles)
        ZEL_BIND(AdquirirEnArchivo)
        ZEL_BIND(AdquirirMultipagina)
        ZEL_BIND(AdquirirMultipaginaXDispositivo)
        ZEL_BIND(Comprimir)
        ZEL_BIND(PonDuplex)
        ZEL_BIND(DescartarEnBlanco)
        ZEL_BIND(OcultarUI)
        ZEL_BIND(EstadoTwain)
        ZEL_BIND(DibAnchura)
        ZEL_BIND(DibAltura)
        ZEL_BIND(DibProfundidad)
        ZEL_BIND(LiberadorDeMemoria)
        ZEL_BIND(MostrarPrimerEscaner)
        ZEL_BIND(MostrarSiguienteEscaner)
        ZEL_BIND(MostrarEscanerXDefecto)
        ZEL_BIND(SeleccionarDispositivo)
        ZEL_BIND(AbrirManejadorDispositivo)
        ZEL_BIND(AbrirDispositivo)
        ZEL_BIND(AbrirDispositivoXNombre)
        ZEL_BIND(CerrarDispositivo)
        ZEL_BIND(DescargarManejadorDispositivo)
        ZEL_BIND(ObtenActualResolucion)
        ZEL_BIND(PonActualResolucion)
        ZEL_BIND(ObtenTipoPixel)
        ZEL_BIND(PonActualTipoPixel)
        ZEL_BIND(EsDuplex)
        ZEL_BIND(EstaDisponible)
#undef ZEL_BIND
        return faltan.empty();
    }
    template <class F> void Bind(F &f, const char *nombre) {
        f = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(h, nombre)));
        if (!f)
            faltan.push_back(nombre);
    }
};

Zel zel;

// The checks left for the build machine.
void Esperado(const std::string &sLinea) {
    const std::string ruta = std::string(kCarpeta) + "\\expect.txt";
    if (FILE *f = std::fopen(ruta.c_str(), "ab")) {
        std::fprintf(f, "%s\n", sLinea.c_str());
        std::fclose(f);
    }
}

// Writes the scenario of a case and points the manager and sources at it.
void Escenario(const char *caso, const std::string &json) {
    const std::string ruta = std::string(kCarpeta) + "\\" + caso + ".json";
    if (FILE *f = std::fopen(ruta.c_str(), "wb")) {
        std::fputs(json.c_str(), f);
        std::fclose(f);
    }
    // The sources read it through the C runtime, which _putenv updates.
    _putenv(("ZELTWAIN_SCENARIO=" + ruta).c_str());
}

std::string Salida(const char *caso, const char *nombre) {
    const std::string carpeta = std::string(kCarpeta) + "\\" + caso;
    CreateDirectoryA(carpeta.c_str(), nullptr);
    return carpeta + "\\" + nombre;
}

int CajasCon(const std::string &sTitulo) {
    int n = 0;
    for (const auto &c : Respuestas::Cajas())
        n += c.sTitulo == sTitulo;
    return n;
}

// Fields every case's source takes: "twain2" with the argument.
std::string sCamposComunes;

// The devices' paper outlives the sessions (and Wine's manager never unloads
// a source): each case has a device of its own, told apart by its name.
std::string UnEscaner(const char *caso, const std::string &campos) {
    return std::string(R"({"sources": [{"name": "Escaner )") + caso + R"(", "default": true, )" +
           sCamposComunes + campos + "}]}";
}

const char kAlimentador[] = R"("feeder": true, "operator": {"delay_ms": 5})";

// The cases every manager must carry: the default scenario as a tester
// installs it (C:\windows\scenario.json, no ZELTWAIN_SCENARIO), listed once
// per device with its default opened; then the acquisitions end to end.
void Adquisiciones(Casos &t) {
    t.Caso("the_installed_default_scenario", [&] {
        _putenv("ZELTWAIN_SCENARIO=");
        std::vector<std::string> nombres;
        char nombre[34] = {};
        for (BOOL b = zel.MostrarPrimerEscaner(nullptr, nombre); b && nombres.size() < 10;
             b = zel.MostrarSiguienteEscaner(nullptr, nombre))
            nombres.push_back(nombre);
        std::sort(nombres.begin(), nombres.end());
        std::string todos;
        for (const auto &n : nombres)
            todos += n + "|";
        t.Igual(
            todos,
            std::string("ZelVirtual Duplex Color|ZelVirtual Flatbed|ZelVirtual Simplex Feeder|"),
            "every device once");
        zel.OcultarUI(1);
        HGLOBAL hDib = zel.AdquirirEnMemoria(nullptr, 0);
        t.Verificar(hDib != nullptr, "a DIB from the default device");
        if (hDib)
            zel.LiberadorDeMemoria(hDib);
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });

    t.Caso("single_image_to_memory", [&] {
        Escenario("memoria", UnEscaner("memoria", kAlimentador));
        zel.OcultarUI(1);
        HGLOBAL hDib = zel.AdquirirEnMemoria(nullptr, 0);
        if (!t.Verificar(hDib != nullptr, "a DIB"))
            return;
        t.Igual(zel.DibProfundidad(hDib), 24, "depth");
        t.Verificar(zel.DibAnchura(hDib) > 0 && zel.DibAltura(hDib) > 0, "size");
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
        zel.LiberadorDeMemoria(hDib);
    });

    t.Caso("single_image_to_clipboard", [&] {
        Escenario("portapapeles", UnEscaner("portapapeles", kAlimentador));
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirEnPortaPapeles(nullptr, 0), 1, "result");
        t.Verificar(IsClipboardFormatAvailable(CF_DIB), "a DIB on the clipboard");
    });

    t.Caso("single_image_to_file", [&] {
        Escenario("archivo", UnEscaner("archivo", kAlimentador));
        std::string nombre = Salida("archivo", "pagina.bmp");
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirEnArchivo(nullptr, nombre.data()), 0, "result");
        Esperado("label " + nombre + " 0 sheet 1 front");
    });

    t.Caso("jpeg_series_drops_the_blank_page", [&] {
        Escenario("jpeg", UnEscaner("jpeg", R"("feeder": true, "operator": {"delay_ms": 5},
            "paper": {"sheets": [{"front": "printed"}, {"front": "blank"}, {"front": "printed"}]})"));
        std::string nombre = Salida("jpeg", "hoja.jpg");
        zel.OcultarUI(1);
        zel.DescartarEnBlanco(1.0);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_JFIF, nombre.data()), 1, "result");
        Esperado("files " + std::string(kCarpeta) + "\\jpeg 2");
        Esperado("label " + nombre + " 0 sheet 1 front");
        Esperado("label " + Salida("jpeg", "hoja_1.jpg") + " 0 sheet 3 front");
    });

    t.Caso("manual_duplex_with_the_interface_hidden", [&] {
        Escenario("duplex", UnEscaner("duplex", R"("feeder": true, "duplex": "none",
            "paper": {"sheets": 3}, "operator": {"delay_ms": 5, "reload_turned_stack": true})"));
        std::string nombre = Salida("duplex", "duplex.tif");
        Respuestas::Cajas().clear();
        zel.OcultarUI(1);
        zel.PonDuplex(1);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_TIFFMULTI, nombre.data()), 1, "result");
        t.Igual(CajasCon(kDuplexTitulo), 1, "turn-over boxes");
        if (!Respuestas::Cajas().empty())
            t.Igual(Respuestas::Cajas()[0].sTexto,
                    std::string("Introduzca ahora las p\xE1ginas pares \n\r y pulse aceptar "
                                "para continuar"),
                    "turn-over text");
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
        Esperado("labels " + nombre +
                 " sheet 1 front|sheet 1 back|sheet 2 front|sheet 2 back|sheet 3 front|sheet 3 "
                 "back");
    });

    t.Caso("device_file_transfer_into_one_tiff", [&] {
        Escenario("dispositivo", UnEscaner("dispositivo", R"("feeder": true, "paper": {"sheets": 3},
            "operator": {"delay_ms": 5})"));
        std::string nombre = Salida("dispositivo", "disp.tif");
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirMultipaginaXDispositivo(nullptr, TWFF_TIFF, nombre.data()), 1,
                "result");
        Esperado("files " + std::string(kCarpeta) + "\\dispositivo 1");
        Esperado("pages " + nombre + " 3");
        Esperado("labels " + nombre + " sheet 1 front|sheet 2 front|sheet 3 front");
    });

    t.Caso("a_faulty_source_is_reported_and_closed", [&] {
        Escenario("averia", UnEscaner("averia", R"("feeder": true, "operator": {"delay_ms": 5},
            "faults": {"triplets": [{"dg": "DG_CONTROL", "dat": "DAT_USERINTERFACE",
                "msg": "MSG_ENABLEDS", "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})"));
        Respuestas::Cajas().clear();
        zel.OcultarUI(1);
        t.Verificar(zel.AdquirirEnMemoria(nullptr, 0) == nullptr, "no DIB");
        t.Verificar(CajasCon("TWAIN Error") >= 1, "a TWAIN Error box");
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });

    // Last: a save dialog that is not answered holds the host until its timeout.
    t.Caso("multipage_tiff_with_lzw_through_the_save_dialog", [&] {
        Escenario("lzw", UnEscaner("lzw", R"("feeder": true, "paper": {"sheets": 3},
            "operator": {"delay_ms": 5})"));
        const std::string nombre = Salida("lzw", "lote.tif");
        Respuestas::NombreParaGuardar(nombre);
        Respuestas::DialogosGuardar() = 0;
        zel.OcultarUI(1);
        zel.Comprimir(-8);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_TIFFMULTI, nullptr), 1, "result");
        t.Igual(Respuestas::DialogosGuardar(), 1, "save dialogs");
        Esperado("pages " + nombre + " 3");
        Esperado("compression " + nombre + " LZW");
        Esperado("labels " + nombre + " sheet 1 front|sheet 2 front|sheet 3 front");
    });
}

// The page objects of a file that begins as a PDF document; -1 when the file
// is missing or is not one.
int PaginasPdf(const std::string &sRuta) {
    FILE *f = std::fopen(sRuta.c_str(), "rb");
    if (!f)
        return -1;
    std::string sTexto;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        sTexto.append(buf, n);
    std::fclose(f);
    if (sTexto.rfind("%PDF-", 0) != 0)
        return -1;
    const std::string kPagina = "/Type /Page";
    int n = 0;
    for (size_t i = sTexto.find(kPagina); i != std::string::npos; i = sTexto.find(kPagina, i + 1))
        n += sTexto.compare(i + kPagina.size(), 1, "s") != 0; // not the /Pages tree
    return n;
}

// The source writes each page as a PDF file of its own, numbered after the
// host's name: one page each, read back here and by the build machine.
void PdfDelDispositivo(Casos &t) {
    t.Caso("device_file_transfer_in_pdf", [&] {
        Escenario("pdf", UnEscaner("pdf", R"("feeder": true, "paper": {"sheets": 3},
            "operator": {"delay_ms": 5})"));
        std::string nombre = Salida("pdf", "libro.pdf");
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirMultipaginaXDispositivo(nullptr, TWFF_PDF, nombre.data()), 1, "result");
        Esperado("files " + std::string(kCarpeta) + "\\pdf 3");
        const char *archivos[] = {"libro.pdf", "libro_1.pdf", "libro_2.pdf"};
        for (int i = 0; i < 3; ++i) {
            const std::string ruta = Salida("pdf", archivos[i]);
            t.Igual(PaginasPdf(ruta), 1, ruta + ": a PDF of one page");
            Esperado("labels " + ruta + " sheet " + std::to_string(i + 1) + " front");
        }
    });
}

// What Wine's manager adds: listing, opening by position and by name, and
// negotiation through it.
void ConElManejadorDeWine(Casos &t) {
    const std::string kDos = R"({"sources": [
        {"name": "Scanner A", "default": true, "feeder": true, "operator": {"delay_ms": 5}},
        {"name": "Scanner B", "feeder": true, "duplex": "one-pass",
         "operator": {"delay_ms": 5}}]})";

    t.Caso("sources_are_listed", [&] {
        Escenario("lista", kDos);
        std::vector<std::string> nombres;
        char nombre[34] = {};
        for (BOOL b = zel.MostrarPrimerEscaner(nullptr, nombre); b && nombres.size() < 10;
             b = zel.MostrarSiguienteEscaner(nullptr, nombre))
            nombres.push_back(nombre);
        std::string todos;
        for (const auto &n : nombres)
            todos += n + "|";
        t.Verificar(todos.find("Scanner A|") != std::string::npos &&
                        todos.find("Scanner B|") != std::string::npos,
                    "both sources listed: " + todos);
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after listing");
    });

    t.Caso("opening_by_position_and_by_name_and_negotiating", [&] {
        Escenario("abrir", kDos);
        t.Verificar(zel.AbrirManejadorDispositivo(nullptr), "manager opened");
        t.Verificar(zel.AbrirDispositivoXNombre("Scanner B"), "opened by name");
        t.Igual(zel.PonActualResolucion(200.0), 1, "resolution set");
        t.Igual(zel.ObtenActualResolucion(), 200.0, "resolution read back");
        t.Igual(zel.PonActualTipoPixel(TWPT_GRAY), 1, "pixel type set");
        t.Igual(zel.ObtenTipoPixel(), int(TWPT_GRAY), "pixel type read back");
        zel.CerrarDispositivo();
        t.Verificar(zel.AbrirDispositivo(0), "opened by position");
        zel.DescargarManejadorDispositivo();
        t.Igual(zel.EsDuplex(nullptr, 1), 1, "the second source scans both sides");
        zel.DescargarManejadorDispositivo();
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });

    t.Caso("device_duplex_with_blank_pages_dropped", [&] {
        Escenario("duplexdisp", UnEscaner("duplexdisp", R"("feeder": true, "duplex": "one-pass",
            "operator": {"delay_ms": 5},
            "paper": {"sheets": [{"front": "printed", "back": "blank"},
                                 {"front": "printed", "back": "printed"}]})"));
        std::string nombre = Salida("duplexdisp", "dd.tif");
        Respuestas::Cajas().clear();
        zel.OcultarUI(1);
        zel.PonDuplex(1);
        zel.DescartarEnBlanco(1.0);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_TIFFMULTI, nombre.data()), 1, "result");
        t.Igual(CajasCon(kDuplexTitulo), 0, "turn-over boxes");
        Esperado("labels " + nombre + " sheet 1 front|sheet 2 front|sheet 2 back");
    });
}

// The manager the library loads, by full path: a 64-bit library takes
// TWAINDSM.DLL of the system folder when there is one (ours is put there),
// else Wine's own twain_32.dll; a 32-bit library always TWAIN_32.DLL of the
// Windows folder.
void ManejadorCargado(Casos &t, const std::string &sManejador) {
    t.Caso("the_manager_of_this_architecture_is_loaded", [&] {
        Escenario("manejador", UnEscaner("manejador", kAlimentador));
        t.Verificar(zel.EstaDisponible() == 1, "a manager is available");
        t.Verificar(zel.AbrirManejadorDispositivo(nullptr) == 1, "the manager is opened");
        char carpeta[MAX_PATH] = "";
        if (sManejador == "wine") {
            t.Verificar(GetModuleHandleA("TWAINDSM.DLL") == nullptr, "no TWAINDSM.DLL");
            t.Verificar(GetModuleHandleA("twain_32.dll") != nullptr, "Wine's twain_32.dll");
        } else if (sizeof(void *) == 8) {
            GetSystemDirectoryA(carpeta, sizeof carpeta);
            std::string sRuta = std::string(carpeta) + "\\TWAINDSM.DLL";
            t.Verificar(GetModuleHandleA(sRuta.c_str()) != nullptr, sRuta + " loaded");
        } else {
            GetWindowsDirectoryA(carpeta, sizeof carpeta);
            std::string sRuta = std::string(carpeta) + "\\TWAIN_32.DLL";
            t.Verificar(GetModuleHandleA(sRuta.c_str()) != nullptr, sRuta + " loaded");
        }
        zel.DescargarManejadorDispositivo();
    });
}

// ---- The bridge to the helper process ----

constexpr char kAyudante[] = "ZELTW32Puente.exe";

// The processes of the helper program now running.
std::vector<DWORD> Ayudantes() {
    std::vector<DWORD> ids;
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (h == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 p{};
    p.dwSize = sizeof p;
    for (BOOL b = Process32First(h, &p); b; b = Process32Next(h, &p))
        if (lstrcmpiA(p.szExeFile, kAyudante) == 0)
            ids.push_back(p.th32ProcessID);
    CloseHandle(h);
    return ids;
}

// Whether a process runs as a 32-bit program (WoW64); -1 when unknown.
int Es32Bits(DWORD id) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    BOOL wow = FALSE;
    int r = h && IsWow64Process(h, &wow) ? int(wow != FALSE) : -1;
    if (h)
        CloseHandle(h);
    return r;
}

std::string Entorno(const char *nombre) {
    char valor[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA(nombre, valor, sizeof valor);
    return n > 0 && n < sizeof valor ? valor : "";
}

// The scenario both sides read: one file the script names in
// ZELTWAIN_SCENARIO, rewritten by each case, as the helper keeps the
// environment it started with.  Device 1 is the local one (the only device
// file of twain_64); the helper's manager lists the three, and device 1
// there repeats the local one.  The helper's manager loads every device from
// twain_64\zelvirtual-remoto.dll, which the local manager does not list.
struct Puente {
    std::string sEscenario = Entorno("ZELTWAIN_SCENARIO");
    bool b32 = false; // the 32-bit helper, whose manager lists device files

    std::string Remoto(const char *caso) const { return std::string("Remoto ") + caso; }
    void Escribir(const char *caso, const std::string &campos) const {
        const std::string driver = b32 ? "" : R"("driver": "zelvirtual-remoto.dll", )";
        const std::string json = R"({"sources": [{"name": "Local", "default": true, )" + driver +
                                 std::string(kAlimentador) + R"(}, {"name": ")" + Remoto(caso) +
                                 R"(", )" + driver + sCamposComunes + campos +
                                 R"(}, {"name": "Tercero", "feeder": false, "flatbed": true, )" +
                                 driver + R"("operator": {"delay_ms": 5}}]})";
        if (FILE *f = std::fopen(sEscenario.c_str(), "wb")) {
            std::fputs(json.c_str(), f);
            std::fclose(f);
        }
    }
    // Writes the case's scenario and opens device 2 through the helper.
    bool AbrirRemoto(Casos &t, const char *caso, const std::string &campos) const {
        Escribir(caso, campos);
        if (t.Verificar(zel.AbrirManejadorDispositivo(nullptr) == 1, "manager opened") &&
            t.Verificar(zel.AbrirDispositivoXNombre(Remoto(caso).c_str()) == 1, "device 2 opened"))
            return true;
        zel.DescargarManejadorDispositivo();
        return false;
    }
    std::string Lista() const {
        std::string todos;
        char nombre[34] = {};
        int n = 0;
        for (BOOL b = zel.MostrarPrimerEscaner(nullptr, nombre); b && n++ < 10;
             b = zel.MostrarSiguienteEscaner(nullptr, nombre))
            todos += std::string(nombre) + "|";
        return todos;
    }
};

void ListaDelPuente(Casos &t, const Puente &p) {
    t.Caso("the_helper_and_its_manager_are_in_place", [&] {
        char dll[MAX_PATH] = "";
        GetModuleFileNameA(zel.h, dll, sizeof dll);
        std::string carpeta(dll);
        carpeta.resize(carpeta.find_last_of('\\') + 1);
        t.Verificar(GetFileAttributesA((carpeta + kAyudante).c_str()) != INVALID_FILE_ATTRIBUTES,
                    "the helper lies beside the library");
        t.Igual(Entorno("ZELTWPUENTE_MANEJADOR"),
                std::string(p.b32 ? "" : "C:\\zelpuente\\ZELDSM.DLL"),
                "the helper's manager, named through Wine's environment");
        t.Verificar(!p.sEscenario.empty(), "ZELTWAIN_SCENARIO set");
    });
    t.Caso("one_list_the_local_side_first", [&] {
        p.Escribir("lista", kAlimentador);
        t.Igual(p.Lista(), std::string("Local|Remoto lista|Tercero|"),
                "the devices, device 1 once");
        const auto ids = Ayudantes();
        if (t.Igual(ids.size(), size_t(1), "helper processes"))
            t.Igual(Es32Bits(ids[0]), p.b32 ? 1 : 0, "the helper is a 32-bit program");
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });
    t.Caso("the_selection_dialog_lists_both_sides", [&] {
        p.Escribir("eleccion", kAlimentador);
        Respuestas::FuenteParaElegir("Tercero");
        Respuestas::Listas().clear();
        t.Igual(zel.SeleccionarDispositivo(nullptr), 1, "a source chosen");
        t.Igual(Respuestas::Listas().size(), size_t(1), "selection dialogs");
        if (!Respuestas::Listas().empty())
            t.Igual(Respuestas::Listas()[0], std::string("Local|Remoto eleccion|Tercero|"),
                    "the dialog's list");
        char nombre[34] = {};
        zel.MostrarEscanerXDefecto(nullptr, nombre);
        t.Igual(std::string(nombre), std::string("Tercero"), "the choice is the default");
    });
}

// The acquisitions of device 2, each through the helper.
void AdquisicionesDelPuente(Casos &t, const Puente &p) {
    const std::string kTresHojas = std::string(kAlimentador) + R"(, "paper": {"sheets": 3})";
    t.Caso("bridge_single_image_to_memory", [&] {
        if (!p.AbrirRemoto(t, "memoria", kAlimentador))
            return;
        zel.OcultarUI(1);
        HGLOBAL hDib = zel.AdquirirEnMemoria(nullptr, 0);
        if (t.Verificar(hDib != nullptr, "a DIB")) {
            t.Igual(zel.DibProfundidad(hDib), 24, "depth");
            t.Verificar(zel.DibAnchura(hDib) > 0 && zel.DibAltura(hDib) > 0, "size");
            zel.LiberadorDeMemoria(hDib);
        }
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });
    t.Caso("bridge_single_image_to_clipboard", [&] {
        if (!p.AbrirRemoto(t, "portapapeles", kAlimentador))
            return;
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirEnPortaPapeles(nullptr, 0), 1, "result");
        t.Verificar(IsClipboardFormatAvailable(CF_DIB), "a DIB on the clipboard");
    });
    t.Caso("bridge_multipage_tiff", [&] {
        if (!p.AbrirRemoto(t, "tiff", kTresHojas))
            return;
        std::string nombre = Salida("puente_tiff", "lote.tif");
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_TIFFMULTI, nombre.data()), 1, "result");
        Esperado("labels " + nombre + " sheet 1 front|sheet 2 front|sheet 3 front");
    });
    t.Caso("bridge_two_sided_batch", [&] {
        if (!p.AbrirRemoto(t, "duplex", kTresHojas + R"(, "duplex": "one-pass")"))
            return;
        std::string nombre = Salida("puente_duplex", "duplex.tif");
        Respuestas::Cajas().clear();
        zel.OcultarUI(1);
        zel.PonDuplex(1);
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_TIFFMULTI, nombre.data()), 1, "result");
        t.Igual(CajasCon(kDuplexTitulo), 0, "turn-over boxes");
        Esperado("labels " + nombre +
                 " sheet 1 front|sheet 1 back|sheet 2 front|sheet 2 back|sheet 3 front|sheet 3 "
                 "back");
    });
    t.Caso("bridge_device_file_batch", [&] {
        if (!p.AbrirRemoto(t, "dispositivo", kTresHojas))
            return;
        std::string nombre = Salida("puente_disp", "disp.tif");
        zel.OcultarUI(1);
        t.Igual(zel.AdquirirMultipaginaXDispositivo(nullptr, TWFF_TIFF, nombre.data()), 1,
                "result");
        Esperado("files " + std::string(kCarpeta) + "\\puente_disp 1");
        Esperado("labels " + nombre + " sheet 1 front|sheet 2 front|sheet 3 front");
    });
}

// Device 2's driver crashes at page 2: the helper ends, page 1's file
// stays, the session walks down, and the next calls start a new helper (the
// old one is seen gone first: Wine reuses process ids).
void CaidaDelAyudante(Casos &t, const Puente &p) {
    t.Caso("a_crashing_driver_costs_only_its_batch", [&] {
        const std::string campos = std::string(kAlimentador) +
                                   R"(, "paper": {"sheets": 3}, "faults": {"pages": [
                                   {"page": 2, "transfer": "crash"}]})";
        if (!p.AbrirRemoto(t, "caida", campos))
            return;
        std::string nombre = Salida("puente_caida", "hoja.bmp");
        zel.OcultarUI(1);
        Respuestas::Cajas().clear();
        t.Igual(zel.AdquirirMultipagina(nullptr, TWFF_BMP, nombre.data()), 0, "the batch failed");
        t.Verificar(Respuestas::Cajas().size() == 1 &&
                        Respuestas::Cajas()[0].sTexto.find(nombre) != std::string::npos,
                    "one box names the output that misses the page");
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after the crash");
        t.Verificar(zelwine::Esperar([] { return Ayudantes().empty(); }, 5000), "the helper ended");
        Esperado("files " + std::string(kCarpeta) + "\\puente_caida 1");
        Esperado("label " + nombre + " 0 sheet 1 front");
        p.Escribir("despues", kAlimentador);
        t.Igual(p.Lista(), std::string("Local|Remoto despues|Tercero|"), "listed again");
        t.Verificar(zel.AbrirManejadorDispositivo(nullptr) == 1 &&
                        zel.AbrirDispositivoXNombre("Remoto despues") == 1,
                    "device 2 opened again");
        t.Igual(Ayudantes().size(), size_t(1), "a new helper");
        zel.DescargarManejadorDispositivo();
        t.Igual(zel.EstadoTwain(), ZEL_SM_DESCARGADO, "state after");
    });
}
} // namespace

int main(int argc, char **argv) {
    Casos t;
    const std::string sManejador = argc > 1 ? argv[1] : "";
    Respuestas respuestas;
    CreateDirectoryA("C:\\zelwine", nullptr);
    CreateDirectoryA(kCarpeta, nullptr);
    DeleteFileA((std::string(kCarpeta) + "\\expect.txt").c_str());

    bool bCargada = false;
    t.Caso("the_library_loads_with_every_export", [&] {
        bCargada = t.Verificar(zel.Cargar(), "ZELTW32.dll loaded, exports bound");
        for (const auto &f : zel.faltan)
            t.Verificar(false, "missing export " + f);
    });
    const bool bPuente = sManejador == "puente" || sManejador == "puente32";
    if (!bCargada || (sManejador != "ours" && sManejador != "wine" && !bPuente))
        return t.Terminar() | 1;
    if (argc > 2 && std::string(argv[2]) == "twain2")
        sCamposComunes = R"("twain2": true, )";
    if (bPuente) {
        Puente p;
        p.b32 = sManejador == "puente32";
        ListaDelPuente(t, p);
        AdquisicionesDelPuente(t, p);
        if (!p.b32)
            CaidaDelAyudante(t, p);
        return t.Terminar();
    }
    ManejadorCargado(t, sManejador);
    if (sManejador == "wine")
        ConElManejadorDeWine(t);
    Adquisiciones(t);
    if (sManejador == "ours")
        PdfDelDispositivo(t);
    return t.Terminar();
}

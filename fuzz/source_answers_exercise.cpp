#include "source_answers_exercise.h"

#include <zelplat/zelplat_test.h>
#include <zeltw32.h>

#include "pages/multipage_state.h"
#include "session/session.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace zelfuzz {

namespace {

// Output names live in a folder of this process, so that test processes
// running side by side never share them.
const std::string kCarpeta = "C:\\zfz" + std::to_string(GetCurrentProcessId());

// The device's file when no name was set up.
const std::string kArchivoDispositivo = "C:\\TWAIN.TMP";

// The file dialog answers with this name, or cancels when it is empty.
std::string nombreDialogo;
int nDialogos = 0;

int ResponderCaja(void *ctx, HWND, LPCSTR, LPCSTR, UINT) {
    ++*static_cast<int *>(ctx);
    return IDOK;
}

BOOL ResponderDialogo(void *, BOOL, LPOPENFILENAMEA ofn) {
    ++nDialogos;
    if (nombreDialogo.empty() || nombreDialogo.size() >= ofn->nMaxFile)
        return FALSE;
    std::memcpy(ofn->lpstrFile, nombreDialogo.c_str(), nombreDialogo.size() + 1);
    return TRUE;
}

std::string Ruta(const std::string &windows) {
    char host[4096];
    return ZelPlat_HostPath(windows.c_str(), host, sizeof host) ? host : "";
}

// A small TIFF, for the files of an earlier acquisition.
const std::string &TiffAnterior() {
    static std::string bytes;
    if (bytes.empty()) {
        FIBITMAP *pagina = FreeImage_Allocate(4, 4, 8);
        FIMEMORY *memoria = FreeImage_OpenMemory();
        FreeImage_SaveToMemory(FIF_TIFF, pagina, memoria, 0);
        BYTE *datos = nullptr;
        DWORD largo = 0;
        FreeImage_AcquireMemory(memoria, &datos, &largo);
        bytes.assign(reinterpret_cast<const char *>(datos), largo);
        FreeImage_CloseMemory(memoria);
        FreeImage_Unload(pagina);
    }
    return bytes;
}

// Every run starts from an output folder holding what an earlier
// acquisition wrote: its document and two page files.
void PrepararCarpeta() {
    std::error_code error;
    std::filesystem::remove_all(Ruta(kCarpeta), error);
    std::filesystem::create_directories(Ruta(kCarpeta), error);
    std::filesystem::remove(Ruta(kArchivoDispositivo), error);
    for (const char *nombre : {"\\lote.tif", "\\lote_1.tif", "\\lote_2.tif"})
        std::ofstream(Ruta(kCarpeta + nombre), std::ios::binary) << TiffAnterior();
}

// The output name of argument b in a buffer with room for an extension:
// plain, with its extension, empty (the dialog answers, or cancels), or
// longer than a Windows path; b & 8 takes the earlier acquisition's name.
void Nombre(uint8_t b, char (&nombre)[512]) {
    std::string texto;
    switch (b & 3) {
    case 0:
        texto = kCarpeta + (b & 8 ? "\\lote" : "\\page");
        break;
    case 1:
        texto = kCarpeta + (b & 8 ? "\\lote.tif" : "\\doc.tif");
        break;
    case 2:
        texto = "";
        break;
    default:
        texto = kCarpeta + "\\" + std::string(300, 'n');
        break;
    }
    nombreDialogo = b & 4 ? "" : kCarpeta + (b & 8 ? "\\lote.tif" : "\\chosen");
    lstrcpynA(nombre, texto.c_str(), sizeof nombre);
}

int Formato(uint8_t a) {
    static constexpr int kFormatos[8] = {TWFF_TIFF, TWFF_TIFFMULTI, TWFF_BMP, TWFF_JFIF,
                                         TWFF_PNG,  TWFF_PDF,       99,       TWFF_TIFF};
    return kFormatos[a & 7];
}

// The options of a multi-page acquisition: compression or quality, duplex
// mode, forced manual duplex, blank threshold, hidden interface.
void Opciones(uint8_t a, uint8_t c) {
    static constexpr int kCompresiones[16] = {0,  -1, -2, -3, -4,  -5,  -6,  -7,
                                              -8, -9, 1,  50, 100, 101, -10, 0};
    if (kCompresiones[c & 15] != 0)
        Comprimir(kCompresiones[c & 15]);
    if ((c >> 4) & 1)
        PonDuplex((c >> 5) & 1);
    ForzarDuplex((c >> 6) & 1);
    if (c >> 7)
        DescartarEnBlanco(a & 8 ? 1.0 : 100.0);
    OcultarUI((a >> 4) & 1);
}

int Capacidad(uint8_t a) {
    static constexpr int kCapacidades[8] = {
        ICAP_PIXELTYPE,   ICAP_XFERMECH,     CAP_UICONTROLLABLE,   ICAP_BITDEPTH,
        ICAP_XRESOLUTION, CAP_DUPLEXENABLED, ICAP_IMAGEFILEFORMAT, 0};
    int cap = kCapacidades[a & 7];
    return cap ? cap : 0x8000 | a;
}

void Nombrada(uint8_t a, uint8_t b) {
    switch (a % 16) {
    case 0:
        NegociarTipoPixel(b);
        break;
    case 1:
        NegociarContadorXfer(int8_t(b));
        break;
    case 2:
        ObtenUnidadesActuales();
        break;
    case 3:
        PonUnidadesActuales(b);
        break;
    case 4:
        ObtenProfundidaBit();
        break;
    case 5:
        PonProfundidaBit(b);
        break;
    case 6:
        ObtenTipoPixel();
        break;
    case 7:
        PonActualTipoPixel(b);
        break;
    case 8:
        ObtenActualResolucion();
        break;
    case 9:
        ObtenYResolucion();
        break;
    case 10:
        PonActualResolucion(b * 3.5);
        break;
    case 11:
        PonContraste(b - 128.0);
        break;
    case 12:
        PonBrillo(b * 1000.0);
        break;
    case 13:
        XferMech();
        break;
    case 14:
        PonXferMech(b % 3);
        break;
    default:
        EsDuplex(0, b % 2);
        break;
    }
}

void Abrir(uint8_t a) {
    switch (a % 3) {
    case 0:
        AbrirDispositivoXDefecto();
        break;
    case 1:
        AbrirDispositivo(a >> 2);
        break;
    default:
        AbrirDispositivoXNombre(a & 4 ? "Scanner" : "Scripted Scanner");
        break;
    }
}

struct Devueltos {
    std::vector<HGLOBAL> handles;
    int Guardar(HGLOBAL h, SourceRun &run) {
        if (!h)
            return 0;
        handles.push_back(h);
        ++run.handles;
        return 1;
    }
    void LiberarUltimo() {
        if (!handles.empty()) {
            LiberadorDeMemoria(handles.back());
            handles.pop_back();
        }
    }
    void LiberarTodos() {
        while (!handles.empty())
            LiberarUltimo();
    }
};

// The names a run may write: the outputs it chose, the device's file as
// each call finds it (a host's file transfer writes there), and their
// numbered page files (name_1.ext ...).
struct Salida {
    std::string nombre, extension;
};
std::vector<Salida> salidas;

std::string Minusculas(std::string texto) {
    CharLowerA(texto.data());
    return texto;
}

bool EsPaginaNumerada(const std::string &archivo, const Salida &salida) {
    std::string nombre = Minusculas(salida.nombre), extension = Minusculas(salida.extension);
    std::string prefijo = nombre.substr(0, nombre.size() - extension.size()) + "_";
    std::string a = Minusculas(archivo);
    if (a.size() <= prefijo.size() + extension.size() || !a.starts_with(prefijo) ||
        !a.ends_with(extension))
        return false;
    std::string numero = a.substr(prefijo.size(), a.size() - prefijo.size() - extension.size());
    return numero.find_first_not_of("0123456789") == std::string::npos;
}

bool Permitido(const std::string &archivo) {
    return std::any_of(salidas.begin(), salidas.end(), [&](const Salida &s) {
        return Minusculas(archivo) == Minusculas(s.nombre) || EsPaginaNumerada(archivo, s);
    });
}

void AnotarSalida(const std::string &nombre) {
    size_t punto = nombre.find_last_of('.');
    bool conExtension = punto != std::string::npos && punto > nombre.find_last_of('\\');
    salidas.push_back({nombre, conExtension ? nombre.substr(punto) : ""});
}

// A host's loop over the messages posted to it, each offered to the source.
void BucleDelAnfitrion() {
    MSG msg;
    for (int i = 0;
         i < 256 && EstadoTwain() >= ZEL_DISP_HABILITADO && PeekMessageA(&msg, 0, 0, 0, PM_REMOVE);
         ++i)
        if (!CapturarMensajes(&msg))
            DispatchMessageA(&msg);
}

// The host's own acquisition: the file mechanism (c & 1) and a file name of
// its own (c & 2, name b, format a), then the library's modal loop or a loop
// of the host's over the messages posted to it.  The pages its batches
// leave in the slots are the host's.
int AdquisicionPropia(const uint8_t *op, Devueltos &devueltos, SourceRun &run) {
    uint8_t a = op[1], b = op[2], c = op[3];
    AbrirDispositivoXDefecto();
    if (c & 1)
        PonXferMech(TWSX_FILE);
    if (c & 2) {
        char nombre[512];
        Nombre(b, nombre);
        TW_SETUPFILEXFER archivo{};
        lstrcpynA(archivo.FileName, nombre, sizeof archivo.FileName);
        archivo.Format = TW_UINT16(Formato(a));
        AnotarSalida(archivo.FileName);
        ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &archivo);
    }
    if (HabilitarDispositivo(0) && op[0] >> 4 == kHostModal >> 4)
        BucleEventosModal();
    else if (EstadoTwain() >= ZEL_DISP_HABILITADO)
        BucleDelAnfitrion();
    int tomadas = 0;
    for (HGLOBAL &h : zel::ahImagenes)
        tomadas += devueltos.Guardar(std::exchange(h, HGLOBAL(0)), run);
    zel::nImagen = -1;
    return tomadas;
}

bool EsPropia(uint8_t op) {
    return op >> 4 == kHostModal >> 4 || op >> 4 == kHostLoop >> 4;
}

// Makes one call; returns the pages it handed to the caller.
int Llamar(const uint8_t *op, Devueltos &devueltos, SourceRun &run) {
    uint8_t a = op[1], b = op[2], c = op[3];
    char nombre[512];
    uint8_t valor[512] = {};
    int dialogos = nDialogos;
    AnotarSalida(DeviceFile());
    ++run.calls;
    if (EsPropia(op[0]))
        return AdquisicionPropia(op, devueltos, run);
    switch (Operation(op[0] % 16)) {
    case kNone:
        --run.calls;
        break;
    case kMemory:
        return devueltos.Guardar(AdquirirEnMemoria(0, a), run);
    case kClipboard:
        return AdquirirEnPortaPapeles(0, a) ? 1 : 0;
    case kBitmapFile:
        // The page is the caller's once acquired: written, its failure
        // returned, or its name cancelled.
        Nombre(b, nombre);
        AnotarSalida(nombre);
        AnotarSalida(nombreDialogo);
        AnotarSalida(nombreDialogo + ".bmp");
        return AdquirirEnArchivo(0, nombre) != -1 || nDialogos != dialogos;
    case kMultipage:
        Opciones(a, c);
        Nombre(b, nombre);
        AdquirirMultipagina(0, Formato(a), nombre);
        salidas.push_back({zel::szArchivoSalida, zel::szExtension});
        break;
    case kDeviceFiles:
        OcultarUI((a >> 4) & 1);
        Nombre(b, nombre);
        AdquirirMultipaginaXDispositivo(0, Formato(a), nombre);
        salidas.push_back({zel::szArchivoSalida, zel::szExtension});
        break;
    case kWaitNative:
        return devueltos.Guardar(EsperarANativeXfer(0), run);
    case kEndTransfer:
        FinXfer();
        break;
    case kAbort:
        AbortarPendienteXfer();
        break;
    case kGetCap:
        ObtenActualCapacidad(Capacidad(a), b % 14, valor);
        break;
    case kSetCap:
        PonValorDeUnaCapacidad(Capacidad(a), b % 14, TW_UINT32(c) * 0x01010101u);
        break;
    case kNamed:
        Nombrada(a, b);
        break;
    case kFree:
        devueltos.LiberarUltimo();
        break;
    case kOpen:
        Abrir(a);
        break;
    case kHideUI:
        OcultarUI(a & 1);
        break;
    case kUnload:
        DescargarManejadorDispositivo();
        break;
    }
    return 0;
}

// What the clipboard holds is the caller's to drop.
void VaciarPortapapeles() {
    if (OpenClipboard(0)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The files a call may have written, with a hash of their contents: the
// output folder's and the device's file.
using Archivos = std::map<std::string, size_t>;

size_t Huella(const std::filesystem::path &ruta) {
    std::ifstream in(ruta, std::ios::binary);
    return std::hash<std::string>{}(std::string(std::istreambuf_iterator<char>(in), {}));
}

Archivos Listar() {
    Archivos archivos;
    std::error_code error;
    for (const auto &e : std::filesystem::directory_iterator(Ruta(kCarpeta), error))
        archivos[kCarpeta + "\\" + e.path().filename().string()] = Huella(e.path());
    if (std::filesystem::exists(Ruta(kArchivoDispositivo), error))
        archivos[kArchivoDispositivo] = Huella(Ruta(kArchivoDispositivo));
    return archivos;
}

// Pages of a file the device wrote: a TIFF's page count, otherwise one.
int PaginasDeArchivo(const std::string &windows) {
    std::string ruta = Ruta(windows);
    if (FreeImage_GetFileType(ruta.c_str(), 0) != FIF_TIFF)
        return 1;
    FIMULTIBITMAP *doc = FreeImage_OpenMultiBitmap(FIF_TIFF, ruta.c_str(), FALSE, TRUE, TRUE);
    int paginas = doc ? FreeImage_GetPageCount(doc) : 0;
    if (doc)
        FreeImage_CloseMultiBitmap(doc, 0);
    return std::max(paginas, 1);
}

// What the library says it did with each page, from the debug lines of a
// call: written, discarded blank, not written (but for a page kept in a
// file of its own, which counts as a file), or lost.
int PaginasTrazadas(size_t desde) {
    int paginas = 0;
    for (size_t i = desde; i < ZelPlat_DebugOutputCount(); ++i) {
        std::string_view linea = ZelPlat_DebugOutputEntry(i);
        paginas += linea.starts_with("ZELTW: page written.") ||
                   linea.starts_with("ZELTW: blank page discarded.") ||
                   linea.starts_with("ZELTW: page lost: ") ||
                   (linea.starts_with("ZELTW: page not written: ") &&
                    linea.find("(kept as a file of its own)") == linea.npos);
    }
    return paginas;
}

// What a call is checked against: the state before it.
struct Antes {
    size_t linea = ZelPlat_DebugOutputCount();
    ScriptCounts peer = ScriptResult();
    Archivos archivos = Listar();
};

bool Cambiado(const Archivos &antes, const Archivos &despues, const std::string &nombre) {
    auto a = antes.find(nombre), d = despues.find(nombre);
    return a == antes.end() || d == despues.end() || a->second != d->second;
}

// The files a call touched: changed, created or removed, or written by the
// device (perhaps with the contents they had).
std::set<std::string> Tocados(const Antes &antes, const Archivos &despues,
                              const ScriptCounts &peer) {
    std::set<std::string> tocados(peer.written.begin() + antes.peer.written.size(),
                                  peer.written.end());
    for (const Archivos *lista : {&antes.archivos, &despues})
        for (const auto &entrada : *lista)
            if (Cambiado(antes.archivos, despues, entrada.first))
                tocados.insert(entrada.first);
    return tocados;
}

// The files a call created, changed or removed must be the run's own; each
// page the source delivered must be written, discarded, reported, handed
// to the caller or, for a device-files acquisition, in a file created or
// changed: a file page of any other call is none of its output.  The files
// of a host's own file transfer are the host's; a call that had both kinds
// of page is not counted.
std::string Comprobar(const Antes &antes, int entregadas, uint8_t op) {
    const Archivos despues = Listar();
    const ScriptCounts peer = ScriptResult();
    int nativas = peer.pages - antes.peer.pages;
    int archivos = EsPropia(op) ? 0 : peer.files - antes.peer.files;
    bool salidaDeArchivos = (op & 0x0F) == kDeviceFiles && !EsPropia(op);
    int enArchivos = 0;
    for (const std::string &nombre : Tocados(antes, despues, peer)) {
        if (!Permitido(nombre))
            return nombre + " created, changed or removed: no output of the run";
        if (archivos && salidaDeArchivos && std::filesystem::exists(Ruta(nombre)))
            enArchivos += PaginasDeArchivo(nombre);
    }
    int cuentas = PaginasTrazadas(antes.linea) + entregadas + enArchivos;
    if ((nativas == 0 || archivos == 0) && nativas + archivos != cuentas)
        return std::to_string(nativas + archivos) + " pages delivered (" +
               std::to_string(archivos) + " by file), " + std::to_string(cuentas) +
               " accounted for (" + std::to_string(entregadas) + " to the caller, " +
               std::to_string(enArchivos) + " in files)";
    return "";
}

// The module state a host cannot reach through the exports goes back to
// what a freshly loaded library has; the run's outputs, debug lines and
// misused handles start afresh.
void SesionNueva() {
    zel::ReiniciarOpciones(true);
    zel::BorrarError();
    zel::szArchivoSalida[0] = '\0';
    OcultarUI(0);
    salidas.clear();
    ZelPlat_DebugOutputClear();
    ZelPlat_ForgetBadMemoryHandleUses();
}

// Makes the calls, each checked against the state before it; the first
// failure is kept.
void Llamadas(const uint8_t *ops, Devueltos &devueltos, SourceRun &run) {
    for (size_t i = 0; i < kOperations; ++i) {
        const uint8_t *op = ops + 4 * i;
        Antes antes;
        int entregadas = Llamar(op, devueltos, run);
        std::string fallo = Comprobar(antes, entregadas, op[0]);
        if (run.failure.empty() && !fallo.empty())
            run.failure = "call " + std::to_string(i + 1) + ": " + fallo;
    }
}

// What must hold once the teardown is over.
std::string Final(const SourceRun &run, size_t globals, size_t locals, size_t gdi) {
    if (run.peer.overrun)
        return "the library kept calling the source: " + std::to_string(run.peer.triplets) +
               " triplets";
    if (EstadoTwain() != ZEL_SM_DESCARGADO)
        return "session left in state " + std::to_string(EstadoTwain()) + " after unloading";
    if (zel::nImagen != -1 || std::any_of(std::begin(zel::ahImagenes), std::end(zel::ahImagenes),
                                          [](HGLOBAL h) { return h != 0; }))
        return "pages still held by the library after the run";
    if (ZelPlat_LiveGlobalBlocks() != globals)
        return "global blocks leaked: " + std::to_string(globals) + " before, " +
               std::to_string(ZelPlat_LiveGlobalBlocks()) + " after";
    if (ZelPlat_LiveLocalBlocks() != locals || ZelPlat_LiveGdiObjects() != gdi)
        return "local blocks or GDI objects leaked";
    if (ZelPlat_BadMemoryHandleUses() != 0)
        return std::to_string(ZelPlat_BadMemoryHandleUses()) +
               " uses of a memory handle that is no block";
    return "";
}

} // namespace

const std::string &OutputFolder() {
    return kCarpeta;
}

SourceRun ExerciseSourceAnswers(const uint8_t *data, size_t size) {
    SourceRun run;
    PrepararCarpeta();
    ZelPlat_SetMessageBoxHandler(ResponderCaja, &run.boxes);
    ZelPlat_SetFileDialogHandler(ResponderDialogo, nullptr);
    SesionNueva();
    size_t globals = ZelPlat_LiveGlobalBlocks();
    size_t locals = ZelPlat_LiveLocalBlocks();
    size_t gdi = ZelPlat_LiveGdiObjects();

    uint8_t ops[kOperationBytes] = {};
    std::memcpy(ops, data, std::min(size, kOperationBytes));
    size_t header = std::min(size, kOperationBytes);
    StartScript(data + header, size - header);
    Devueltos devueltos;
    Llamadas(ops, devueltos, run);

    // The teardown meets a cooperative peer and does what a host does
    // (closing and unloading leave pending transfers alone): whatever the
    // calls left, the session must get back to state 1.
    run.peer = ScriptResult();
    StartScript(nullptr, 0);
    AbortarPendienteXfer();
    DescargarManejadorDispositivo();
    devueltos.LiberarTodos();
    VaciarPortapapeles();
    ZelPlat_SetMessageBoxHandler(nullptr, nullptr);
    ZelPlat_SetFileDialogHandler(nullptr, nullptr);
    if (run.failure.empty())
        run.failure = Final(run, globals, locals, gdi);
    if (!run.failure.empty()) {
        // Leave the next run a clean session all the same.
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
        zel::SoltarPaginasRetenidas();
    }
    return run;
}

} // namespace zelfuzz

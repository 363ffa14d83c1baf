#include "source_answers_exercise.h"

#include <zelplat/zelplat_test.h>
#include <zeltw32.h>

#include "pages/multipage_state.h"
#include "session/session.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zelfuzz {

namespace {

// Output names live in a folder of this process, so that test processes
// running side by side never share them.
const std::string kCarpeta = "C:\\zfz" + std::to_string(GetCurrentProcessId());

// The file dialog answers with this name, or cancels when it is empty.
std::string nombreDialogo;

int ResponderCaja(void *ctx, HWND, LPCSTR, LPCSTR, UINT) {
    ++*static_cast<int *>(ctx);
    return IDOK;
}

BOOL ResponderDialogo(void *, BOOL, LPOPENFILENAMEA ofn) {
    if (nombreDialogo.empty() || nombreDialogo.size() >= ofn->nMaxFile)
        return FALSE;
    std::memcpy(ofn->lpstrFile, nombreDialogo.c_str(), nombreDialogo.size() + 1);
    return TRUE;
}

void CrearCarpeta() {
    char host[4096];
    if (ZelPlat_HostPath((kCarpeta + "\\x").c_str(), host, sizeof host)) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(host).parent_path(), error);
    }
}

// The output name of argument b in a buffer with room for an extension:
// plain, with its extension, empty (the dialog answers, or cancels), or
// longer than a Windows path.
void Nombre(uint8_t b, char (&nombre)[512]) {
    std::string texto;
    switch (b & 3) {
    case 0:
        texto = kCarpeta + "\\page";
        break;
    case 1:
        texto = kCarpeta + "\\doc.tif";
        break;
    case 2:
        texto = "";
        break;
    default:
        texto = kCarpeta + "\\" + std::string(300, 'n');
        break;
    }
    nombreDialogo = b & 4 ? "" : kCarpeta + "\\chosen";
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
    void Guardar(HGLOBAL h, SourceRun &run) {
        if (h) {
            handles.push_back(h);
            ++run.handles;
        }
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

void Llamar(const uint8_t *op, Devueltos &devueltos, SourceRun &run) {
    uint8_t a = op[1], b = op[2], c = op[3];
    char nombre[512];
    uint8_t valor[512] = {};
    ++run.calls;
    switch (Operation(op[0] % 16)) {
    case kNone:
        --run.calls;
        break;
    case kMemory:
        devueltos.Guardar(AdquirirEnMemoria(0, a), run);
        break;
    case kClipboard:
        AdquirirEnPortaPapeles(0, a);
        break;
    case kBitmapFile:
        Nombre(b, nombre);
        AdquirirEnArchivo(0, nombre);
        break;
    case kMultipage:
        Opciones(a, c);
        Nombre(b, nombre);
        AdquirirMultipagina(0, Formato(a), nombre);
        break;
    case kDeviceFiles:
        OcultarUI((a >> 4) & 1);
        Nombre(b, nombre);
        AdquirirMultipaginaXDispositivo(0, Formato(a), nombre);
        break;
    case kWaitNative:
        devueltos.Guardar(EsperarANativeXfer(0), run);
        break;
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
}

// What the clipboard holds is the caller's to drop.
void VaciarPortapapeles() {
    if (OpenClipboard(0)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The module state a host cannot reach through the exports goes back to
// what a freshly loaded library has.
void SesionNueva() {
    zel::ReiniciarOpciones(true);
    zel::BorrarError();
    OcultarUI(0);
}

} // namespace

const std::string &OutputFolder() {
    return kCarpeta;
}

SourceRun ExerciseSourceAnswers(const uint8_t *data, size_t size) {
    SourceRun run;
    static bool preparado = false;
    if (!preparado) {
        CrearCarpeta();
        preparado = true;
    }
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
    for (size_t i = 0; i < kOperations; ++i)
        Llamar(ops + 4 * i, devueltos, run);

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

    if (run.peer.overrun)
        run.failure = "the library kept calling the source: " + std::to_string(run.peer.triplets) +
                      " triplets";
    else if (EstadoTwain() != ZEL_SM_DESCARGADO)
        run.failure = "session left in state " + std::to_string(EstadoTwain()) + " after unloading";
    else if (zel::nImagen != -1 ||
             std::any_of(std::begin(zel::ahImagenes), std::end(zel::ahImagenes),
                         [](HGLOBAL h) { return h != 0; }))
        run.failure = "pages still held by the library after the run";
    else if (ZelPlat_LiveGlobalBlocks() != globals)
        run.failure = "global blocks leaked: " + std::to_string(globals) + " before, " +
                      std::to_string(ZelPlat_LiveGlobalBlocks()) + " after";
    else if (ZelPlat_LiveLocalBlocks() != locals || ZelPlat_LiveGdiObjects() != gdi)
        run.failure = "local blocks or GDI objects leaked";
    if (!run.failure.empty()) {
        // Leave the next run a clean session all the same.
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
        zel::SoltarPaginasRetenidas();
    }
    return run;
}

} // namespace zelfuzz

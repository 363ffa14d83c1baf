// The session record, the state changes, the application identity and the
// small session queries.
#include "session/session.h"

#include <cstdio>
#include <cstring>

#include "pages/multipage_state.h"
#include "pages/page_writer.h"
#include "session/diagnostics.h"

namespace zel {

namespace {

// Copies a host string into a TW_STR32 field: a NULL string counts as empty
// and a longer one is cut to the 33 characters the field holds.
void CopiarStr32(TW_STR32 destino, LPCSTR origen) {
    std::memset(destino, 0, sizeof(TW_STR32));
    if (origen)
        lstrcpynA(destino, origen, sizeof(TW_STR32));
}

TW_IDENTITY IdentidadInicial() {
    TW_IDENTITY id{};
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_SPA;
    id.Version.Country = TWCY_SPAIN;
    CopiarStr32(id.Version.Info, "Version 0.01");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopiarStr32(id.Manufacturer, "Zeltw.dll");
    CopiarStr32(id.ProductFamily, "ZelScan");
    CopiarStr32(id.ProductName, "Corvalia");
    return id;
}

} // namespace

int32_t nEstado = ZEL_SM_DESCARGADO;
TW_IDENTITY IdentidadApp = IdentidadInicial();
TW_IDENTITY IdentidadDisp{};
DSMENTRYPROC pDSM_Entry = nullptr;
HMODULE hDSM = 0;
TW_INT16 nUltimoRC = 0;
int32_t nDisponible = 0;
int32_t nBloquesMemoria = 0;
HWND hVentanaPadre = 0;
TW_IDENTITY IdentidadXDefecto{};
int32_t nIndiceEscaner = 0;
int32_t bOcultarUI = 0;
TW_USERINTERFACE InterfazUsuario{};
HWND hVentanaProxy = 0;
int32_t bRomperBucle = 0;
HGLOBAL ahImagenes[kMaxImagenes] = {};
int32_t nImagen = -1;
TW_PENDINGXFERS PendientesXfer{};
FuentesTerminadas FinDeFuentes;

// The page in transfer goes into the running acquisition's report of lost
// pages, under its output's name; an operation that writes no output never
// shows that report, and the next that does forgets it first.
void FuenteTerminada() {
    FinDeFuentes.veces += 1;
    if (nEstado < ZEL_TRANSFER_LISTA) {
        OutputDebugStringA("ZELTW: the source ended.\n");
        return;
    }
    OutputDebugStringA("ZELTW: page lost: the source ended in its transfer.\n");
    FinDeFuentes.conPagina += 1;
    InformarPaginaInutilizable(szArchivoSalida);
}

void PonEstado(int estado) {
    char linea[32];
    std::snprintf(linea, sizeof linea, "ZELW:State %d\n", estado);
    OutputDebugStringA(linea);
    nEstado = estado;
}

void InformarAfirmacion(const char *expresion, const char *archivo, int linea) {
    char texto[512];
    std::snprintf(texto, sizeof texto, "ZELTW: Assertion failed: %s, file %s, line %d\n", expresion,
                  archivo, linea);
    OutputDebugStringA(texto);
}

} // namespace zel

using namespace zel;

ZELTW32_API(void)
RegistrarApp(int MajorNum, int MinorNum, int Language, int Country, LPCSTR Info,
             LPCSTR Manufacturer, LPCSTR ProductFamily, LPCSTR ProductName) {
    IdentidadApp.Id = 0;
    IdentidadApp.Version.MajorNum = TW_UINT16(MajorNum);
    IdentidadApp.Version.MinorNum = TW_UINT16(MinorNum);
    IdentidadApp.Version.Language = TW_UINT16(Language);
    IdentidadApp.Version.Country = TW_UINT16(Country);
    CopiarStr32(IdentidadApp.Version.Info, Info);
    IdentidadApp.ProtocolMajor = 1;
    IdentidadApp.ProtocolMinor = 9;
    IdentidadApp.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopiarStr32(IdentidadApp.Manufacturer, Manufacturer);
    CopiarStr32(IdentidadApp.ProductFamily, ProductFamily);
    CopiarStr32(IdentidadApp.ProductName, ProductName);
}

ZELTW32_API(int) EstadoTwain(void) {
    return nEstado;
}

ZELTW32_API(int) ZelTwainVersion(void) {
    return 1;
}

// Whether a manager can be loaded: asked once per process, so that a host
// polling it does not load and unload the manager every time.
ZELTW32_API(BOOL) EstaDisponible(void) {
    if (pDSM_Entry)
        return 1;
    if (nDisponible == 0) {
        if (CargarManejadorDispositivo()) {
            nDisponible = 1;
            DescargarManejadorDispositivo();
        } else {
            nDisponible = -1;
        }
    }
    return nDisponible > 0 ? 1 : 0;
}

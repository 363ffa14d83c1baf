// The library's entry to the helper where no helper can serve: the events
// it answers itself, the closing triplets that succeed without a helper, the
// others that fail with TWCC_BUMMER, and a helper that cannot run its
// manager.  argv[1]: the helper program, copied beside this test for the
// last case.
#include <cstring>

#include "../wine/wine_check.h"
#include "bridge/bridge.h"

using namespace zel;

// The session's notice that the open source ended with the helper: the
// entry is tested without a session, and no source is opened here.
namespace zel {
int finesDeFuente = 0;
void FuenteTerminada() {
    finesDeFuente += 1;
}
} // namespace zel

namespace {

zelwine::Casos casos;
TW_IDENTITY app{};

TW_UINT16 Llamar(TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos, pTW_IDENTITY destino = nullptr) {
    return EntradaPuente(&app, destino, DG_CONTROL, DAT, MSG, datos);
}

TW_UINT16 Condicion() {
    TW_STATUS estado{};
    casos.Igual(Llamar(DAT_STATUS, MSG_GET, &estado), TWRC_SUCCESS, "status answered");
    return estado.ConditionCode;
}

void CasosEventos() {
    struct Fila {
        const char *nombre;
        bool nuestro;
        WPARAM wParam;
        TW_UINT16 rc, mensaje;
    };
    const Fila tabla[] = {
        {"relayed MSG_XFERREADY", true, MSG_XFERREADY, TWRC_DSEVENT, MSG_XFERREADY},
        {"relayed MSG_CLOSEDSREQ", true, MSG_CLOSEDSREQ, TWRC_DSEVENT, MSG_CLOSEDSREQ},
        {"relayed MSG_CLOSEDSOK", true, MSG_CLOSEDSOK, TWRC_DSEVENT, MSG_CLOSEDSOK},
        {"relayed message with no event in it", true, 0x1234, TWRC_NOTDSEVENT, MSG_NULL},
        {"any other message", false, MSG_XFERREADY, TWRC_NOTDSEVENT, MSG_NULL},
    };
    for (const Fila &f : tabla) {
        casos.Caso(f.nombre, [&] {
            MSG mensaje{};
            mensaje.message = f.nuestro ? MensajeEventoPuente() : WM_TIMER;
            mensaje.wParam = f.wParam;
            TW_EVENT evento{&mensaje, 0x7777};
            casos.Igual(Llamar(DAT_EVENT, MSG_PROCESSEVENT, &evento), f.rc, "result");
            casos.Igual(evento.TWMessage, f.mensaje, "TWMessage");
        });
    }
    casos.Caso("event without a message or record", [] {
        TW_EVENT evento{nullptr, 0x7777};
        casos.Igual(Llamar(DAT_EVENT, MSG_PROCESSEVENT, &evento), TWRC_NOTDSEVENT, "no message");
        casos.Igual(Llamar(DAT_EVENT, MSG_PROCESSEVENT, nullptr), TWRC_NOTDSEVENT, "no record");
    });
}

void CasosSinAyudante() {
    casos.Caso("no helper beside the library: the manager does not open", [] {
        casos.Verificar(!PuenteDisponible(), "not available");
        HWND ventana = 0;
        casos.Igual(Llamar(DAT_PARENT, MSG_OPENDSM, &ventana), TWRC_FAILURE, "MSG_OPENDSM");
        casos.Igual(Condicion(), TWCC_BUMMER, "condition");
    });
    struct Fila {
        const char *nombre;
        TW_UINT16 dat, msg, rc;
    };
    // The closing triplets walk the session down; the rest fail.
    const Fila tabla[] = {
        {"MSG_DISABLEDS without a helper", DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_SUCCESS},
        {"MSG_CLOSEDS without a helper", DAT_IDENTITY, MSG_CLOSEDS, TWRC_SUCCESS},
        {"MSG_CLOSEDSM without a helper", DAT_PARENT, MSG_CLOSEDSM, TWRC_SUCCESS},
        {"MSG_ENDXFER without a helper", DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS},
        {"MSG_RESET without a helper", DAT_PENDINGXFERS, MSG_RESET, TWRC_SUCCESS},
        {"MSG_GETFIRST without a helper", DAT_IDENTITY, MSG_GETFIRST, TWRC_FAILURE},
        {"MSG_ENABLEDS without a helper", DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE},
        {"MSG_GET of a capability without a helper", DAT_CAPABILITY, MSG_GET, TWRC_FAILURE},
    };
    for (const Fila &f : tabla) {
        casos.Caso(f.nombre, [&] {
            alignas(8) uint8_t registro[256];
            std::memset(registro, 0x55, sizeof registro);
            TW_IDENTITY fuente{};
            casos.Igual(Llamar(f.dat, f.msg, registro, &fuente), f.rc, "result");
            if (f.dat == DAT_PENDINGXFERS)
                casos.Igual(reinterpret_cast<pTW_PENDINGXFERS>(registro)->Count, 0,
                            "nothing pending");
            casos.Igual(Condicion(), TWCC_BUMMER, "condition");
        });
    }
}

// Where the library looks for the helper: beside this program.
std::string AyudanteAlLado() {
    char propio[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, propio, sizeof propio);
    std::string ruta(propio);
    return ruta.substr(0, ruta.find_last_of('\\') + 1) + "ZELTW32Puente.exe";
}

// A helper beside this program whose manager does not exist ends at once:
// the library must not wait for it.
void CasoAyudanteSinManejador(const char *programa) {
    casos.Caso("a helper without a manager: the manager does not open", [&] {
        std::string copia = AyudanteAlLado();
        casos.Verificar(CopyFileA(programa, copia.c_str(), FALSE), "helper copied");
        SetEnvironmentVariableA("ZELTWPUENTE_MANEJADOR", "C:\\no-such-folder\\NADA.DLL");
        casos.Verificar(PuenteDisponible(), "available");
        HWND ventana = 0;
        DWORD inicio = GetTickCount();
        casos.Igual(Llamar(DAT_PARENT, MSG_OPENDSM, &ventana), TWRC_FAILURE, "MSG_OPENDSM");
        casos.Verificar(GetTickCount() - inicio < 20000, "answered without waiting long");
        casos.Igual(Condicion(), TWCC_BUMMER, "condition");
        SetEnvironmentVariableA("ZELTWPUENTE_MANEJADOR", nullptr);
        Sleep(200);
        DeleteFileA(copia.c_str());
    });
}

} // namespace

int main(int argc, char **argv) {
    std::strcpy(app.ProductName, "entry_test");
    // A run cut short leaves its copy behind.
    DeleteFileA(AyudanteAlLado().c_str());
    CasosEventos();
    CasosSinAyudante();
    casos.Igual(zel::finesDeFuente, 0, "no source ended, none was open");
    if (argc > 1)
        CasoAyudanteSinManejador(argv[1]);
    return casos.Terminar();
}

// The session of ZELTW32: one per process, kept in module-level fields that
// exist from library load to unload.  Every operation looks at nEstado to
// know how far up the TWAIN states the session is, and only PonEstado
// changes it.
#pragma once

#include "zeltw32.h"

namespace zel {

// Session record
extern int32_t nEstado;
extern TW_IDENTITY IdentidadApp;
extern TW_IDENTITY IdentidadDisp;
extern DSMENTRYPROC pDSM_Entry;
extern HMODULE hDSM;
extern TW_INT16 nUltimoRC;
extern int32_t nDisponible;
extern int32_t nBloquesMemoria;
extern HWND hVentanaPadre;
extern TW_IDENTITY IdentidadXDefecto;
extern int32_t nIndiceEscaner;
extern int32_t bOcultarUI;
extern TW_USERINTERFACE InterfazUsuario;
extern HWND hVentanaProxy;
extern int32_t bRomperBucle;
constexpr int kMaxImagenes = 100;
extern HGLOBAL ahImagenes[kMaxImagenes];
extern int32_t nImagen;
extern TW_PENDINGXFERS PendientesXfer;

// Error record
extern int32_t nUltimoError;
extern int32_t nUltimoErrorRC;
extern int32_t nUltimoErrorCC;

// Moves the session to a new state and traces it.
void PonEstado(int estado);

// Error record: the first error since the last BorrarError wins.
int RegistrarError(int numero);
void BorrarError();

// Runs the transfer loop that matches the source's transfer mechanism, once
// the source has announced a transfer.
void DespacharXfer();

// Releases the pages held in slots 1 to nImagen, which no caller can reach
// once slot 0 was handed out, and sets nImagen to -1.  Slot 0 is left alone:
// its page is the caller's, or an earlier batch's that the caller holds.
void LiberarPaginasRetenidas();

// Enables the source and waits in the modal loop until the transfer is over,
// with the caller's window disabled meanwhile.
void EsperarXfer(HWND hWnd);

// The path of the manager: the Windows directory and "TWAIN_32.DLL"; false
// when the directory does not fit the 128-byte buffer Windows code gives it.
bool RutaManejador(char *ruta, size_t tam);

// A usable parent window: hWnd when it is a window, else the proxy window.
HWND ValidarVentana(HWND hWnd);

} // namespace zel

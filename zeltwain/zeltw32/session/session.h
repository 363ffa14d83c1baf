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

// The process that ran the open source ended under it (the helper that
// runs 32-bit drivers for a 64-bit library): how often, and how often with a
// page in transfer, which is lost.  An acquisition during which this grows
// reports failure.
struct FuentesTerminadas {
    int32_t veces = 0;
    int32_t conPagina = 0;
};
extern FuentesTerminadas FinDeFuentes;
void FuenteTerminada();

// Moves the session to a new state and traces it.
void PonEstado(int estado);

// Error record: the first error since the last BorrarError wins.
int RegistrarError(int numero);
void BorrarError();

// Runs the transfer loop that matches the source's transfer mechanism, once
// the source has announced a transfer.
void DespacharXfer();

// Where the pages of the native batches go while an operation that writes
// them runs (the page writer, for the life of a multi-page acquisition's
// batches).  Without one, a batch's pages stay in ahImagenes for the
// operation that ran it.
class DestinoDePaginas {
  public:
    // A page has just been stored in ahImagenes[nImagen].
    virtual void PaginaRecibida() = 0;
    // The pages held in ahImagenes[0..nImagen] must be taken now: every slot
    // is full, or a new batch is about to start.
    virtual void TomarPaginas() = 0;
    // A page came with a DIB no one can use (a null handle, no global
    // block, a block shorter than its header says): it is lost.
    virtual void PaginaPerdida() = 0;

  protected:
    ~DestinoDePaginas() = default;
};

// Sets the destination of the pages of the batches to come; null for none.
void PonDestinoDePaginas(DestinoDePaginas *destino);

// Whom the file batches to come belong to.  Only a device-files
// acquisition's are named after its output, merged and cleaned up; a host's
// own file transfer has its pages written where the host said; an operation
// that wanted its pages in memory, on a source that kept file transfer,
// loses the pages the source writes to its file.
enum class LoteDeArchivos { DelAnfitrion, DeAdquisicion, EnMemoria };
void PonLoteDeArchivos(LoteDeArchivos lote);

// Releases every page still held in ahImagenes and sets nImagen to -1: pages
// that no operation took, which no caller can reach any more.
void SoltarPaginasRetenidas();

// Enables the source and waits in the modal loop until the transfer is over,
// with the caller's window disabled meanwhile.
void EsperarXfer(HWND hWnd);

// The path of the 32-bit manager: the Windows directory and "TWAIN_32.DLL";
// false when the directory does not fit the 128-byte buffer Windows code
// gives it.
bool RutaManejador(char *ruta, size_t tam);

// Opens the source that the manager lists with the product name, family
// and maker of `identidad` (kept from an earlier opening): the same device,
// even where another source's name contains its name.  False when no listed
// source matches.
BOOL AbrirDispositivoIgual(const TW_IDENTITY &identidad);

// A usable parent window: hWnd when it is a window, else the proxy window.
HWND ValidarVentana(HWND hWnd);

} // namespace zel

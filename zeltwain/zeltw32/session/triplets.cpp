// The two entry points through which every TWAIN triplet of the library
// passes.  Both keep the result code of the last triplet and move the
// session state as the triplet and its result require, so that the rest of
// the library only looks at nEstado.
#include "session/session.h"

#include "session/diagnostics.h"

namespace zel {
namespace {

bool EsTriplete(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_UINT32 dg, TW_UINT16 dat,
                TW_UINT16 msg) {
    return DG == dg && DAT == dat && MSG == msg;
}

// Bookkeeping of the manager's triplets: only the identity and parent
// messages of the control group change the state.  A host calling the entry
// point with a NULL identity gets no state change: there is nothing to copy.
void AnotarTripleteManejador(TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    bool exito = nUltimoRC == TWRC_SUCCESS;
    if (DAT == DAT_IDENTITY && MSG == MSG_OPENDS) {
        if (exito && pData) {
            IdentidadDisp = *static_cast<pTW_IDENTITY>(pData);
            PonEstado(ZEL_DISP_ABIERTO);
        } else if (!exito) {
            RegistrarError(4);
        }
    } else if (DAT == DAT_IDENTITY && MSG == MSG_CLOSEDS && exito) {
        PonEstado(ZEL_SM_ABIERTO);
    } else if (DAT == DAT_PARENT && MSG == MSG_OPENDSM && exito) {
        PonEstado(ZEL_SM_ABIERTO);
    } else if (DAT == DAT_PARENT && MSG == MSG_CLOSEDSM && exito) {
        PonEstado(ZEL_SM_CARGADO);
    }
}

// The memory transfer record goes out with every field the application does
// not fill marked "don't care", as the standard asks.
void PrepararXferMemoria(TW_MEMREF pData) {
    auto *xfer = static_cast<pTW_IMAGEMEMXFER>(pData);
    xfer->Compression = TWON_DONTCARE16;
    xfer->BytesPerRow = TWON_DONTCARE32;
    xfer->Columns = TWON_DONTCARE32;
    xfer->Rows = TWON_DONTCARE32;
    xfer->XOffset = TWON_DONTCARE32;
    xfer->YOffset = TWON_DONTCARE32;
    xfer->BytesWritten = TWON_DONTCARE32;
}

BOOL AnotarEvento(TW_MEMREF pData) {
    if (pData && static_cast<pTW_EVENT>(pData)->TWMessage == MSG_XFERREADY)
        PonEstado(ZEL_TRANSFER_LISTA);
    return nUltimoRC == TWRC_DSEVENT;
}

// Without a record to read the Count from, no transfer is taken as pending.
void AnotarFinXfer(TW_MEMREF pData) {
    bool pendientes = pData && static_cast<pTW_PENDINGXFERS>(pData)->Count != 0;
    PonEstado(pendientes ? ZEL_TRANSFER_LISTA : ZEL_DISP_HABILITADO);
}

BOOL AnotarHabilitar() {
    if (nUltimoRC == TWRC_FAILURE) {
        RegistrarError(5);
        return 0;
    }
    PonEstado(ZEL_DISP_HABILITADO);
    return 1;
}

// A cancelled transfer reaches state 7 as a page does: the line before the
// state tells a host watching the debug output that no page came.
BOOL AnotarXferImagen() {
    if (nUltimoRC == TWRC_CANCEL)
        OutputDebugStringA("ZELTW: transfer cancelled: no page.\n");
    if (nUltimoRC == TWRC_CANCEL || nUltimoRC == TWRC_XFERDONE)
        PonEstado(ZEL_TRANSFIRIENDO);
    else
        PonEstado(ZEL_TRANSFER_LISTA);
    return nUltimoRC == TWRC_XFERDONE;
}

BOOL AnotarBloqueMemoria() {
    switch (nUltimoRC) {
    case TWRC_SUCCESS:
    case TWRC_XFERDONE:
        nBloquesMemoria += 1;
        PonEstado(ZEL_TRANSFIRIENDO);
        return 1;
    case TWRC_FAILURE:
        PonEstado(nBloquesMemoria != 0 ? ZEL_TRANSFIRIENDO : ZEL_TRANSFER_LISTA);
        return 0;
    case TWRC_CANCEL:
        RomperBucleEventosModal();
        return 0;
    default:
        return 0;
    }
}

// Bookkeeping of the source's triplets, rows tested in order; a row that
// names a result overrides the one the call started with.
BOOL AnotarTripleteDispositivo(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData,
                               BOOL resultado) {
    bool exito = nUltimoRC == TWRC_SUCCESS;
    if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT))
        return AnotarEvento(pData);
    if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER)) {
        if (exito)
            AnotarFinXfer(pData);
    } else if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET)) {
        if (exito)
            PonEstado(ZEL_DISP_HABILITADO);
    } else if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS)) {
        return AnotarHabilitar();
    } else if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS)) {
        if (exito)
            PonEstado(ZEL_DISP_ABIERTO);
    } else if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY)) {
        return nUltimoRC != TWRC_FAILURE;
    } else if (EsTriplete(DG, DAT, MSG, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET)) {
        if (exito)
            nBloquesMemoria = 0;
    } else if (DG == DG_IMAGE && MSG == MSG_GET &&
               (DAT == DAT_IMAGENATIVEXFER || DAT == DAT_IMAGEFILEXFER)) {
        return AnotarXferImagen();
    } else if (EsTriplete(DG, DAT, MSG, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET)) {
        return AnotarBloqueMemoria();
    }
    return resultado;
}

} // namespace
} // namespace zel

using namespace zel;

ZELTW32_API(BOOL) ZEL_DSM(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    nUltimoRC = TWRC_FAILURE;
    if (!pDSM_Entry)
        return 0;
    nUltimoRC = TW_INT16(pDSM_Entry(&IdentidadApp, nullptr, DG, DAT, MSG, pData));
    BOOL resultado = nUltimoRC == TWRC_SUCCESS;
    if (DG == DG_CONTROL)
        AnotarTripleteManejador(DAT, MSG, pData);
    return resultado;
}

ZELTW32_API(BOOL) ZEL_DS(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    ZEL_AFIRMAR(nEstado >= ZEL_DISP_ABIERTO);
    nUltimoRC = TWRC_FAILURE;
    if (DG == DG_IMAGE && DAT == DAT_IMAGEMEMXFER && MSG == MSG_GET && pData)
        PrepararXferMemoria(pData);
    if (!pDSM_Entry)
        return 0;
    nUltimoRC = TW_INT16(pDSM_Entry(&IdentidadApp, &IdentidadDisp, DG, DAT, MSG, pData));
    BOOL resultado = nUltimoRC == TWRC_SUCCESS;
    return AnotarTripleteDispositivo(DG, DAT, MSG, pData, resultado);
}

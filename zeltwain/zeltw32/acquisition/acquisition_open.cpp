#include "acquisition/acquisition_open.h"

namespace zel {

bool AbrirParaAdquirir(HWND w) {
    if (!AbrirManejadorDispositivo(w)) {
        MensajeError(kSinManejador);
        return false;
    }
    if (!AbrirDispositivoXDefecto()) {
        InformeUltimoError(kSinDispositivo);
        return false;
    }
    return true;
}

} // namespace zel

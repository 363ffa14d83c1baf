// Result and condition codes, the error record and the reports shown to the
// user.
#include "session/session.h"

#include <cstdio>
#include <string>

#include "session/error_texts.h"

namespace zel {

int32_t nUltimoError = 0;
int32_t nUltimoErrorRC = 0;
int32_t nUltimoErrorCC = 0;

namespace {

bool EsErrorTwain(int numero) {
    return numero >= 2 && numero <= 5;
}

// A table row, or the number itself for a code the table does not know
// (later TWAIN versions, or a faulty source): never read past the table.
std::string TextoDeTabla(const char *const *tabla, int filas, int codigo) {
    if (codigo >= 0 && codigo < filas)
        return tabla[codigo];
    return std::to_string(codigo);
}

// The report: the caller's sentence, the error's text and, for TWAIN
// failures, the codes spelled out; cut to 255 characters.
std::string ComponerInforme(LPCSTR frase) {
    std::string texto = frase ? frase : "";
    texto += "\n";
    texto += TextoDeTabla(aszTextoError, kNumTextosError, nUltimoError);
    if (EsErrorTwain(nUltimoError)) {
        texto += "\nRC:   " + TextoDeTabla(aszTextoRC, kNumTextosRC, nUltimoErrorRC);
        texto += "\nCC:   " + TextoDeTabla(aszTextoCC, kNumTextosCC, nUltimoErrorCC);
    }
    if (texto.size() > 255)
        texto.resize(255);
    return texto;
}

} // namespace

int RegistrarError(int numero) {
    if (nUltimoError != 0)
        return 0;
    nUltimoError = numero;
    if (EsErrorTwain(numero)) {
        nUltimoErrorRC = CodigoResultante();
        nUltimoErrorCC = CodigoCondicionante();
    } else {
        nUltimoErrorRC = 0;
        nUltimoErrorCC = 0;
    }
    return 0;
}

void BorrarError() {
    nUltimoError = 0;
}

} // namespace zel

using namespace zel;

ZELTW32_API(int) CodigoResultante(void) {
    return nUltimoRC;
}

// Asks whoever can answer (the open source, else the open manager) for its
// condition code, without disturbing the result code of the triplet before.
ZELTW32_API(int) CodigoCondicionante(void) {
    TW_INT16 rcGuardado = nUltimoRC;
    TW_STATUS estado{};
    estado.ConditionCode = TWCC_BUMMER;
    if (nEstado >= ZEL_DISP_ABIERTO)
        ZEL_DS(DG_CONTROL, DAT_STATUS, MSG_GET, &estado);
    else if (nEstado == ZEL_SM_ABIERTO)
        ZEL_DSM(DG_CONTROL, DAT_STATUS, MSG_GET, &estado);
    nUltimoRC = rcGuardado;
    return estado.ConditionCode;
}

ZELTW32_API(void) InformeUltimoError(LPCSTR szFrase) {
    std::string texto = ComponerInforme(szFrase);
    // The source or manager has already told the user about this one.
    if (nUltimoErrorRC == TWRC_FAILURE && nUltimoErrorCC == TWCC_OPERATIONERROR) {
        OutputDebugStringA("ZELW: TWRC_FAILURE, TWCC_OPERATIONERROR\n");
        return;
    }
    MensajeError(texto.c_str());
}

ZELTW32_API(int) MensajeError(LPCSTR szMensaje) {
    return MessageBoxA(0, szMensaje ? szMensaje : "", "TWAIN Error", MB_OK | MB_ICONEXCLAMATION);
}

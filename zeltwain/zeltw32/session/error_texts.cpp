#include "session/error_texts.h"

namespace zel {

// Indexed by the library's error number; 1 and 6 are never recorded.
const char *const aszTextoError[kNumTextosError] = {
    "[sin detalles disponibles]",
    "",
    "Fallo en DAT_CAPABILITY/MSG_GET",
    "Fallo en  DAT_CAPABILITY/MSG_SET",
    "Fallo en Operaci\xF3n de Manejador de dispositivo",
    "Fallo en Operaci\xF3n con el dispositivo",
    "",
    "La sesi\xF3n TWAIN no se encuentra en el estado  4 (Dispositivo Abierto)",
    "MSG_GET ha retornado una variable Null",
    "MSG_GET ha retornado un indicador no v\xE1lido",
    "Retornado indicador de tipo no v\xE1lido",
    "Retornado indicador con campos de tipo no v\xE1lidos",
    "Retornado indicador vac\xEDo",
    "Aplicaci\xF3n y Dispositivo sin valores en com\xFAn",
};

// Indexed by the TWRC_* result code.
const char *const aszTextoRC[kNumTextosRC] = {
    "TWRC_SUCCESS",          "TWRC_FAILURE",   "TWRC_CHECKSTATUS ('tried hard')",
    "TWRC_CANCEL",           "TWRC_DSEVENT",   "TWRC_NOTDSEVENT",
    "TWRC_XFERDONE",         "TWRC_ENDOFLIST", "TWRC_INFONOTSUPPORTED",
    "TWRC_DATANOTAVAILABLE",
};

// Indexed by the TWCC_* condition code; 7 and 8 are not assigned in TWAIN 1.x.
const char *const aszTextoCC[kNumTextosCC] = {
    "TWCC_SUCCESS",
    "TWCC_BUMMER (Failure due to unknown causes)",
    "TWCC_LOWMEMORY",
    "TWCC_NODS (No Data Source)",
    "TWCC_MAXCONNECTIONS (DS is connected to max possible apps)",
    "TWCC_OPERATIONERROR (DS/DSM reported error, app shouldn't)",
    "TWCC_BADCAP (Unknown capability)",
    "7 (undefined)",
    "8 (undefined)",
    "TWCC_BADPROTOCOL (Unrecognized triplet)",
    "TWCC_BADVALUE (Data parameter out of range)",
    "TWCC_SEQERROR (Triplet out of sequence)",
    "TWCC_BADDEST (Unknown dest. App/Src in DSM_Entry)",
    "TWCC_CAPUNSUPPORTED (Cap not supported by source)",
    "TWCC_CAPBADOPERATION (Operation not supported by cap)",
    "TWCC_CAPSEQERROR (Cap has dependancy on other cap)",
};

} // namespace zel

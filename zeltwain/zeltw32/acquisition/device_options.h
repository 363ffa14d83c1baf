// Negotiations of a multi-page acquisition with the open source: the
// document feeder, two-sided scanning and the file formats it writes.
#pragma once

#include "zeltw32.h"

namespace zel {

// Switches the feeder and automatic feeding on; true when automatic
// feeding is on afterwards.
bool ActivarAlimentador();

// The duplex mode of the acquisition for the request in nModoDuplex: 1 a
// manual duplex, 2 one pass as the device stands, 0 one side asked for but
// the device keeps scanning both.
int NegociarDuplex();

// Whether the source lists the format in ICAP_IMAGEFILEFORMAT.
bool OfreceFormato(TW_UINT16 formato);

} // namespace zel

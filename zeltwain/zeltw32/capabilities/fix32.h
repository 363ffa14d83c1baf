// Conversion between double and TW_FIX32 (a 16.16 fixed-point number),
// inline so that the exports and their exhaustive test share one body.
#pragma once

#include <cmath>
#include <cstdint>

#include "zeltw32.h"

namespace zel {

// Rounds half away from zero, as TWAIN's own conversion does.  Values beyond
// the TW_FIX32 range saturate to its smallest and largest values; NaN gives 0.
inline TW_FIX32 DoubleAFix32(double valor) {
    double escalado = valor * 65536.0 + (valor < 0 ? -0.5 : 0.5);
    int32_t i;
    if (std::isnan(escalado))
        i = 0;
    else if (escalado >= 2147483647.0)
        i = INT32_MAX;
    else if (escalado <= -2147483648.0)
        i = INT32_MIN;
    else
        i = int32_t(escalado);
    TW_FIX32 fix;
    fix.Whole = TW_INT16(i >> 16);
    fix.Frac = TW_UINT16(uint32_t(i) & 0xFFFF);
    return fix;
}

// Exact: every TW_FIX32 is a double.
inline double Fix32ADouble(TW_FIX32 fix) {
    int32_t i = int32_t(uint32_t(uint16_t(fix.Whole)) << 16 | fix.Frac);
    return i / 65536.0;
}

} // namespace zel

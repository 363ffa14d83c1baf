#include "capabilities/fix32.h"

ZELTW32_API(TW_FIX32) ToFix32(double dValor) {
    return zel::DoubleAFix32(dValor);
}

ZELTW32_API(double) ZEL_Fix32ToFloat(TW_FIX32 fix32) {
    return zel::Fix32ADouble(fix32);
}

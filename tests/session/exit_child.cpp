// A host that enables a source and ends without closing anything: the
// library's unload hook must walk the session down at process exit.
#include <cstdio>

#include "zeltw32.h"

int main() {
    OcultarUI(1);
    if (!HabilitarDispositivo(0)) {
        std::fprintf(stderr, "could not enable the default source\n");
        return 2;
    }
    std::fprintf(stderr, "enabled, state %d\n", EstadoTwain());
    return 0;
}

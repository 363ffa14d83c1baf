// A batch scanned through the library's triplet entry points: the way a host
// with its own message loop talks to an enabled source.
#include <zelvirt/paper.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "zeltw32.h"

namespace zelscan {
namespace {

// Passes the thread's messages to the source until it announces a transfer
// or asks to be closed.
TW_UINT16 WaitForSource() {
    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0) > 0) {
        TW_EVENT event{&msg, MSG_NULL};
        if (!ZEL_DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ)
            return event.TWMessage;
    }
    return MSG_NULL;
}

// What a person reads on the page, when the virtual scanner printed it.
std::string PageLabel(HGLOBAL dib) {
    const void *bits = GlobalLock(dib);
    auto label = bits ? zelvirt::decode_label_from_dib(bits, GlobalSize(dib)) : std::nullopt;
    GlobalUnlock(dib);
    return label ? *label : "(no label)";
}

// Takes one page natively and writes it; false when no page came.
bool SavePage(const std::string &folder, int number) {
    TW_IMAGEINFO info{};
    TW_UINT32 handle = 0;
    if (!ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) ||
        !ZEL_DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle))
        return false;
    HGLOBAL dib = HGLOBAL(handle);
    std::string name = folder + "/page_" + std::to_string(number) + ".bmp";
    int written = EscribirEnNombreArchivo(dib, name.data());
    std::printf("page %d: %d x %d, %d bits, %s -> %s%s\n", number, DibAnchura(dib), DibAltura(dib),
                DibProfundidad(dib), PageLabel(dib).c_str(), name.c_str(),
                written == 0 ? "" : " (not written)");
    LiberadorDeMemoria(dib);
    return true;
}

// Takes every page the source has pending.
int TransferBatch(const std::string &folder) {
    int pages = 0;
    TW_PENDINGXFERS pending{};
    do {
        if (SavePage(folder, pages + 1))
            ++pages;
        if (!ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending))
            break;
    } while (pending.Count != 0);
    return pages;
}

} // namespace

int ScanBatch(const std::string &folder, bool duplex) {
    OcultarUI(1);
    if (!AbrirDispositivoXDefecto()) {
        std::fprintf(stderr, "zelscan: cannot open the default scanner\n");
        DescargarManejadorDispositivo();
        return 1;
    }
    if (duplex && !PonValorDeUnaCapacidad(CAP_DUPLEXENABLED, TWTY_BOOL, 1))
        std::fprintf(stderr, "zelscan: this scanner cannot scan both sides; scanning fronts\n");
    if (!HabilitarDispositivo(0)) {
        std::fprintf(stderr, "zelscan: cannot enable the default scanner (TWAIN result %d)\n",
                     CodigoResultante());
        DescargarManejadorDispositivo();
        return 1;
    }
    int pages = WaitForSource() == MSG_XFERREADY ? TransferBatch(folder) : 0;
    AbortarPendienteXfer();
    DescargarManejadorDispositivo();
    std::printf("%d pages scanned\n", pages);
    return pages > 0 ? 0 : 1;
}

} // namespace zelscan

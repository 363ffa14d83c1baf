// The hidden proxy window: the parent handed to the manager and the source
// whenever the caller gives no usable window.  Created on first need and
// kept for the life of the process.
#include "session/session.h"

namespace zel {
namespace {

HWND CrearVentanaProxy() {
    return CreateWindowExA(0, "STATIC", "Acquire Proxy", WS_POPUPWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, 0, nullptr);
}

} // namespace

HWND ValidarVentana(HWND hWnd) {
    if (IsWindow(hWnd))
        return hWnd;
    if (hWnd != 0)
        MensajeError("ZELTW: window handle is invalid");
    if (hVentanaProxy == 0) {
        hVentanaProxy = CrearVentanaProxy();
        if (!IsWindow(hVentanaProxy)) {
            MensajeError("ZELTW: Unable to create proxy window");
            hVentanaProxy = 0;
        }
    }
    return hVentanaProxy;
}

} // namespace zel

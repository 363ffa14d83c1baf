// Start-up of PanelDeControlVelisco: one hand-off, then the program ends.
// A program of the graphical subsystem without a window of its own.
#include "basMensajePanelControl.h"

namespace {

void Main() {
    EnviarMensajePanelControl();
}

} // namespace

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Main();
    return 0;
}
#else
int main() {
    Main();
    return 0;
}
#endif

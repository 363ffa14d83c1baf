// Stand-in for the resident hot-key program, for the launcher's tests.
// It shows a top-level window on the platform desktop, registers the message
// that asks for the control panel, and records to the file $ZELHK_LOG how it
// was started and every message it takes from its queue.  Each record is one
// line "<pid> <event> ...", written with one append so that several copies
// can share the file.
//
// Environment: ZELHK_CLASS, ZELHK_TITLE (default "ThunderRT6FormDC" and
// "Velisco - HotKeys Corvalia"); ZELHK_HOLD_FILE: the window is created only
// once this file exists; ZELHK_STOP_FILE: the program ends, after taking the
// messages already queued, once this file exists; ZELHK_TIMEOUT_MS: it ends
// after this long in any case (default 30000).  WM_CLOSE ends it too.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kNombreMensaje[] = "ZelVelisco.ClsEscanVelisco.PanelControl";

std::string Entorno(const char *nombre, const char *porDefecto) {
    const char *valor = std::getenv(nombre);
    return valor && *valor ? valor : porDefecto;
}

void Registrar(const std::string &evento) {
    const std::string ruta = Entorno("ZELHK_LOG", "");
    if (ruta.empty())
        return;
    const std::string linea = std::to_string(getpid()) + " " + evento + "\n";
    int fd = open(ruta.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return;
    // A line that cannot be written is missing from the record, which the tests see.
    [[maybe_unused]] ssize_t nEscrito = write(fd, linea.data(), linea.size());
    close(fd);
}

bool Existe(const std::string &ruta) {
    struct stat st;
    return !ruta.empty() && stat(ruta.c_str(), &st) == 0;
}

LRESULT CALLBACK ProcVentana(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class Reloj {
  public:
    bool Vencido() const {
        const long nLimite = std::atol(Entorno("ZELHK_TIMEOUT_MS", "30000").c_str());
        return std::chrono::steady_clock::now() - inicio_ >= std::chrono::milliseconds(nLimite);
    }

  private:
    std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
};

void Pausa() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Takes every queued message; false once WM_QUIT arrives.
bool AtenderCola(UINT nRegistrado) {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
        Registrar("msg " + std::to_string(msg.message) +
                  " registered=" + (msg.message == nRegistrado ? "1" : "0") + " wparam=" +
                  std::to_string(msg.wParam) + " lparam=" + std::to_string(msg.lParam));
        if (msg.message == WM_QUIT)
            return false;
        DispatchMessageA(&msg);
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    Registrar("start argc=" + std::to_string(argc));
    for (int i = 0; i < argc; ++i)
        Registrar("argv " + std::to_string(i) + " " + argv[i]);
    Registrar(std::string("cmdline ") + GetCommandLineA());
    // The show state that the starting program asked for, as the platform hands it on.
    Registrar("show " + Entorno("ZELPLAT_SHOW_STATE", "-"));

    const std::string sParar = Entorno("ZELHK_STOP_FILE", "");
    const std::string sEsperar = Entorno("ZELHK_HOLD_FILE", "");
    Reloj reloj;
    while (!sEsperar.empty() && !Existe(sEsperar) && !Existe(sParar) && !reloj.Vencido())
        Pausa();

    const std::string sClase = Entorno("ZELHK_CLASS", "ThunderRT6FormDC");
    const std::string sTitulo = Entorno("ZELHK_TITLE", "Velisco - HotKeys Corvalia");
    WNDCLASSA clase = {};
    clase.lpfnWndProc = ProcVentana;
    clase.hInstance = GetModuleHandleA(nullptr);
    clase.lpszClassName = sClase.c_str();
    const UINT nRegistrado = RegisterWindowMessageA(kNombreMensaje);
    if (!RegisterClassA(&clase) ||
        !CreateWindowExA(0, sClase.c_str(), sTitulo.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 200, 100, 0, 0, clase.hInstance, nullptr) ||
        nRegistrado == 0) {
        Registrar("error " + std::to_string(GetLastError()));
        return 1;
    }
    Registrar("ready registered=" + std::to_string(nRegistrado));

    while (AtenderCola(nRegistrado) && !reloj.Vencido()) {
        if (Existe(sParar)) {
            // Posts from other processes reach the queue through a reader
            // thread: a short grace lets those already sent arrive.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            AtenderCola(nRegistrado);
            break;
        }
        Pausa();
    }
    Registrar("exit");
    return 0;
}

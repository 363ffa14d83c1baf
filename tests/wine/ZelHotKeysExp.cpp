// Win32 stand-in for the resident hot-key program, for the launcher's runs
// under Wine.  It records to the file named by ZELWINE_HK_LOG how it was
// started and every panel request its window takes, one line per event
// "<pid> <event> <text>", each written with one append so that several copies
// can share the file.  It keeps a top-level window of class ZELWINE_HK_CLASS
// (default "ThunderRT6FormDC") titled "Velisco - HotKeys Corvalia" until
// WM_CLOSE, or for ZELWINE_HK_TIMEOUT_MS (default 20000) at most.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr char kTitulo[] = "Velisco - HotKeys Corvalia";
constexpr char kNombreMensaje[] = "ZelVelisco.ClsEscanVelisco.PanelControl";
UINT nPeticion = 0;

std::string Entorno(const char *nombre, const char *porDefecto) {
    char valor[1024];
    DWORD n = GetEnvironmentVariableA(nombre, valor, sizeof valor);
    return n > 0 && n < sizeof valor ? std::string(valor, n) : porDefecto;
}

void Registrar(const std::string &evento) {
    const std::string ruta = Entorno("ZELWINE_HK_LOG", "");
    if (ruta.empty())
        return;
    const std::string linea = std::to_string(GetCurrentProcessId()) + " " + evento + "\n";
    HANDLE f = CreateFileA(ruta.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD nEscrito = 0;
    WriteFile(f, linea.data(), static_cast<DWORD>(linea.size()), &nEscrito, nullptr);
    CloseHandle(f);
}

LRESULT CALLBACK ProcVentana(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (nPeticion != 0 && msg == nPeticion) {
        Registrar("request wparam=" + std::to_string(wParam) + " lparam=" + std::to_string(lParam));
        return 0;
    }
    if (msg == WM_TIMER || msg == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstancia, HINSTANCE, LPSTR, int) {
    char modulo[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulo, sizeof modulo);
    STARTUPINFOA inicio = {};
    inicio.cb = sizeof inicio;
    GetStartupInfoA(&inicio);
    Registrar(std::string("start ") + modulo);
    Registrar(std::string("cmdline ") + GetCommandLineA());
    Registrar("argc " + std::to_string(__argc));
    for (int i = 1; i < __argc; ++i)
        Registrar("arg " + std::string(__argv[i]));
    // The show state only counts when the starting program asked for one.
    Registrar("show " + (inicio.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(inicio.wShowWindow)
                                                               : std::string("none")));

    const std::string sClase = Entorno("ZELWINE_HK_CLASS", "ThunderRT6FormDC");
    nPeticion = RegisterWindowMessageA(kNombreMensaje);
    WNDCLASSA clase = {};
    clase.lpfnWndProc = ProcVentana;
    clase.hInstance = hInstancia;
    clase.lpszClassName = sClase.c_str();
    HWND hVentana = nullptr;
    if (nPeticion != 0 && RegisterClassA(&clase))
        hVentana = CreateWindowExA(0, sClase.c_str(), kTitulo, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                   nullptr, nullptr, hInstancia, nullptr);
    if (!hVentana) {
        Registrar("error " + std::to_string(GetLastError()));
        return 1;
    }
    SetTimer(hVentana, 1, std::atoi(Entorno("ZELWINE_HK_TIMEOUT_MS", "20000").c_str()), nullptr);
    Registrar("ready " + sClase);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    Registrar("exit");
    return 0;
}

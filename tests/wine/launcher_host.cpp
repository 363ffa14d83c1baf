// The launcher under Wine, through the real FindWindowA,
// RegisterWindowMessageA, PostMessageA and CreateProcessA: copies of
// PanelDeControlVelisco.exe run from a folder with a blank in its name
// against the Win32 stand-in ZelHotKeysExp.exe, both taken from this host's
// own folder.  A copy of the stand-in named "Mis.exe" waits where an
// unquoted command line would start it instead.
#include "wine_check.h"

#include <sstream>
#include <string>
#include <vector>

using zelwine::Casos;
using zelwine::Esperar;

namespace {

constexpr char kTitulo[] = "Velisco - HotKeys Corvalia";
constexpr char kBase[] = "C:\\zelwine\\lanzador";
const std::string kResidente = std::string(kBase) + "\\Residente";
const std::string kCarpeta = std::string(kBase) + "\\Mis Programas";
const std::string kSinHotKeys = std::string(kBase) + "\\Sin HotKeys";
const std::string kRegistro = std::string(kBase) + "\\hk.log";

struct Evento {
    DWORD pid;
    std::string sTipo, sTexto;
};

std::vector<Evento> LeerRegistro() {
    std::vector<Evento> eventos;
    HANDLE f = CreateFileA(kRegistro.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return eventos;
    std::string todo;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
        todo.append(buf, n);
    CloseHandle(f);
    std::istringstream lineas(todo);
    std::string linea;
    while (std::getline(lineas, linea)) {
        std::istringstream campos(linea);
        Evento e{};
        campos >> e.pid >> e.sTipo;
        std::getline(campos >> std::ws, e.sTexto);
        eventos.push_back(e);
    }
    return eventos;
}

std::vector<Evento> De(const std::string &sTipo, DWORD pid = 0) {
    std::vector<Evento> r;
    for (const auto &e : LeerRegistro())
        if (e.sTipo == sTipo && (pid == 0 || e.pid == pid))
            r.push_back(e);
    return r;
}

std::string CarpetaPropia() {
    char ruta[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, ruta, sizeof ruta);
    std::string s(ruta);
    return s.substr(0, s.find_last_of('\\'));
}

void Preparar() {
    const std::string sPropia = CarpetaPropia();
    // Every stand-in, also one the launcher starts, inherits where to record.
    SetEnvironmentVariableA("ZELWINE_HK_LOG", kRegistro.c_str());
    CreateDirectoryA("C:\\zelwine", nullptr);
    CreateDirectoryA(kBase, nullptr);
    for (const auto &c : {kResidente, kCarpeta, kSinHotKeys})
        CreateDirectoryA(c.c_str(), nullptr);
    const std::string sLanzador = sPropia + "\\PanelDeControlVelisco.exe";
    const std::string sHotKeys = sPropia + "\\ZelHotKeysExp.exe";
    CopyFileA(sHotKeys.c_str(), (kResidente + "\\ZelHotKeysExp.exe").c_str(), FALSE);
    CopyFileA(sHotKeys.c_str(), (kCarpeta + "\\ZelHotKeysExp.exe").c_str(), FALSE);
    CopyFileA(sHotKeys.c_str(), (std::string(kBase) + "\\Mis.exe").c_str(), FALSE);
    CopyFileA(sLanzador.c_str(), (kCarpeta + "\\PanelDeControlVelisco.exe").c_str(), FALSE);
    CopyFileA(sLanzador.c_str(), (kSinHotKeys + "\\PanelDeControlVelisco.exe").c_str(), FALSE);
}

// Starts a program by its path; the process handle, or null.
HANDLE Iniciar(const std::string &sRuta, const std::string &sArgumentos = "") {
    std::string sLinea = "\"" + sRuta + "\"" + sArgumentos;
    STARTUPINFOA inicio = {};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION proceso = {};
    if (!CreateProcessA(sRuta.c_str(), sLinea.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &inicio, &proceso))
        return nullptr;
    CloseHandle(proceso.hThread);
    return proceso.hProcess;
}

// Waits for a process; its exit code, or -1 when it had to be ended.
long EsperarFin(HANDLE hProceso, DWORD nMs) {
    if (!hProceso)
        return -2;
    DWORD nCodigo = 0;
    if (WaitForSingleObject(hProceso, nMs) != WAIT_OBJECT_0) {
        TerminateProcess(hProceso, 99);
        WaitForSingleObject(hProceso, 5000);
        CloseHandle(hProceso);
        return -1;
    }
    GetExitCodeProcess(hProceso, &nCodigo);
    CloseHandle(hProceso);
    return static_cast<long>(nCodigo);
}

// A resident hot-key program with a window of the given class; its pid once
// its window exists, 0 otherwise.
DWORD IniciarResidente(const char *clase) {
    SetEnvironmentVariableA("ZELWINE_HK_CLASS", clase);
    HANDLE h = Iniciar(kResidente + "\\ZelHotKeysExp.exe");
    SetEnvironmentVariableA("ZELWINE_HK_CLASS", nullptr);
    if (!h)
        return 0;
    const DWORD pid = GetProcessId(h);
    CloseHandle(h);
    return Esperar([&] { return !De("ready", pid).empty(); }) ? pid : 0;
}

// Closes every stand-in window and waits until none is left.
void CerrarResidentes() {
    Esperar([] {
        HWND h = FindWindowA("ThunderRT6FormDC", kTitulo);
        if (!h)
            h = FindWindowA("ThunderFormDC", kTitulo);
        if (h)
            PostMessageA(h, WM_CLOSE, 0, 0);
        return h == nullptr;
    });
}

void NuevoCaso() {
    CerrarResidentes();
    DeleteFileA(kRegistro.c_str());
}

long Lanzar(const std::string &sCarpeta) {
    return EsperarFin(Iniciar(sCarpeta + "\\PanelDeControlVelisco.exe"), 20000);
}

// Posts that are on their way arrive well within this.
void Gracia() {
    Sleep(500);
}

void PeticionAlResidente(Casos &t, const char *clase) {
    NuevoCaso();
    const DWORD pid = IniciarResidente(clase);
    if (!t.Verificar(pid != 0, "the stand-in came up"))
        return;
    t.Igual(Lanzar(kCarpeta), 0L, "launcher exit code (ends by itself, no box)");
    t.Verificar(Esperar([&] { return !De("request", pid).empty(); }), "request arrives");
    Gracia();
    const auto peticiones = De("request", pid);
    t.Igual(peticiones.size(), size_t(1), "requests taken by the running program");
    if (!peticiones.empty())
        t.Igual(peticiones[0].sTexto, std::string("wparam=0 lparam=0"), "request parameters");
    t.Igual(De("start").size(), size_t(1), "programs started (the resident only)");
}

} // namespace

int main() {
    Casos t;
    Preparar();

    t.Caso("running_first_class_gets_the_request",
           [&] { PeticionAlResidente(t, "ThunderRT6FormDC"); });
    t.Caso("running_second_class_gets_the_request",
           [&] { PeticionAlResidente(t, "ThunderFormDC"); });

    t.Caso("with_both_classes_only_the_first_gets_it", [&] {
        NuevoCaso();
        const DWORD segunda = IniciarResidente("ThunderFormDC");
        const DWORD primera = IniciarResidente("ThunderRT6FormDC");
        if (!t.Verificar(primera && segunda, "both stand-ins came up"))
            return;
        t.Igual(Lanzar(kCarpeta), 0L, "launcher exit code");
        t.Verificar(Esperar([&] { return !De("request", primera).empty(); }),
                    "the first class gets the request");
        Gracia();
        t.Igual(De("request", segunda).size(), size_t(0), "requests to the second class");
        t.Igual(De("request").size(), size_t(1), "requests in all");
    });

    t.Caso("not_running_started_from_the_folder_with_a_blank", [&] {
        NuevoCaso();
        t.Igual(Lanzar(kCarpeta), 0L, "launcher exit code");
        t.Verificar(Esperar([] { return !De("ready").empty(); }), "a stand-in came up");
        Gracia();
        const auto inicios = De("start");
        if (!t.Igual(inicios.size(), size_t(1), "programs started"))
            return;
        const DWORD pid = inicios[0].pid;
        t.Igual(inicios[0].sTexto, kCarpeta + "\\ZelHotKeysExp.exe", "program started");
        t.Igual(De("argc", pid)[0].sTexto, std::string("2"), "argument count");
        const auto args = De("arg", pid);
        t.Verificar(args.size() == 1 && args[0].sTexto == "-pc", "the one argument is -pc");
        t.Igual(De("show", pid)[0].sTexto, std::to_string(SW_SHOWNOACTIVATE), "show state");
        t.Igual(De("request").size(), size_t(0), "requests posted");
    });

    t.Caso("neither_running_nor_startable_shows_the_failure_box", [&] {
        NuevoCaso();
        HANDLE hLanzador = Iniciar(kSinHotKeys + "\\PanelDeControlVelisco.exe");
        if (!t.Verificar(hLanzador != nullptr, "launcher started"))
            return;
        HWND hCaja = nullptr;
        Esperar(
            [&] { return (hCaja = FindWindowA("#32770", "PanelDeControlVelisco")) != nullptr; });
        if (t.Verificar(hCaja != nullptr, "a box captioned PanelDeControlVelisco")) {
            char texto[512] = {};
            GetDlgItemTextA(hCaja, 0xFFFF, texto, sizeof texto);
            t.Igual(std::string(texto), zelwine::DescripcionSistema(ERROR_FILE_NOT_FOUND),
                    "box text");
            t.Verificar(WaitForSingleObject(hLanzador, 0) == WAIT_TIMEOUT,
                        "the launcher waits for the box");
            PostMessageA(hCaja, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        t.Igual(EsperarFin(hLanzador, 10000), 0L, "launcher exit code after OK");
        t.Igual(De("start").size(), size_t(0), "programs started");
    });

    CerrarResidentes();
    return t.Terminar();
}

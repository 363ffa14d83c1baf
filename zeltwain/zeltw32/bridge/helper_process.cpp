// Finding, starting and watching the helper program.  It lies beside this
// library, runs in a job object that ends it with the host, and a wait on
// its process posts MSG_CLOSEDSREQ to the enabled source's window when it
// dies, so that a host waiting for events wakes.
#include "bridge/helper_process.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "bridge/bridge.h"
#include "channel.h"

namespace zel {

namespace {

const char kPrograma[] = "ZELTW32Puente.exe";

struct Proceso {
    HANDLE job = 0;
    HANDLE proceso = 0;
    HANDLE espera = 0;
    std::unique_ptr<puente::Canal> canal;
    std::atomic<bool> muerto{true};
    std::atomic<HWND> ventanaHabilitada{0};

    // At unload the helper ends with the job; the wait must not call into
    // an unloaded library.
    ~Proceso() {
        if (espera)
            UnregisterWait(espera);
        if (job)
            CloseHandle(job);
    }
};

Proceso &Ayudante() {
    static Proceso proceso;
    return proceso;
}

// The helper's full path: this library's folder and the program's name.
std::string RutaAyudante() {
    HMODULE modulo = 0;
    char ruta[MAX_PATH] = "";
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&RutaAyudante), &modulo))
        return "";
    DWORD largo = GetModuleFileNameA(modulo, ruta, sizeof ruta);
    if (largo == 0 || largo >= sizeof ruta)
        return "";
    std::string carpeta(ruta, largo);
    size_t barra = carpeta.find_last_of("\\/");
    return barra == std::string::npos ? "" : carpeta.substr(0, barra + 1) + kPrograma;
}

bool EsArchivo(const std::string &ruta) {
    DWORD atributos = GetFileAttributesA(ruta.c_str());
    return atributos != INVALID_FILE_ATTRIBUTES && !(atributos & FILE_ATTRIBUTE_DIRECTORY);
}

bool TerminaEnDs(const char *nombre) {
    size_t largo = std::strlen(nombre);
    return largo > 3 && lstrcmpiA(nombre + largo - 3, ".ds") == 0;
}

// Whether the folder or one of its subfolders (a few levels down) holds a
// source file.
bool HayFuentes(const std::string &carpeta, int niveles) {
    WIN32_FIND_DATAA datos;
    HANDLE busqueda = FindFirstFileA((carpeta + "\\*").c_str(), &datos);
    if (busqueda == INVALID_HANDLE_VALUE)
        return false;
    bool hay = false;
    do {
        bool esCarpeta = datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        bool punto = datos.cFileName[0] == '.';
        if (esCarpeta && !punto && niveles > 0)
            hay = HayFuentes(carpeta + "\\" + datos.cFileName, niveles - 1);
        else if (!esCarpeta)
            hay = TerminaEnDs(datos.cFileName);
    } while (!hay && FindNextFileA(busqueda, &datos));
    FindClose(busqueda);
    return hay;
}

bool HayFuentes32() {
    char windows[MAX_PATH] = "";
    UINT largo = GetWindowsDirectoryA(windows, sizeof windows);
    return largo > 0 && largo < sizeof windows &&
           HayFuentes(std::string(windows) + "\\twain_32", 4);
}

bool ManejadorNombrado() {
    return GetEnvironmentVariableA("ZELTWPUENTE_MANEJADOR", nullptr, 0) > 0;
}

// The job that ends the helper with this process; made once.
HANDLE Job() {
    Proceso &a = Ayudante();
    if (a.job)
        return a.job;
    a.job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limites{};
    limites.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (a.job && !SetInformationJobObject(a.job, JobObjectExtendedLimitInformation, &limites,
                                          sizeof limites)) {
        CloseHandle(a.job);
        a.job = 0;
    }
    return a.job;
}

std::string NombreTuberia() {
    return "\\\\.\\pipe\\zeltw-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

// Starts the program suspended, puts it in the job, then lets it run.
bool Lanzar(const std::string &ruta, const std::string &tuberia, HANDLE &proceso) {
    std::string linea = "\"" + ruta + "\" " + tuberia;
    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(ruta.c_str(), linea.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &inicio, &info))
        return false;
    HANDLE job = Job();
    if (!job || !AssignProcessToJobObject(job, info.hProcess))
        TrazaPuente("the helper runs outside a job; it ends when its pipe closes");
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    proceso = info.hProcess;
    return true;
}

VOID CALLBACK AlMorir(PVOID, BOOLEAN) {
    Proceso &a = Ayudante();
    a.muerto = true;
    TrazaPuente("the helper died");
    if (HWND ventana = a.ventanaHabilitada.load())
        PostMessageA(ventana, MensajeEventoPuente(), MSG_CLOSEDSREQ, 0);
}

// Forgets the last helper, whose death was seen; its wait is over first.
void Olvidar() {
    Proceso &a = Ayudante();
    a.canal.reset();
    if (a.espera)
        UnregisterWaitEx(a.espera, INVALID_HANDLE_VALUE);
    if (a.proceso)
        CloseHandle(a.proceso);
    a.espera = 0;
    a.proceso = 0;
    a.ventanaHabilitada = 0;
}

// The library's wait for the pipe: the helper's death ends it, and the
// messages other threads and processes send to this thread's windows are
// served meanwhile (a source's dialog owned by the host's window).
bool EsperarRespuesta(HANDLE evento) {
    HANDLE objetos[2] = {evento, Ayudante().proceso};
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(2, objetos, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 2)
            return false;
        MSG mensaje;
        PeekMessageA(&mensaje, 0, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool Conectar(const std::string &ruta) {
    Proceso &a = Ayudante();
    std::string tuberia = NombreTuberia();
    a.canal = std::make_unique<puente::Canal>(EsperarRespuesta);
    if (!a.canal->Crear(tuberia)) {
        TrazaPuente("the pipe " + tuberia + " could not be made");
        return false;
    }
    if (!Lanzar(ruta, tuberia, a.proceso)) {
        TrazaPuente("the helper could not start: " + ruta);
        return false;
    }
    a.canal->PonProcesoRemoto(a.proceso);
    if (!a.canal->Aceptar()) {
        TrazaPuente("the helper ended before it connected: " + ruta);
        TerminateProcess(a.proceso, 1);
        return false;
    }
    return true;
}

} // namespace

bool PuenteDisponible() {
    std::string ruta = RutaAyudante();
    if (ruta.empty() || !EsArchivo(ruta)) {
        TrazaPuente("no helper beside the library");
        return false;
    }
    bool hay = ManejadorNombrado() || HayFuentes32();
    TrazaPuente(hay ? "helper available: " + ruta : "no 32-bit sources for the helper");
    return hay;
}

UINT MensajeEventoPuente() {
    static const UINT mensaje = RegisterWindowMessageA("ZELTW.PuenteEvento");
    return mensaje;
}

bool ArrancarAyudante() {
    Olvidar();
    std::string ruta = RutaAyudante();
    if (ruta.empty() || !EsArchivo(ruta)) {
        TrazaPuente("no helper beside the library");
        return false;
    }
    Proceso &a = Ayudante();
    if (!Conectar(ruta)) {
        Olvidar();
        return false;
    }
    a.muerto = false;
    if (!RegisterWaitForSingleObject(&a.espera, a.proceso, AlMorir, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE))
        a.espera = 0;
    TrazaPuente("helper started: " + ruta);
    return true;
}

bool AyudanteVivo() {
    Proceso &a = Ayudante();
    return a.canal && !a.muerto && !a.canal->Roto();
}

puente::Canal *CanalAyudante() {
    return Ayudante().canal.get();
}

void AyudanteFallido(const char *motivo) {
    Proceso &a = Ayudante();
    TrazaPuente(std::string("the helper failed: ") + motivo);
    a.muerto = true;
    if (a.proceso)
        TerminateProcess(a.proceso, 1);
}

void TrazaPuente(const std::string &texto) {
    OutputDebugStringA(("ZELTW: bridge: " + texto + "\n").c_str());
}

void PonVentanaHabilitada(HWND ventana) {
    Ayudante().ventanaHabilitada = ventana;
}

} // namespace zel

// The launcher as a program: copies of it run in temporary folders, each test
// on a desktop of its own, against the stand-in hot-key program.  Without a
// terminal the platform's message box is one line on the launcher's stderr.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;

constexpr char kTitulo[] = "Velisco - HotKeys Corvalia";
constexpr char kCaja[] = "MessageBox [PanelDeControlVelisco] ";

// What one copy of the stand-in recorded about itself.
struct Instancia {
    std::vector<std::string> argv;
    std::string sLineaComando;
    std::string sMostrar; // show state asked for by the program that started it
    bool bListo = false, bTerminado = false;
    std::vector<std::string> registrados; // "wparam=.. lparam=.." of each panel request
};

std::map<long, Instancia> LeerRegistro(const fs::path &ruta) {
    std::map<long, Instancia> instancias;
    std::ifstream f(ruta);
    std::string linea;
    while (std::getline(f, linea)) {
        std::istringstream campos(linea);
        long pid = 0;
        std::string evento;
        campos >> pid >> evento;
        std::string resto;
        std::getline(campos >> std::ws, resto);
        Instancia &inst = instancias[pid];
        if (evento == "argv")
            inst.argv.push_back(resto.substr(resto.find(' ') + 1));
        else if (evento == "cmdline")
            inst.sLineaComando = resto;
        else if (evento == "show")
            inst.sMostrar = resto;
        else if (evento == "ready")
            inst.bListo = true;
        else if (evento == "exit")
            inst.bTerminado = true;
        else if (evento == "msg" && resto.find(" registered=1 ") != std::string::npos)
            inst.registrados.push_back(resto.substr(resto.find("wparam=")));
    }
    return instancias;
}

// Polls until cond holds; false after a generous bound, so that a fault
// fails the test instead of hanging it.
template <class F> bool Esperar(F cond) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > fin)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string Leer(const fs::path &ruta) {
    std::ifstream f(ruta);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The platform's description of an error code, as a message box shows it.
std::string Descripcion(DWORD nError) {
    char texto[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             nError, 0, texto, sizeof texto, nullptr);
    std::string s(texto, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

struct Salida {
    int nCodigo = -1;
    std::string sError;
};

class Lanzador : public ::testing::Test {
  protected:
    void SetUp() override {
        char plantilla[] = "/tmp/zel-lanzador-XXXXXX";
        ASSERT_NE(mkdtemp(plantilla), nullptr);
        base_ = plantilla;
        fs::create_directory(base_ / "desktop");
    }

    void TearDown() override {
        Detener();
        fs::remove_all(base_);
    }

    // Installs a copy of the launcher, with or without the hot-key program
    // beside it, in a folder below the test's own.
    fs::path Instalar(const std::string &sCarpeta, bool bConHotKeys) {
        const fs::path carpeta = base_ / sCarpeta;
        fs::create_directories(carpeta);
        fs::copy_file(ZEL_LAUNCHER_EXE, carpeta / "PanelDeControlVelisco");
        if (bConHotKeys)
            fs::copy_file(ZEL_HOTKEYS_EXE, carpeta / "ZelHotKeysExp.exe");
        return carpeta / "PanelDeControlVelisco";
    }

    // Runs the launcher to its end.  Copies of the hot-key program that it
    // starts record to iniciados().
    Salida Lanzar(const fs::path &lanzador, std::vector<std::string> entorno = {}) {
        entorno.push_back("ZELHK_LOG=" + Iniciados().string());
        const fs::path error = base_ / ("launcher" + std::to_string(++nLanzados_) + ".err");
        const pid_t pid = Iniciar(lanzador, entorno, error);
        Salida salida;
        int estado = 0;
        if (pid > 0 && waitpid(pid, &estado, 0) == pid && WIFEXITED(estado))
            salida.nCodigo = WEXITSTATUS(estado);
        salida.sError = Leer(error);
        return salida;
    }

    // Starts a hot-key program showing a window of that class and title, and
    // waits for the window; returns its record file.
    fs::path Suplente(const std::string &sClase, const std::string &sTitulo) {
        const fs::path registro = base_ / ("hotkeys" + std::to_string(suplentes_.size()) + ".log");
        const pid_t pid = Iniciar(
            ZEL_HOTKEYS_EXE,
            {"ZELHK_LOG=" + registro.string(), "ZELHK_CLASS=" + sClase, "ZELHK_TITLE=" + sTitulo},
            "/dev/null");
        EXPECT_GT(pid, 0);
        if (pid > 0)
            suplentes_.push_back(pid);
        EXPECT_TRUE(Esperar([&] {
            for (auto &[p, inst] : LeerRegistro(registro))
                if (inst.bListo)
                    return true;
            return false;
        })) << sClase
            << " / " << sTitulo;
        return registro;
    }

    // Ends every hot-key program of the test, each after the messages
    // already queued for it, and waits until they have recorded their end.
    void Detener() {
        std::ofstream(base_ / "stop").put('\n');
        for (pid_t pid : suplentes_) {
            bool bTerminado = Esperar([&] { return waitpid(pid, nullptr, WNOHANG) == pid; });
            if (!bTerminado) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
        suplentes_.clear();
        EXPECT_TRUE(Esperar([&] {
            for (auto &[p, inst] : LeerRegistro(Iniciados()))
                if (!inst.bTerminado)
                    return false;
            return true;
        }));
    }

    fs::path Iniciados() const { return base_ / "started.log"; }
    fs::path base_;

  private:
    // The test's environment with the test's desktop and stop file; stdin
    // and stdout are /dev/null and the process has no controlling terminal.
    pid_t Iniciar(const fs::path &programa, const std::vector<std::string> &extra,
                  const fs::path &error) {
        std::vector<std::string> entorno;
        for (char **e = environ; *e; ++e)
            if (std::strncmp(*e, "ZELPLAT_DESKTOP=", 16) && std::strncmp(*e, "ZELHK_", 6))
                entorno.push_back(*e);
        entorno.push_back("ZELPLAT_DESKTOP=" + (base_ / "desktop").string());
        entorno.push_back("ZELHK_STOP_FILE=" + (base_ / "stop").string());
        entorno.insert(entorno.end(), extra.begin(), extra.end());
        std::vector<char *> envp;
        for (auto &e : entorno)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string sPrograma = programa.string();
        char *argv[] = {sPrograma.data(), nullptr};

        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        posix_spawn_file_actions_addopen(&acciones, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&acciones, 2, error.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawnattr_t atributos;
        posix_spawnattr_init(&atributos);
        posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETSID);
        pid_t pid = -1;
        if (posix_spawn(&pid, sPrograma.c_str(), &acciones, &atributos, argv, envp.data()) != 0)
            pid = -1;
        posix_spawnattr_destroy(&atributos);
        posix_spawn_file_actions_destroy(&acciones);
        return pid;
    }

    std::vector<pid_t> suplentes_;
    int nLanzados_ = 0;
};

// Waits until the window of a hot-key program has taken a request.
bool EsperarPeticion(const fs::path &registro) {
    return Esperar([&] {
        for (auto &[pid, inst] : LeerRegistro(registro))
            if (!inst.registrados.empty())
                return true;
        return false;
    });
}

// Checks that the one window got one request with wParam 0 and lParam 0 and
// that nothing was started.
void ComprobarUnaPeticion(const fs::path &registro, const fs::path &iniciados) {
    auto instancias = LeerRegistro(registro);
    ASSERT_EQ(instancias.size(), 1u);
    EXPECT_EQ(instancias.begin()->second.registrados,
              std::vector<std::string>{"wparam=0 lparam=0"});
    EXPECT_FALSE(fs::exists(iniciados));
}

// A launch while the program runs posts to its window and shows nothing; the
// launcher's folder has no hot-key program, so starting one would show a box.
TEST_F(Lanzador, ProgramaEnMarchaConLaPrimeraClase) {
    const fs::path registro = Suplente("ThunderRT6FormDC", kTitulo);
    const Salida salida = Lanzar(Instalar("app", false));
    EXPECT_EQ(salida.nCodigo, 0);
    EXPECT_EQ(salida.sError, "");
    EXPECT_TRUE(EsperarPeticion(registro));
    Detener();
    ComprobarUnaPeticion(registro, Iniciados());
}

TEST_F(Lanzador, ProgramaEnMarchaConLaSegundaClase) {
    const fs::path registro = Suplente("ThunderFormDC", kTitulo);
    const Salida salida = Lanzar(Instalar("app", false));
    EXPECT_EQ(salida.sError, "");
    EXPECT_TRUE(EsperarPeticion(registro));
    Detener();
    ComprobarUnaPeticion(registro, Iniciados());
}

TEST_F(Lanzador, ConLasDosClasesSoloLaPrimeraRecibe) {
    const fs::path segunda = Suplente("ThunderFormDC", kTitulo);
    const fs::path primera = Suplente("ThunderRT6FormDC", kTitulo);
    const Salida salida = Lanzar(Instalar("app", false));
    EXPECT_EQ(salida.sError, "");
    EXPECT_TRUE(EsperarPeticion(primera));
    Detener();
    ComprobarUnaPeticion(primera, Iniciados());
    auto instancias = LeerRegistro(segunda);
    ASSERT_EQ(instancias.size(), 1u);
    EXPECT_TRUE(instancias.begin()->second.bTerminado);
    EXPECT_TRUE(instancias.begin()->second.registrados.empty());
}

// Another title (beyond letter case) or the right title under another class
// is not the hot-key program: the launcher starts it with -pc.
TEST_F(Lanzador, VentanasQueNoCoincidenCuentanComoAusentes) {
    const std::vector<fs::path> ajenas = {
        Suplente("ThunderRT6FormDC", "Velisco - HotKeys Corvalia 2"),
        Suplente("ThunderFormDC", "Velisco HotKeys Corvalia"),
        Suplente("ThunderRT6Form", kTitulo),
    };
    const Salida salida = Lanzar(Instalar("app", true));
    EXPECT_EQ(salida.sError, "");
    ASSERT_TRUE(Esperar([&] { return !LeerRegistro(Iniciados()).empty(); }));
    Detener();
    auto iniciados = LeerRegistro(Iniciados());
    ASSERT_EQ(iniciados.size(), 1u);
    EXPECT_EQ(iniciados.begin()->second.argv,
              (std::vector<std::string>{(base_ / "app/ZelHotKeysExp.exe").string(), "-pc"}));
    for (const fs::path &ajena : ajenas)
        for (auto &[pid, inst] : LeerRegistro(ajena))
            EXPECT_TRUE(inst.registrados.empty()) << ajena;
}

// A folder with blanks: the program is found by its full path and still gets
// the single argument -pc, from a quoted command line.
TEST_F(Lanzador, CarpetaConBlancos) {
    const fs::path lanzador = Instalar("Mis Programas", true);
    const Salida salida = Lanzar(lanzador);
    EXPECT_EQ(salida.sError, "");
    ASSERT_TRUE(Esperar([&] { return !LeerRegistro(Iniciados()).empty(); }));
    Detener();
    auto iniciados = LeerRegistro(Iniciados());
    ASSERT_EQ(iniciados.size(), 1u);
    const std::string sPrograma = (lanzador.parent_path() / "ZelHotKeysExp.exe").string();
    EXPECT_EQ(iniciados.begin()->second.argv, (std::vector<std::string>{sPrograma, "-pc"}));
    EXPECT_EQ(iniciados.begin()->second.sLineaComando, "\"" + sPrograma + "\" -pc");
    EXPECT_EQ(iniciados.begin()->second.sMostrar, std::to_string(SW_SHOWNOACTIVATE));
}

TEST_F(Lanzador, SinProgramaHotKeysUnaCajaConLaDescripcion) {
    const Salida salida = Lanzar(Instalar("app", false));
    EXPECT_EQ(salida.nCodigo, 0);
    EXPECT_EQ(salida.sError, kCaja + Descripcion(ERROR_FILE_NOT_FOUND) + "\n");
}

TEST_F(Lanzador, RegistroFallidoMuestraSuTextoYNoPublica) {
    const fs::path registro = Suplente("ThunderRT6FormDC", kTitulo);
    const Salida salida = Lanzar(Instalar("app", true), {"ZELPLAT_FAIL_REGISTERWINDOWMESSAGE=1"});
    EXPECT_EQ(salida.nCodigo, 0);
    EXPECT_EQ(salida.sError, std::string(kCaja) +
                                 "RegisterWindowMessage. Error al registrar el mensaje "
                                 "'ZelVelisco.ClsEscanVelisco.PanelControl'\n");
    Detener();
    auto instancias = LeerRegistro(registro);
    ASSERT_EQ(instancias.size(), 1u);
    EXPECT_TRUE(instancias.begin()->second.registrados.empty());
    EXPECT_FALSE(fs::exists(Iniciados()));
}

// The first started program holds its window back until the file "hold"
// exists, so the second launch cannot find it either: both start one.
TEST_F(Lanzador, DosLanzamientosRapidosInicianDosVeces) {
    const fs::path lanzador = Instalar("app", true);
    const std::string sEsperar = "ZELHK_HOLD_FILE=" + (base_ / "hold").string();
    EXPECT_EQ(Lanzar(lanzador, {sEsperar}).sError, "");
    EXPECT_EQ(Lanzar(lanzador, {sEsperar}).sError, "");
    ASSERT_TRUE(Esperar([&] { return LeerRegistro(Iniciados()).size() == 2; }));
    std::ofstream(base_ / "hold").put('\n');
    Detener();
    for (auto &[pid, inst] : LeerRegistro(Iniciados())) {
        ASSERT_EQ(inst.argv.size(), 2u);
        EXPECT_EQ(inst.argv[1], "-pc");
    }
}

} // namespace

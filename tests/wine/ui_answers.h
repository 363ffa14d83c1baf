// Answers the message boxes and the save dialog that a host's own thread
// shows, the way a person at the screen would: a thread-local WH_CBT hook
// sees each dialog (class #32770) as it is activated, records a box's
// caption and text and presses its first button, and types the name to save
// under into the save dialog (or cancels it when there is no name).  Each
// dialog window is answered once: the save dialog is activated again when a
// box it owns closes (the overwrite prompt), and is still the same dialog.
#ifndef ZEL_TESTS_WINE_UI_ANSWERS_H
#define ZEL_TESTS_WINE_UI_ANSWERS_H

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zelwine {

struct Caja {
    std::string sTitulo, sTexto;
};

class Respuestas {
  public:
    Respuestas() { hGancho_ = SetWindowsHookExA(WH_CBT, Gancho, nullptr, GetCurrentThreadId()); }
    ~Respuestas() { UnhookWindowsHookEx(hGancho_); }
    Respuestas(const Respuestas &) = delete;
    Respuestas &operator=(const Respuestas &) = delete;

    bool Instalada() const { return hGancho_ != nullptr; }
    // The name the next save dialogs are answered with; empty: cancel.
    static void NombreParaGuardar(const std::string &sNombre) { Nombre() = sNombre; }
    static std::vector<Caja> &Cajas() {
        static std::vector<Caja> cajas;
        return cajas;
    }
    // The source the next selection dialogs choose, by name.
    static void FuenteParaElegir(const std::string &sNombre) { Fuente() = sNombre; }
    // The lists of the selection dialogs answered, names ended by '|'.
    static std::vector<std::string> &Listas() {
        static std::vector<std::string> listas;
        return listas;
    }
    // The save dialogs answered, one per dialog window.
    static int &DialogosGuardar() {
        static int n = 0;
        return n;
    }

  private:
    // Controls of the save dialog that hold the file name, in its Explorer
    // style (cmb13) and its old style (edt1).
    static constexpr int kNombreExplorador = 0x47C, kNombreAntiguo = 0x480;

    static std::string &Nombre() {
        static std::string s;
        return s;
    }
    static std::string &Fuente() {
        static std::string s;
        return s;
    }
    // The dialogs answered and not yet destroyed (a handle may come back for
    // a later window once its own is destroyed).
    static std::vector<HWND> &Contestados() {
        static std::vector<HWND> v;
        return v;
    }
    static bool Contestado(HWND hDlg) {
        const auto &v = Contestados();
        return std::find(v.begin(), v.end(), hDlg) != v.end();
    }
    static LRESULT CALLBACK Gancho(int nCodigo, WPARAM wParam, LPARAM lParam) {
        HWND hVentana = reinterpret_cast<HWND>(wParam);
        if (nCodigo == HCBT_DESTROYWND) {
            auto &v = Contestados();
            v.erase(std::remove(v.begin(), v.end(), hVentana), v.end());
        } else if (nCodigo == HCBT_ACTIVATE && !Contestado(hVentana)) {
            char clase[16] = {};
            GetClassNameA(hVentana, clase, sizeof clase);
            if (std::string(clase) == "#32770")
                Contestar(hVentana);
        }
        return CallNextHookEx(nullptr, nCodigo, wParam, lParam);
    }
    static void Contestar(HWND hDlg) {
        char texto[1024] = {};
        if (GetDlgItem(hDlg, 0xFFFF)) {
            Contestados().push_back(hDlg);
            char titulo[256] = {};
            GetWindowTextA(hDlg, titulo, sizeof titulo);
            GetDlgItemTextA(hDlg, 0xFFFF, texto, sizeof texto);
            Cajas().push_back({titulo, texto});
            // OK, or Yes for a question (the overwrite prompt).
            PostMessageA(hDlg, WM_COMMAND, GetDlgItem(hDlg, IDOK) ? IDOK : IDYES, 0);
            return;
        }
        HWND hNombre = GetDlgItem(hDlg, kNombreExplorador);
        if (!hNombre)
            hNombre = GetDlgItem(hDlg, kNombreAntiguo);
        // The file dialogs hold list boxes too: a list box without a name
        // field is a selection dialog.
        HWND hLista = hNombre ? nullptr : FindWindowExA(hDlg, nullptr, "ListBox", nullptr);
        if (hLista)
            ElegirDeLista(hDlg, hLista);
        if (!hNombre)
            return;
        Contestados().push_back(hDlg);
        ++DialogosGuardar();
        if (Nombre().empty()) {
            PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetWindowTextA(hNombre, Nombre().c_str());
        PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    }
    // A selection dialog: its list is recorded, the named source selected
    // and OK pressed.
    static void ElegirDeLista(HWND hDlg, HWND hLista) {
        Contestados().push_back(hDlg);
        std::string lista;
        LRESULT n = SendMessageA(hLista, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char nombre[256] = {};
            if (SendMessageA(hLista, LB_GETTEXTLEN, i, 0) < LRESULT(sizeof nombre))
                SendMessageA(hLista, LB_GETTEXT, i, LPARAM(nombre));
            lista += std::string(nombre) + "|";
        }
        Listas().push_back(lista);
        SendMessageA(hLista, LB_SELECTSTRING, WPARAM(-1), LPARAM(Fuente().c_str()));
        PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    }
    HHOOK hGancho_ = nullptr;
};

} // namespace zelwine

#endif

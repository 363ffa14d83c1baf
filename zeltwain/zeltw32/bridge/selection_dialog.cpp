// The library's own selection dialog: a list box of the sources' product
// names with OK and Cancel, made from a template built in memory, as the
// library ships no resources.
#include "bridge/selection_dialog.h"

namespace zel {
namespace {

constexpr WORD kIdLista = 100;
constexpr WORD kClaseBoton = 0x0080;
constexpr WORD kClaseLista = 0x0083;

// A dialog template in memory: the header, then each item on a DWORD
// boundary, texts in UTF-16 (ASCII texts only).
class Plantilla {
  public:
    Plantilla(const char *titulo, short ancho, short alto, WORD elementos) {
        Dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Dword(0);
        palabras_.push_back(elementos);
        Rectangulo(0, 0, ancho, alto);
        palabras_.push_back(0); // no menu
        palabras_.push_back(0); // the predefined dialog class
        Texto(titulo);
        palabras_.push_back(8); // font size in points
        Texto("MS Shell Dlg");
    }

    void Elemento(DWORD estilo, short x, short y, short ancho, short alto, WORD id, WORD clase,
                  const char *texto) {
        if (palabras_.size() % 2 != 0)
            palabras_.push_back(0);
        Dword(estilo | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Rectangulo(x, y, ancho, alto);
        palabras_.push_back(id);
        palabras_.push_back(0xFFFF); // a predefined class by atom
        palabras_.push_back(clase);
        Texto(texto);
        palabras_.push_back(0); // no creation data
    }

    LPCDLGTEMPLATEA Datos() const { return reinterpret_cast<LPCDLGTEMPLATEA>(palabras_.data()); }

  private:
    void Dword(DWORD valor) {
        palabras_.push_back(LOWORD(valor));
        palabras_.push_back(HIWORD(valor));
    }
    void Rectangulo(short x, short y, short ancho, short alto) {
        for (short valor : {x, y, ancho, alto})
            palabras_.push_back(WORD(valor));
    }
    void Texto(const char *texto) {
        for (; *texto; ++texto)
            palabras_.push_back(WORD(static_cast<unsigned char>(*texto)));
        palabras_.push_back(0);
    }

    std::vector<WORD> palabras_;
};

struct Eleccion {
    const std::vector<std::string> *nombres;
    int marcado;
    int elegido;
};

void Llenar(HWND ventana, const Eleccion &eleccion) {
    for (const std::string &nombre : *eleccion.nombres)
        SendDlgItemMessageA(ventana, kIdLista, LB_ADDSTRING, 0, LPARAM(nombre.c_str()));
    SendDlgItemMessageA(ventana, kIdLista, LB_SETCURSEL, WPARAM(eleccion.marcado), 0);
}

// OK, or a double-click on a name: the selected name is the answer.
void Elegir(HWND ventana, Eleccion &eleccion) {
    LRESULT posicion = SendDlgItemMessageA(ventana, kIdLista, LB_GETCURSEL, 0, 0);
    if (posicion == LB_ERR)
        return;
    eleccion.elegido = int(posicion);
    EndDialog(ventana, IDOK);
}

INT_PTR CALLBACK ProcDialogo(HWND ventana, UINT mensaje, WPARAM wParam, LPARAM lParam) {
    if (mensaje == WM_INITDIALOG) {
        SetWindowLongPtrA(ventana, DWLP_USER, lParam);
        Llenar(ventana, *reinterpret_cast<Eleccion *>(lParam));
        return TRUE;
    }
    if (mensaje != WM_COMMAND)
        return FALSE;
    auto *eleccion = reinterpret_cast<Eleccion *>(GetWindowLongPtrA(ventana, DWLP_USER));
    WORD id = LOWORD(wParam);
    if (id == IDOK || (id == kIdLista && HIWORD(wParam) == LBN_DBLCLK))
        Elegir(ventana, *eleccion);
    else if (id == IDCANCEL)
        EndDialog(ventana, IDCANCEL);
    return TRUE;
}

HINSTANCE ModuloPropio() {
    HMODULE modulo = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ProcDialogo), &modulo);
    return modulo;
}

} // namespace

int MostrarSeleccion(HWND padre, const std::vector<std::string> &nombres, int marcado) {
    Plantilla plantilla("Select Source", 186, 124, 3);
    plantilla.Elemento(LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 172, 90, kIdLista,
                       kClaseLista, "");
    plantilla.Elemento(BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 103, 50, 14, IDOK, kClaseBoton, "OK");
    plantilla.Elemento(BS_PUSHBUTTON | WS_TABSTOP, 129, 103, 50, 14, IDCANCEL, kClaseBoton,
                       "Cancel");
    Eleccion eleccion{&nombres, marcado, kSeleccionCancelada};
    INT_PTR fin = DialogBoxIndirectParamA(ModuloPropio(), plantilla.Datos(),
                                          IsWindow(padre) ? padre : nullptr, ProcDialogo,
                                          reinterpret_cast<LPARAM>(&eleccion));
    if (fin != IDOK && fin != IDCANCEL) {
        OutputDebugStringA("ZELTW: the selection dialog cannot be shown.\n");
        return kSeleccionSinDialogo;
    }
    return eleccion.elegido;
}

} // namespace zel

// What the library's hosts under Wine rely on before any scan: the boxes and
// the save dialog of the host's own thread are answered and read back, with
// code page 1252 text, as the library shows them.
#include "ui_answers.h"
#include "wine_check.h"

#include <cstring>

using zelwine::Casos;
using zelwine::Respuestas;

namespace {

// The save dialog as the library shows it: the size without the fields of
// later systems, flags 0x8006, a buffer of 256 characters.
BOOL Guardar(char (&archivo)[256], const char *filtro) {
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.lpstrFilter = filtro;
    ofn.lpstrFile = archivo;
    ofn.nMaxFile = 251;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
    return GetSaveFileNameA(&ofn);
}

} // namespace

int main() {
    Casos t;
    Respuestas respuestas;
    const char kFiltro[] = "Formato Multipagina (*.tif;*.tiff)\0*.tif;*.tiff\0";
    CreateDirectoryA("C:\\zelwine", nullptr);
    CreateDirectoryA("C:\\zelwine\\dialogos", nullptr);

    t.Caso("message_boxes_are_answered_and_read", [&] {
        if (!t.Verificar(respuestas.Instalada(), "hook installed"))
            return;
        Respuestas::Cajas().clear();
        const int nRespuesta =
            MessageBoxA(nullptr, "Introduzca ahora las p\xE1ginas pares \n\r y pulse aceptar",
                        "D\xFAplex Manual", MB_OK | MB_ICONINFORMATION);
        t.Igual(nRespuesta, IDOK, "answer");
        MessageBoxA(nullptr, "Imposible abrir el dispositivo (TWAIN_32.DLL)", "TWAIN Error",
                    MB_OK | MB_ICONEXCLAMATION);
        if (!t.Igual(Respuestas::Cajas().size(), size_t(2), "boxes recorded"))
            return;
        t.Igual(Respuestas::Cajas()[0].sTitulo, std::string("D\xFAplex Manual"), "caption");
        t.Igual(Respuestas::Cajas()[0].sTexto,
                std::string("Introduzca ahora las p\xE1ginas pares \n\r y pulse aceptar"), "text");
        t.Igual(Respuestas::Cajas()[1].sTitulo, std::string("TWAIN Error"), "second caption");
    });

    t.Caso("the_save_dialog_takes_the_name_or_is_cancelled", [&] {
        Respuestas::DialogosGuardar() = 0;
        char archivo[256] = {};
        Respuestas::NombreParaGuardar("C:\\zelwine\\dialogos\\lote.tif");
        t.Verificar(Guardar(archivo, kFiltro), "dialog answered with a name");
        t.Igual(std::string(archivo), std::string("C:\\zelwine\\dialogos\\lote.tif"), "name");
        std::memset(archivo, 0, sizeof archivo);
        Respuestas::NombreParaGuardar("");
        t.Verificar(!Guardar(archivo, kFiltro), "cancelled dialog returns FALSE");
        t.Igual(CommDlgExtendedError(), DWORD(0), "no dialog error on cancel");
        t.Igual(Respuestas::DialogosGuardar(), 2, "dialogs shown");
    });

    // The overwrite prompt is owned by the save dialog, which is activated
    // again when the prompt closes: still one dialog, answered once.
    t.Caso("the_save_dialog_over_an_existing_file_is_answered_once", [&] {
        const char kExistente[] = "C:\\zelwine\\dialogos\\existente.tif";
        HANDLE h = CreateFileA(kExistente, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!t.Verificar(h != INVALID_HANDLE_VALUE, "existing file made"))
            return;
        CloseHandle(h);
        Respuestas::DialogosGuardar() = 0;
        Respuestas::Cajas().clear();
        char archivo[256] = {};
        Respuestas::NombreParaGuardar(kExistente);
        t.Verificar(Guardar(archivo, kFiltro), "dialog answered with a name");
        t.Igual(std::string(archivo), std::string(kExistente), "name");
        t.Igual(Respuestas::Cajas().size(), size_t(1), "overwrite prompts");
        t.Igual(Respuestas::DialogosGuardar(), 1, "dialogs answered");
    });

    return t.Terminar();
}

#include "acquisition/output_name.h"

#include <cstring>

#include "dib/file_dialogs.h"

namespace zel {
namespace {

// The dialog filter, the extensions recognised in a name (the first one
// found wins) and the extension appended when none is found.
struct FormatoSalida {
    TW_UINT16 codigo;
    const char *filtro;
    const char *reconocidas[2];
    const char *anadida;
};

// Codes 0 and 6 recognise ".tif" first: a name holding ".tiff" holds ".tif"
// too, and then ".tiff" is the extension.
constexpr FormatoSalida kFormatos[] = {
    {TWFF_TIFF, "Formato Multipagina (*.tif;*.tiff)\0*.tif;*.tiff\0", {".tiff", ".tif"}, ".tif"},
    {TWFF_TIFFMULTI,
     "Formato Multipagina (*.tif;*.tiff)\0*.tif;*.tiff\0",
     {".tiff", ".tif"},
     ".tif"},
    {TWFF_BMP, "BitMap de windows (*.bmp;*.dib)\0*.bmp;*.dib\0", {".bmp", nullptr}, ".bmp"},
    {TWFF_JFIF, "Formato JPEG (*.jpeg;*.jpg)\0*.jpeg;*.jpg\0", {".jpeg", ".jpg"}, ".jpg"},
    {TWFF_PNG, "Formato PNG(*.png)\0*.png\0", {".png", nullptr}, ".png"},
    {TWFF_PDF, "Formato PDF(*.pdf)\0*.pdf\0", {".pdf", nullptr}, ".pdf"},
};

const FormatoSalida *BuscarFormato(TW_UINT16 codigo) {
    for (const FormatoSalida &f : kFormatos)
        if (f.codigo == codigo)
            return &f;
    return nullptr;
}

// The extension found anywhere in the name (not only at its end), or null.
const char *ExtensionReconocida(const FormatoSalida &formato, const char *nombre) {
    char minusculas[kTamArchivoSalida];
    lstrcpynA(minusculas, nombre, sizeof minusculas);
    CharLowerA(minusculas);
    for (const char *extension : formato.reconocidas)
        if (extension && std::strstr(minusculas, extension))
            return extension;
    return nullptr;
}

// Gives the name its extension in place; false when it would not fit.
bool PonerExtension(const FormatoSalida &formato, char *nombre) {
    const char *extension = ExtensionReconocida(formato, nombre);
    if (!extension) {
        extension = formato.anadida;
        size_t largo = std::strlen(nombre);
        if (largo + std::strlen(extension) >= kTamArchivoSalida)
            return false;
        std::memcpy(nombre + largo, extension, std::strlen(extension) + 1);
    }
    lstrcpynA(szExtension, extension, kTamExtension);
    return true;
}

bool NombreLargo(const char *nombre) {
    MensajeError("El nombre del archivo de salida es demasiado largo.");
    OutputDebugStringA("ZELTW: output name too long: ");
    OutputDebugStringA(nombre);
    OutputDebugStringA("\n");
    return false;
}

} // namespace

bool ElegirArchivoSalida(LPSTR szNombre, char (&elegido)[kTamArchivoSalida]) {
    const FormatoSalida *formato = BuscarFormato(nFormatoArchivo);
    char dialogo[kTamNombreArchivo];
    char *nombre = szNombre;
    if (!szNombre || !*szNombre) {
        if (!MostrarDialogoArchivo(TipoDialogo::Guardar, formato ? formato->filtro : nullptr,
                                   dialogo, nullptr))
            return false;
        nombre = dialogo;
    } else if (strnlen(szNombre, kTamArchivoSalida) >= kTamArchivoSalida) {
        return NombreLargo("(more than 255 characters)");
    }
    if (formato && !PonerExtension(*formato, nombre))
        return NombreLargo(nombre);
    lstrcpynA(elegido, nombre, kTamArchivoSalida);
    return true;
}

} // namespace zel

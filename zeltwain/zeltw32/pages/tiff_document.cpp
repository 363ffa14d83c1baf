#include "zeltw32.h"

#include "pages/tiff_document.h"

namespace zel {
namespace {

// Only existing files are opened: FreeImage 3.18 crashes when it creates a
// new document whose disk cache cannot be created.
FIMULTIBITMAP *AbrirTiff(const char *archivo, BOOL soloLectura) {
    PrepararFreeImage();
    std::string ruta = RutaNativa(archivo);
    if (ruta.empty())
        return nullptr;
    return FreeImage_OpenMultiBitmap(FIF_TIFF, ruta.c_str(), FALSE, soloLectura, FALSE, 0);
}

} // namespace

// A file that reads as no page is no document: FreeImage would open it all
// the same, and closing it would replace what it holds with the pages
// appended.
FIMULTIBITMAP *AbrirDocumentoTiff(const char *archivo) {
    FIMULTIBITMAP *documento = AbrirTiff(archivo, FALSE);
    if (documento && FreeImage_GetPageCount(documento) == 0) {
        FreeImage_CloseMultiBitmap(documento, 0);
        return nullptr;
    }
    return documento;
}

void AnadirPagina(FIMULTIBITMAP *documento, FIBITMAP *pagina, int nAntesDe) {
    if (nAntesDe >= 0)
        FreeImage_InsertPage(documento, nAntesDe, pagina);
    else
        FreeImage_AppendPage(documento, pagina);
}

// The page file is only read: opened read-only, it needs no cache of its
// own and is never written back.
bool AnadirPaginaDeArchivo(FIMULTIBITMAP *documento, const char *archivo, int nAntesDe) {
    FIMULTIBITMAP *hArchivo = AbrirTiff(archivo, TRUE);
    if (!hArchivo) {
        OutputDebugStringA("ZELTW: page file cannot be opened for the merge.\n");
        return false;
    }
    FIBITMAP *pagina = FreeImage_LockPage(hArchivo, 0);
    if (pagina) {
        AnadirPagina(documento, pagina, nAntesDe);
        FreeImage_UnlockPage(hArchivo, pagina, FALSE);
    } else {
        OutputDebugStringA("ZELTW: page file holds no page to merge.\n");
    }
    FreeImage_CloseMultiBitmap(hArchivo, 0);
    return pagina != nullptr;
}

int PaginasDeTiff(const char *archivo) {
    FIMULTIBITMAP *hArchivo = AbrirTiff(archivo, TRUE);
    if (!hArchivo)
        return 0;
    int paginas = FreeImage_GetPageCount(hArchivo);
    FreeImage_CloseMultiBitmap(hArchivo, 0);
    return paginas;
}

bool CerrarDocumentoTiff(FIMULTIBITMAP *documento, int flags) {
    if (FreeImage_CloseMultiBitmap(documento, flags))
        return true;
    OutputDebugStringA("ZELTW: multi-page document could not be written.\n");
    return false;
}

} // namespace zel

/*
 * A C host of ZELTW32: lists the scanners, scans one page into a bitmap file
 * and a feeder batch into a multi-page TIFF document.
 *
 *   i686-w64-mingw32-gcc ejemplo.c -I.. ../ZELTW32.lib -o ejemplo.exe
 *   cl ejemplo.c /I.. ..\ZELTW32.lib user32.lib
 *
 * ZELTW32.dll and FreeImage.dll must be beside ejemplo.exe.
 */
#include <stdio.h>
#include <string.h>

#include "zeltw32.h"

int main(void) {
    char szNombre[34]; /* a ProductName: 33 characters and the zero */
    /* Room for the extension that the library appends when it is missing. */
    char szDocumento[MAX_PATH + 4] = "lote";
    char szPagina[] = "pagina.bmp";
    HGLOBAL hDib;
    int nResultado;

    RegistrarApp(1, 0, TWLG_SPANISH, TWCY_SPAIN, "1.0", "Ejemplo", "Ejemplos", "Ejemplo en C");
    if (!EstaDisponible()) {
        fputs("No TWAIN manager (TWAIN_32.DLL) is installed.\n", stderr);
        return 1;
    }
    if (MostrarPrimerEscaner(NULL, szNombre)) {
        do
            printf("scanner: %s\n", szNombre);
        while (MostrarSiguienteEscaner(NULL, szNombre));
    }

    /* One page, any pixel type, from the default scanner without its dialog. */
    OcultarUI(1);
    hDib = AdquirirEnMemoria(NULL, 0xFFFF);
    if (!hDib) {
        InformeUltimoError("AdquirirEnMemoria");
        return 1;
    }
    printf("page: %d x %d, %d bits\n", DibAnchura(hDib), DibAltura(hDib), DibProfundidad(hDib));
    if (EscribirEnNombreArchivo(hDib, szPagina) != 0)
        fputs("pagina.bmp could not be written\n", stderr);
    LiberadorDeMemoria(hDib);

    /* The whole feeder into lote.tif, dropping pages whiter than 99%. */
    DescartarEnBlanco(0.99);
    nResultado = AdquirirMultipagina(NULL, TWFF_TIFFMULTI, szDocumento);
    printf("batch: %s (%d)\n", nResultado == 1 ? szDocumento : "not written", nResultado);
    return nResultado == 1 ? 0 : 1;
}

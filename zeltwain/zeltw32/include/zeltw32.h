/*
 * ZELTW32: TWAIN 1.x scanning behind flat exports.
 *
 * Every export uses the standard Windows calling convention and takes
 * 32-bit integers and handles; floating-point values are double.  Strings
 * are zero-terminated code page 1252 text, and a NULL string is read as
 * empty.  Success is 1 and failure 0 unless a function says otherwise.
 */
#ifndef ZELTW32_H
#define ZELTW32_H

#include <windows.h>

#include "twain.h"

#ifdef _WIN32
#ifdef ZELTW32_BUILDING
#define ZELTW32_API(type) __declspec(dllexport) type WINAPI
#else
#define ZELTW32_API(type) __declspec(dllimport) type WINAPI
#endif
#else
#define ZELTW32_API(type) __attribute__((visibility("default"))) type
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Session states, as returned by EstadoTwain (the TWAIN state numbers). */
#define ZEL_SM_DESCARGADO 1
#define ZEL_SM_CARGADO 2
#define ZEL_SM_ABIERTO 3
#define ZEL_DISP_ABIERTO 4
#define ZEL_DISP_HABILITADO 5
#define ZEL_TRANSFER_LISTA 6
#define ZEL_TRANSFIRIENDO 7

/* Triplet entry points and session */
ZELTW32_API(BOOL) ZEL_DSM(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData);
ZELTW32_API(BOOL) ZEL_DS(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData);
ZELTW32_API(void)
RegistrarApp(int MajorNum, int MinorNum, int Language, int Country, LPCSTR Info,
             LPCSTR Manufacturer, LPCSTR ProductFamily, LPCSTR ProductName);
ZELTW32_API(int) EstadoTwain(void);
ZELTW32_API(int) ZelTwainVersion(void);
ZELTW32_API(BOOL) EstaDisponible(void);

/* Manager and data source lifecycle */
ZELTW32_API(BOOL) CargarManejadorDispositivo(void);
ZELTW32_API(BOOL) AbrirManejadorDispositivo(HWND hWnd);
ZELTW32_API(BOOL) CerrarDispositivo(void);
ZELTW32_API(BOOL) CerrarManejadorDispositivo(HWND hWnd);
ZELTW32_API(BOOL) DescargarManejadorDispositivo(void);
ZELTW32_API(BOOL) SeleccionarDispositivo(HWND hWnd);
/* The name buffers receive a ProductName: they must hold 34 bytes. */
ZELTW32_API(BOOL) MostrarEscanerXDefecto(HWND hWnd, LPSTR szNombre);
ZELTW32_API(BOOL) MostrarPrimerEscaner(HWND hWnd, LPSTR szNombre);
ZELTW32_API(BOOL) MostrarSiguienteEscaner(HWND hWnd, LPSTR szNombre);
ZELTW32_API(BOOL) AbrirDispositivoXDefecto(void);
ZELTW32_API(BOOL) AbrirDispositivo(int nIndice);
ZELTW32_API(BOOL) AbrirDispositivoXNombre(LPCSTR szNombre);

/* Enabling and event loop */
ZELTW32_API(int) OcultarUI(int bOcultar);
ZELTW32_API(int) OcutadaUI(void);
ZELTW32_API(BOOL) HabilitarDispositivo(HWND hWnd);
ZELTW32_API(BOOL) DeshabilitarDispositivo(void);
ZELTW32_API(void) BucleEventosModal(void);
ZELTW32_API(void) RomperBucleEventosModal(void);
ZELTW32_API(BOOL) CapturarMensajes(LPMSG pMsg);

/* Transfers */
ZELTW32_API(HGLOBAL) EsperarANativeXfer(HWND hWnd);
ZELTW32_API(BOOL) FinXfer(void);
ZELTW32_API(BOOL) AbortarPendienteXfer(void);

/* Result codes and error reports */
ZELTW32_API(int) CodigoResultante(void);
ZELTW32_API(int) CodigoCondicionante(void);
ZELTW32_API(void) InformeUltimoError(LPCSTR szFrase);
ZELTW32_API(int) MensajeError(LPCSTR szMensaje);

/* Single-image acquisition */
ZELTW32_API(HGLOBAL) AdquirirEnMemoria(HWND hWnd, DWORD dwMascaraPixel);
ZELTW32_API(BOOL) AdquirirEnPortaPapeles(HWND hWnd, DWORD dwMascaraPixel);
ZELTW32_API(int) AdquirirEnArchivo(HWND hWnd, LPSTR szArchivo);

/* Multi-page acquisition and its options.  A file name given by the caller
   must have room for four more characters: a missing extension is
   appended in place. */
ZELTW32_API(int) AdquirirMultipagina(HWND hWnd, int nFormato, LPSTR szArchivo);
ZELTW32_API(int) AdquirirMultipaginaXDispositivo(HWND hWnd, int nFormato, LPSTR szArchivo);
ZELTW32_API(BOOL) EsDuplex(HWND hWnd, int nIndice);
ZELTW32_API(void) Comprimir(int nCompresion);
ZELTW32_API(void) PonDuplex(int nModo);
ZELTW32_API(void) ForzarDuplex(int bForzar);
ZELTW32_API(void) DescartarEnBlanco(double dUmbral);

/* DIB utilities */
ZELTW32_API(int) DibProfundidad(HGLOBAL hDib);
ZELTW32_API(int) DibAnchura(HGLOBAL hDib);
ZELTW32_API(int) DibAltura(HGLOBAL hDib);
ZELTW32_API(int) DibNumColores(HGLOBAL hDib);
ZELTW32_API(HPALETTE) CrearPaletaDib(HGLOBAL hDib);
ZELTW32_API(int)
DibujarDibADC(HDC hDC, int xDst, int yDst, int cxDst, int cyDst, HGLOBAL hDib, int xSrc, int ySrc);
ZELTW32_API(void) LiberadorDeMemoria(HGLOBAL hMem);

/* Windows bitmap files */
ZELTW32_API(int) EscribirEnNombreArchivo(HGLOBAL hDib, LPSTR szArchivo);
ZELTW32_API(int) EscribirEnArchivo(HGLOBAL hDib, HFILE hArchivo);
ZELTW32_API(BOOL) EscribirDibAArchivo(LPBITMAPINFOHEADER pCabecera, HFILE hArchivo);
ZELTW32_API(HGLOBAL) CargarAMemoriaDeNombreArchivo(LPSTR szArchivo);
ZELTW32_API(HGLOBAL) CargarAMemoriaDeArchivo(HFILE hArchivo);

/* Generic capability access */
ZELTW32_API(int) ObtenActualCapacidad(int nCapacidad, int nTipo, void *pValor);
ZELTW32_API(int) PonValorDeUnaCapacidad(int nCapacidad, int nTipo, TW_UINT32 nValor);
ZELTW32_API(TW_FIX32) ToFix32(double dValor);
ZELTW32_API(double) ZEL_Fix32ToFloat(TW_FIX32 fix32);

/* Named capability operations */
ZELTW32_API(int) NegociarContadorXfer(int nContador);
ZELTW32_API(int) NegociarTipoPixel(int nMascara);
ZELTW32_API(int) ObtenUnidadesActuales(void);
ZELTW32_API(int) PonUnidadesActuales(int nUnidad);
ZELTW32_API(int) ObtenProfundidaBit(void);
ZELTW32_API(int) PonProfundidaBit(int nProfundidad);
ZELTW32_API(int) ObtenTipoPixel(void);
ZELTW32_API(int) PonActualTipoPixel(int nTipo);
ZELTW32_API(double) ObtenActualResolucion(void);
ZELTW32_API(double) ObtenYResolucion(void);
ZELTW32_API(int) PonActualResolucion(double dResolucion);
ZELTW32_API(int) PonContraste(double dContraste);
ZELTW32_API(int) PonBrillo(double dBrillo);
ZELTW32_API(int) XferMech(void);
ZELTW32_API(int) PonXferMech(int nMecanismo);

#ifdef __cplusplus
}
#endif

#endif

Attribute VB_Name = "ZELTW32"
' ZELTW32.dll for Visual Basic 6 and VBA, in 32-bit and 64-bit hosts: the
' same module serves VB6, 32-bit VBA and 64-bit VBA (Office 2010 and later).
' A 32-bit host loads the 32-bit ZELTW32.dll, a 64-bit Office the 64-bit one;
' both export the same functions by the same plain names.
'
' Every export is stdcall with undecorated names (the 64-bit DLL uses the
' one x64 calling convention). Integers and flags are Long; floating-point
' values are Double; strings are passed ByVal As String (ANSI, code page
' 1252); vbNullString reads as an empty string. Success is 1, failure 0,
' unless noted. ZELTW32.dll and FreeImage.dll go beside the program (or on
' the PATH); in the VB6 IDE, beside VB6.EXE or on the PATH.
'
' Two sets of declarations, chosen when the project compiles:
'  - VBA 7 (#If VBA7, Office 2010 and later, 32-bit and 64-bit): PtrSafe
'    declarations where window handles (HWND), DIB handles (HGLOBAL),
'    palettes (HPALETTE), device contexts (HDC) and addresses are LongPtr,
'    which is 4 bytes in 32-bit Office and 8 in 64-bit Office. Declare the
'    host's own variables for them As LongPtr too (Me.hWnd, the DIB handles).
'  - VB6 and earlier VBA (#Else): the handles are Long.
' In both, the record and variable arguments of ZEL_DSM, ZEL_DS,
' CapturarMensajes and ObtenActualCapacidad take the variable itself (As
' Any, by reference): VB passes its address, whatever the width.
' HFILE (a file handle of OpenFile) is Long in both: it is a 32-bit int.
' Every export is described in REFERENCIA.md.
Option Explicit

' Session states returned by EstadoTwain
Public Const ZEL_SM_DESCARGADO As Long = 1
Public Const ZEL_SM_CARGADO As Long = 2
Public Const ZEL_SM_ABIERTO As Long = 3
Public Const ZEL_DISP_ABIERTO As Long = 4
Public Const ZEL_DISP_HABILITADO As Long = 5
Public Const ZEL_TRANSFER_LISTA As Long = 6
Public Const ZEL_TRANSFIRIENDO As Long = 7

' File formats of the multi-page acquisitions
Public Const TWFF_TIFF As Long = 0
Public Const TWFF_BMP As Long = 2
Public Const TWFF_JFIF As Long = 4
Public Const TWFF_TIFFMULTI As Long = 6
Public Const TWFF_PNG As Long = 7
Public Const TWFF_PDF As Long = 10

' Pixel-type masks: bit n accepts TWPT n
Public Const ZEL_MASCARA_BN As Long = &H1&
Public Const ZEL_MASCARA_GRIS As Long = &H2&
Public Const ZEL_MASCARA_COLOR As Long = &H4&
Public Const ZEL_MASCARA_TODAS As Long = &HFFFF&

#If VBA7 Then

' Triplet entry points and session
' pData is the TWAIN record of the triplet, passed by reference.
Public Declare PtrSafe Function ZEL_DSM Lib "ZELTW32.dll" (ByVal DG As Long, ByVal DAT As Long, ByVal MSG As Long, pData As Any) As Long
Public Declare PtrSafe Function ZEL_DS Lib "ZELTW32.dll" (ByVal DG As Long, ByVal DAT As Long, ByVal MSG As Long, pData As Any) As Long
Public Declare PtrSafe Sub RegistrarApp Lib "ZELTW32.dll" (ByVal MajorNum As Long, ByVal MinorNum As Long, ByVal Language As Long, ByVal Country As Long, ByVal Info As String, ByVal Manufacturer As String, ByVal ProductFamily As String, ByVal ProductName As String)
Public Declare PtrSafe Function EstadoTwain Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function ZelTwainVersion Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function EstaDisponible Lib "ZELTW32.dll" () As Long

' Manager and data source lifecycle
Public Declare PtrSafe Function CargarManejadorDispositivo Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function AbrirManejadorDispositivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr) As Long
Public Declare PtrSafe Function CerrarDispositivo Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function CerrarManejadorDispositivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr) As Long
Public Declare PtrSafe Function DescargarManejadorDispositivo Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function SeleccionarDispositivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr) As Long
' szNombre receives a scanner name: pass String$(34, vbNullChar).
Public Declare PtrSafe Function MostrarEscanerXDefecto Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal szNombre As String) As Long
Public Declare PtrSafe Function MostrarPrimerEscaner Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal szNombre As String) As Long
Public Declare PtrSafe Function MostrarSiguienteEscaner Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal szNombre As String) As Long
Public Declare PtrSafe Function AbrirDispositivoXDefecto Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function AbrirDispositivo Lib "ZELTW32.dll" (ByVal nIndice As Long) As Long
Public Declare PtrSafe Function AbrirDispositivoXNombre Lib "ZELTW32.dll" (ByVal szNombre As String) As Long

' Enabling and event loop
Public Declare PtrSafe Function OcultarUI Lib "ZELTW32.dll" (ByVal bOcultar As Long) As Long
Public Declare PtrSafe Function OcutadaUI Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function HabilitarDispositivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr) As Long
Public Declare PtrSafe Function DeshabilitarDispositivo Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Sub BucleEventosModal Lib "ZELTW32.dll" ()
Public Declare PtrSafe Sub RomperBucleEventosModal Lib "ZELTW32.dll" ()
' pMsg is the host's MSG record (a UDT), passed by reference.
Public Declare PtrSafe Function CapturarMensajes Lib "ZELTW32.dll" (pMsg As Any) As Long

' Transfers
Public Declare PtrSafe Function EsperarANativeXfer Lib "ZELTW32.dll" (ByVal hWnd As LongPtr) As LongPtr
Public Declare PtrSafe Function FinXfer Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function AbortarPendienteXfer Lib "ZELTW32.dll" () As Long

' Result codes and error reports
Public Declare PtrSafe Function CodigoResultante Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function CodigoCondicionante Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Sub InformeUltimoError Lib "ZELTW32.dll" (ByVal szFrase As String)
Public Declare PtrSafe Function MensajeError Lib "ZELTW32.dll" (ByVal szMensaje As String) As Long

' Single-image acquisition
' The DIB handles returned are the caller's: free them with LiberadorDeMemoria.
Public Declare PtrSafe Function AdquirirEnMemoria Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal dwMascaraPixel As Long) As LongPtr
Public Declare PtrSafe Function AdquirirEnPortaPapeles Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal dwMascaraPixel As Long) As Long
Public Declare PtrSafe Function AdquirirEnArchivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal szArchivo As String) As Long

' Multi-page acquisition and its options
' A file name given must have room for 4 more characters (the extension
' is appended in place): pass the name followed by Space$(4) or vbNullChar x 4,
' or vbNullString for the save dialog.
Public Declare PtrSafe Function AdquirirMultipagina Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal nFormato As Long, ByVal szArchivo As String) As Long
Public Declare PtrSafe Function AdquirirMultipaginaXDispositivo Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal nFormato As Long, ByVal szArchivo As String) As Long
Public Declare PtrSafe Function EsDuplex Lib "ZELTW32.dll" (ByVal hWnd As LongPtr, ByVal nIndice As Long) As Long
Public Declare PtrSafe Sub Comprimir Lib "ZELTW32.dll" (ByVal nCompresion As Long)
Public Declare PtrSafe Sub PonDuplex Lib "ZELTW32.dll" (ByVal nModo As Long)
Public Declare PtrSafe Sub ForzarDuplex Lib "ZELTW32.dll" (ByVal bForzar As Long)
Public Declare PtrSafe Sub DescartarEnBlanco Lib "ZELTW32.dll" (ByVal dUmbral As Double)

' DIB utilities
Public Declare PtrSafe Function DibProfundidad Lib "ZELTW32.dll" (ByVal hDib As LongPtr) As Long
Public Declare PtrSafe Function DibAnchura Lib "ZELTW32.dll" (ByVal hDib As LongPtr) As Long
Public Declare PtrSafe Function DibAltura Lib "ZELTW32.dll" (ByVal hDib As LongPtr) As Long
Public Declare PtrSafe Function DibNumColores Lib "ZELTW32.dll" (ByVal hDib As LongPtr) As Long
Public Declare PtrSafe Function CrearPaletaDib Lib "ZELTW32.dll" (ByVal hDib As LongPtr) As LongPtr
Public Declare PtrSafe Function DibujarDibADC Lib "ZELTW32.dll" (ByVal hDC As LongPtr, ByVal xDst As Long, ByVal yDst As Long, ByVal cxDst As Long, ByVal cyDst As Long, ByVal hDib As LongPtr, ByVal xSrc As Long, ByVal ySrc As Long) As Long
Public Declare PtrSafe Sub LiberadorDeMemoria Lib "ZELTW32.dll" (ByVal hMem As LongPtr)

' Windows bitmap files
Public Declare PtrSafe Function EscribirEnNombreArchivo Lib "ZELTW32.dll" (ByVal hDib As LongPtr, ByVal szArchivo As String) As Long
Public Declare PtrSafe Function EscribirEnArchivo Lib "ZELTW32.dll" (ByVal hDib As LongPtr, ByVal hArchivo As Long) As Long
' pCabecera is the address of a locked DIB (GlobalLock, a LongPtr); hArchivo an HFILE.
Public Declare PtrSafe Function EscribirDibAArchivo Lib "ZELTW32.dll" (ByVal pCabecera As LongPtr, ByVal hArchivo As Long) As Long
Public Declare PtrSafe Function CargarAMemoriaDeNombreArchivo Lib "ZELTW32.dll" (ByVal szArchivo As String) As LongPtr
Public Declare PtrSafe Function CargarAMemoriaDeArchivo Lib "ZELTW32.dll" (ByVal hArchivo As Long) As LongPtr

' Generic capability access
' pValor is the variable that receives the value as the item type's bytes,
' passed by reference: set a Long to 0 and pass it (frames and strings need a
' larger buffer); a TWTY_FIX32 arrives as a TW_FIX32 in that Long
' (ZEL_Fix32ToFloat).
Public Declare PtrSafe Function ObtenActualCapacidad Lib "ZELTW32.dll" (ByVal nCapacidad As Long, ByVal nTipo As Long, pValor As Any) As Long
Public Declare PtrSafe Function PonValorDeUnaCapacidad Lib "ZELTW32.dll" (ByVal nCapacidad As Long, ByVal nTipo As Long, ByVal nValor As Long) As Long
' A TW_FIX32 travels as one Long: Whole in the low word, Frac in the high word.
Public Declare PtrSafe Function ToFix32 Lib "ZELTW32.dll" (ByVal dValor As Double) As Long
Public Declare PtrSafe Function ZEL_Fix32ToFloat Lib "ZELTW32.dll" (ByVal fix32 As Long) As Double

' Named capability operations
Public Declare PtrSafe Function NegociarContadorXfer Lib "ZELTW32.dll" (ByVal nContador As Long) As Long
Public Declare PtrSafe Function NegociarTipoPixel Lib "ZELTW32.dll" (ByVal nMascara As Long) As Long
Public Declare PtrSafe Function ObtenUnidadesActuales Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function PonUnidadesActuales Lib "ZELTW32.dll" (ByVal nUnidad As Long) As Long
Public Declare PtrSafe Function ObtenProfundidaBit Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function PonProfundidaBit Lib "ZELTW32.dll" (ByVal nProfundidad As Long) As Long
Public Declare PtrSafe Function ObtenTipoPixel Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function PonActualTipoPixel Lib "ZELTW32.dll" (ByVal nTipo As Long) As Long
Public Declare PtrSafe Function ObtenActualResolucion Lib "ZELTW32.dll" () As Double
Public Declare PtrSafe Function ObtenYResolucion Lib "ZELTW32.dll" () As Double
Public Declare PtrSafe Function PonActualResolucion Lib "ZELTW32.dll" (ByVal dResolucion As Double) As Long
Public Declare PtrSafe Function PonContraste Lib "ZELTW32.dll" (ByVal dContraste As Double) As Long
Public Declare PtrSafe Function PonBrillo Lib "ZELTW32.dll" (ByVal dBrillo As Double) As Long
Public Declare PtrSafe Function XferMech Lib "ZELTW32.dll" () As Long
Public Declare PtrSafe Function PonXferMech Lib "ZELTW32.dll" (ByVal nMecanismo As Long) As Long

#Else

' Triplet entry points and session
' pData is the TWAIN record of the triplet, passed by reference.
Public Declare Function ZEL_DSM Lib "ZELTW32.dll" (ByVal DG As Long, ByVal DAT As Long, ByVal MSG As Long, pData As Any) As Long
Public Declare Function ZEL_DS Lib "ZELTW32.dll" (ByVal DG As Long, ByVal DAT As Long, ByVal MSG As Long, pData As Any) As Long
Public Declare Sub RegistrarApp Lib "ZELTW32.dll" (ByVal MajorNum As Long, ByVal MinorNum As Long, ByVal Language As Long, ByVal Country As Long, ByVal Info As String, ByVal Manufacturer As String, ByVal ProductFamily As String, ByVal ProductName As String)
Public Declare Function EstadoTwain Lib "ZELTW32.dll" () As Long
Public Declare Function ZelTwainVersion Lib "ZELTW32.dll" () As Long
Public Declare Function EstaDisponible Lib "ZELTW32.dll" () As Long

' Manager and data source lifecycle
Public Declare Function CargarManejadorDispositivo Lib "ZELTW32.dll" () As Long
Public Declare Function AbrirManejadorDispositivo Lib "ZELTW32.dll" (ByVal hWnd As Long) As Long
Public Declare Function CerrarDispositivo Lib "ZELTW32.dll" () As Long
Public Declare Function CerrarManejadorDispositivo Lib "ZELTW32.dll" (ByVal hWnd As Long) As Long
Public Declare Function DescargarManejadorDispositivo Lib "ZELTW32.dll" () As Long
Public Declare Function SeleccionarDispositivo Lib "ZELTW32.dll" (ByVal hWnd As Long) As Long
' szNombre receives a scanner name: pass String$(34, vbNullChar).
Public Declare Function MostrarEscanerXDefecto Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal szNombre As String) As Long
Public Declare Function MostrarPrimerEscaner Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal szNombre As String) As Long
Public Declare Function MostrarSiguienteEscaner Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal szNombre As String) As Long
Public Declare Function AbrirDispositivoXDefecto Lib "ZELTW32.dll" () As Long
Public Declare Function AbrirDispositivo Lib "ZELTW32.dll" (ByVal nIndice As Long) As Long
Public Declare Function AbrirDispositivoXNombre Lib "ZELTW32.dll" (ByVal szNombre As String) As Long

' Enabling and event loop
Public Declare Function OcultarUI Lib "ZELTW32.dll" (ByVal bOcultar As Long) As Long
Public Declare Function OcutadaUI Lib "ZELTW32.dll" () As Long
Public Declare Function HabilitarDispositivo Lib "ZELTW32.dll" (ByVal hWnd As Long) As Long
Public Declare Function DeshabilitarDispositivo Lib "ZELTW32.dll" () As Long
Public Declare Sub BucleEventosModal Lib "ZELTW32.dll" ()
Public Declare Sub RomperBucleEventosModal Lib "ZELTW32.dll" ()
' pMsg is the host's MSG record (a UDT), passed by reference.
Public Declare Function CapturarMensajes Lib "ZELTW32.dll" (pMsg As Any) As Long

' Transfers
Public Declare Function EsperarANativeXfer Lib "ZELTW32.dll" (ByVal hWnd As Long) As Long
Public Declare Function FinXfer Lib "ZELTW32.dll" () As Long
Public Declare Function AbortarPendienteXfer Lib "ZELTW32.dll" () As Long

' Result codes and error reports
Public Declare Function CodigoResultante Lib "ZELTW32.dll" () As Long
Public Declare Function CodigoCondicionante Lib "ZELTW32.dll" () As Long
Public Declare Sub InformeUltimoError Lib "ZELTW32.dll" (ByVal szFrase As String)
Public Declare Function MensajeError Lib "ZELTW32.dll" (ByVal szMensaje As String) As Long

' Single-image acquisition
' The DIB handles returned are the caller's: free them with LiberadorDeMemoria.
Public Declare Function AdquirirEnMemoria Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal dwMascaraPixel As Long) As Long
Public Declare Function AdquirirEnPortaPapeles Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal dwMascaraPixel As Long) As Long
Public Declare Function AdquirirEnArchivo Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal szArchivo As String) As Long

' Multi-page acquisition and its options
' A file name given must have room for 4 more characters (the extension
' is appended in place): pass the name followed by Space$(4) or vbNullChar x 4,
' or vbNullString for the save dialog.
Public Declare Function AdquirirMultipagina Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal nFormato As Long, ByVal szArchivo As String) As Long
Public Declare Function AdquirirMultipaginaXDispositivo Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal nFormato As Long, ByVal szArchivo As String) As Long
Public Declare Function EsDuplex Lib "ZELTW32.dll" (ByVal hWnd As Long, ByVal nIndice As Long) As Long
Public Declare Sub Comprimir Lib "ZELTW32.dll" (ByVal nCompresion As Long)
Public Declare Sub PonDuplex Lib "ZELTW32.dll" (ByVal nModo As Long)
Public Declare Sub ForzarDuplex Lib "ZELTW32.dll" (ByVal bForzar As Long)
Public Declare Sub DescartarEnBlanco Lib "ZELTW32.dll" (ByVal dUmbral As Double)

' DIB utilities
Public Declare Function DibProfundidad Lib "ZELTW32.dll" (ByVal hDib As Long) As Long
Public Declare Function DibAnchura Lib "ZELTW32.dll" (ByVal hDib As Long) As Long
Public Declare Function DibAltura Lib "ZELTW32.dll" (ByVal hDib As Long) As Long
Public Declare Function DibNumColores Lib "ZELTW32.dll" (ByVal hDib As Long) As Long
Public Declare Function CrearPaletaDib Lib "ZELTW32.dll" (ByVal hDib As Long) As Long
Public Declare Function DibujarDibADC Lib "ZELTW32.dll" (ByVal hDC As Long, ByVal xDst As Long, ByVal yDst As Long, ByVal cxDst As Long, ByVal cyDst As Long, ByVal hDib As Long, ByVal xSrc As Long, ByVal ySrc As Long) As Long
Public Declare Sub LiberadorDeMemoria Lib "ZELTW32.dll" (ByVal hMem As Long)

' Windows bitmap files
Public Declare Function EscribirEnNombreArchivo Lib "ZELTW32.dll" (ByVal hDib As Long, ByVal szArchivo As String) As Long
Public Declare Function EscribirEnArchivo Lib "ZELTW32.dll" (ByVal hDib As Long, ByVal hArchivo As Long) As Long
' pCabecera is the address of a locked DIB (GlobalLock); hArchivo an HFILE.
Public Declare Function EscribirDibAArchivo Lib "ZELTW32.dll" (ByVal pCabecera As Long, ByVal hArchivo As Long) As Long
Public Declare Function CargarAMemoriaDeNombreArchivo Lib "ZELTW32.dll" (ByVal szArchivo As String) As Long
Public Declare Function CargarAMemoriaDeArchivo Lib "ZELTW32.dll" (ByVal hArchivo As Long) As Long

' Generic capability access
' pValor receives the value as the item type's bytes: set a Long to 0 and pass
' it (frames and strings need a larger buffer); a TWTY_FIX32 arrives as a
' TW_FIX32 in that Long (ZEL_Fix32ToFloat).
Public Declare Function ObtenActualCapacidad Lib "ZELTW32.dll" (ByVal nCapacidad As Long, ByVal nTipo As Long, pValor As Any) As Long
Public Declare Function PonValorDeUnaCapacidad Lib "ZELTW32.dll" (ByVal nCapacidad As Long, ByVal nTipo As Long, ByVal nValor As Long) As Long
' A TW_FIX32 travels as one Long: Whole in the low word, Frac in the high word.
Public Declare Function ToFix32 Lib "ZELTW32.dll" (ByVal dValor As Double) As Long
Public Declare Function ZEL_Fix32ToFloat Lib "ZELTW32.dll" (ByVal fix32 As Long) As Double

' Named capability operations
Public Declare Function NegociarContadorXfer Lib "ZELTW32.dll" (ByVal nContador As Long) As Long
Public Declare Function NegociarTipoPixel Lib "ZELTW32.dll" (ByVal nMascara As Long) As Long
Public Declare Function ObtenUnidadesActuales Lib "ZELTW32.dll" () As Long
Public Declare Function PonUnidadesActuales Lib "ZELTW32.dll" (ByVal nUnidad As Long) As Long
Public Declare Function ObtenProfundidaBit Lib "ZELTW32.dll" () As Long
Public Declare Function PonProfundidaBit Lib "ZELTW32.dll" (ByVal nProfundidad As Long) As Long
Public Declare Function ObtenTipoPixel Lib "ZELTW32.dll" () As Long
Public Declare Function PonActualTipoPixel Lib "ZELTW32.dll" (ByVal nTipo As Long) As Long
Public Declare Function ObtenActualResolucion Lib "ZELTW32.dll" () As Double
Public Declare Function ObtenYResolucion Lib "ZELTW32.dll" () As Double
Public Declare Function PonActualResolucion Lib "ZELTW32.dll" (ByVal dResolucion As Double) As Long
Public Declare Function PonContraste Lib "ZELTW32.dll" (ByVal dContraste As Double) As Long
Public Declare Function PonBrillo Lib "ZELTW32.dll" (ByVal dBrillo As Double) As Long
Public Declare Function XferMech Lib "ZELTW32.dll" () As Long
Public Declare Function PonXferMech Lib "ZELTW32.dll" (ByVal nMecanismo As Long) As Long

#End If

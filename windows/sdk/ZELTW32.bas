Attribute VB_Name = "ZELTW32"
' ZELTW32.dll for Visual Basic 6 and VBA (32-bit hosts: the DLL is 32-bit).
'
' Every export is stdcall with undecorated names. Integers, flags and
' handles (HWND, HGLOBAL, HDC, HPALETTE, HFILE) are Long; floating-point
' values are Double; strings are passed ByVal As String (ANSI, code page
' 1252); vbNullString reads as an empty string. Success is 1, failure 0,
' unless noted. ZELTW32.dll and FreeImage.dll go beside the program (or on
' the PATH); in the VB6 IDE, beside VB6.EXE or on the PATH.
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
' pValor receives the value: a Long, or a Double for TWTY_FIX32.
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

Attribute VB_Name = "Ejemplo"
' A VB6 / VBA host of ZELTW32 (add ZELTW32.bas to the project too): lists the
' scanners, scans one page into a bitmap file and a feeder batch into a
' multi-page TIFF document. Call it from a form: Escanear Me.hWnd (or 0 where
' the form has no hWnd). It runs unchanged in VB6, 32-bit and 64-bit VBA: under
' VBA 7 the window and the DIB handle are LongPtr.
Option Explicit

#If VBA7 Then
Public Sub Escanear(ByVal hWnd As LongPtr)
    Dim hDib As LongPtr
#Else
Public Sub Escanear(ByVal hWnd As Long)
    Dim hDib As Long
#End If
    Dim szNombre As String
    Dim szDocumento As String
    Dim nResultado As Long

    RegistrarApp 1, 0, 11, 34, "1.0", "Ejemplo", "Ejemplos", "Ejemplo en VB"
    If EstaDisponible() = 0 Then
        MsgBox "No TWAIN manager is installed."
        Exit Sub
    End If

    ' A scanner name needs a 34-byte buffer.
    szNombre = String$(34, vbNullChar)
    If MostrarPrimerEscaner(hWnd, szNombre) <> 0 Then
        Do
            Debug.Print "scanner: "; Left$(szNombre, InStr(szNombre, vbNullChar) - 1)
            szNombre = String$(34, vbNullChar)
        Loop While MostrarSiguienteEscaner(hWnd, szNombre) <> 0
    End If

    ' One page, any pixel type, from the default scanner.
    hDib = AdquirirEnMemoria(hWnd, ZEL_MASCARA_TODAS)
    If hDib = 0 Then
        InformeUltimoError "AdquirirEnMemoria"
        Exit Sub
    End If
    Debug.Print "page:"; DibAnchura(hDib); "x"; DibAltura(hDib); DibProfundidad(hDib); "bits"
    If EscribirEnNombreArchivo(hDib, CurDir$ & "\pagina.bmp") <> 0 Then MsgBox "pagina.bmp could not be written"
    LiberadorDeMemoria hDib

    ' The whole feeder, dropping pages whiter than 99%. The name needs room
    ' for the ".tif" that the library appends in place.
    DescartarEnBlanco 0.99
    szDocumento = CurDir$ & "\lote" & String$(4, vbNullChar)
    nResultado = AdquirirMultipagina(hWnd, TWFF_TIFFMULTI, szDocumento)
    If nResultado = 1 Then
        Debug.Print "batch: "; Left$(szDocumento, InStr(szDocumento, vbNullChar) - 1)
    End If
End Sub

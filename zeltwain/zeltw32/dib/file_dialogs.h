// The save and open dialogs of the library, all set up alike: no owner, no
// default extension, title or initial folder, and a name buffer with room
// for an extension appended after the dialog.
#pragma once

#include <windows.h>

// Size of every name buffer handed to a dialog.
constexpr int kTamNombreArchivo = 256;
// Length announced to the dialog: five characters fewer than the buffer, so
// that a four-character extension and the terminating zero can be appended.
constexpr DWORD kTamNombreAnunciado = 251;

enum class TipoDialogo { Guardar, Abrir };

// Shows the dialog with the given filter (pairs of NUL-ended strings with
// one more NUL after the last pair; null for none), starting from an empty
// name.  True when the user chose a name: it is in szNombre, and
// *pnExtension (if given) holds the offset the dialog reported for its
// extension.  False when the user cancelled.
bool MostrarDialogoArchivo(TipoDialogo tipo, LPCSTR szFiltro, char (&szNombre)[kTamNombreArchivo],
                           WORD *pnExtension);

// Shows the dialog and appends szExtension (".bmp") when the user typed no
// extension: the dialog then reports the extension at the terminating zero.
// A name ending in a dot or with another extension is kept as typed.
bool PedirNombreArchivo(TipoDialogo tipo, LPCSTR szFiltro, LPCSTR szExtension,
                        char (&szNombre)[kTamNombreArchivo]);

// Layout of a packed DIB held in one global-memory block: where its colour
// table and pixel rows lie, the bounds checks that keep every consumer
// inside the block whatever the header claims (each consumer checks the
// parts it reads), and the layout of the bitmap file written from it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The palette for DIBs without a colour table (default_palette.cpp).
extern const PALETTEENTRY PaletaPorDefecto[256];

// First field of a BITMAPCOREHEADER; any other value means an info header.
constexpr DWORD kTamCabeceraCore = 12;
// Size of a BITMAPINFOHEADER: the fields read from an info header lie in it.
constexpr DWORD kTamCabeceraInfo = 40;
// Size of the BITMAPFILEHEADER in a file.
constexpr DWORD kTamCabeceraArchivo = 14;

// Byte offsets of the info-header fields read by the library.
constexpr size_t kOffAnchura = 4;        // biWidth (bcWidth in a core header)
constexpr size_t kOffAltura = 8;         // biHeight
constexpr size_t kOffProfundidad = 14;   // biBitCount
constexpr size_t kOffCompresion = 16;    // biCompression
constexpr size_t kOffTamImagen = 20;     // biSizeImage
constexpr size_t kOffResolucionX = 24;   // biXPelsPerMeter
constexpr size_t kOffResolucionY = 28;   // biYPelsPerMeter
constexpr size_t kOffColoresUsados = 32; // biClrUsed

// Little-endian fields at a byte offset, without alignment requirements.
WORD LeerWord(const void *p, size_t offset);
DWORD LeerDword(const void *p, size_t offset);
LONG LeerLong(const void *p, size_t offset);
void EscribirWord(void *p, size_t offset, WORD valor);
void EscribirDword(void *p, size_t offset, DWORD valor);

// Number of colour-table entries of a core or info header, as its fields
// give it.  The caller has checked that the header lies in its block.
DWORD DibNumColoresCabecera(const void *pCabecera);

// Bytes from the start of the DIB to its colour table: the header, and the
// three BI_BITFIELDS masks after a 40-byte one (longer headers hold them).
uint64_t DibInicioTabla(const void *pDib);

// Address of the pixel rows: after the header, the masks and the colour
// table.
BYTE *DibPunteroBits(void *pDib);

// Bytes of |altura| rows of |anchura| pixels of the given depth, each row
// padded to a multiple of 4 bytes; UINT64_MAX when that does not fit.
uint64_t TamanoFilas(LONG anchura, LONG altura, DWORD profundidad);

// True when the header lies within the nBloque bytes that start at pDib:
// the fixed fields of its kind and the size its first field states.
bool DibCabeceraEnBloque(const void *pDib, SIZE_T nBloque);

// True when the header and the colour table lie within the block.
bool DibTablaEnBloque(const void *pDib, SIZE_T nBloque);

// True when the header, the colour table and the pixel rows that the header
// describes all lie within the block.
bool DibCabeEnBloque(const void *pDib, SIZE_T nBloque);

// Layout of the bitmap file written from a DIB with an info header (40 bytes
// or longer): file header, the DIB's header, the BI_BITFIELDS masks that
// follow a 40-byte header, the colour table and the pixel data.
struct DisposicionArchivo {
    DWORD nColores;   // entries of the colour table written
    DWORD nTamImagen; // bytes of pixel data written (biSizeImage)
    DWORD bfOffBits;  // offset of the pixel data in the file
    DWORD bfSize;     // length of the whole file
};

// Computes the file layout; false when the DIB cannot be written: a header
// shorter than an info header, a compressed DIB whose header gives no size,
// or one too large for a file written in a single call.
bool CalcularDisposicionArchivo(const void *pCabecera, DisposicionArchivo *pDisposicion);

// Whether a handle a source or a host handed over (a page, a container) is
// a global block, as far as Windows can tell: GlobalFlags knows it, the
// block has a size, and its locked address leads back to it.  Drivers and
// hosts have handed over values that are no block; only a block is read or
// freed.
bool EsBloqueGlobal(HGLOBAL h);

// Frees a block handed over (a container, a page, a host's DIB) when Windows
// knows the handle, even one discarded to 0 bytes that cannot be read: a
// refused request may leave any value behind.
void LiberarBloqueEntregado(HGLOBAL h);

// Locks a DIB handle for the lifetime of the object.  Direccion() is null
// when the handle is null, stale or cannot be locked.
class DibBloqueado {
  public:
    explicit DibBloqueado(HGLOBAL hDib);
    ~DibBloqueado();
    DibBloqueado(const DibBloqueado &) = delete;
    DibBloqueado &operator=(const DibBloqueado &) = delete;

    BYTE *Direccion() const { return pDib_; }
    SIZE_T Tamano() const { return nTamano_; }
    // Locked, and the header inside the block.
    bool CabeceraLegible() const { return pDib_ && DibCabeceraEnBloque(pDib_, nTamano_); }
    // Locked, and header and colour table inside the block.
    bool TablaLegible() const { return pDib_ && DibTablaEnBloque(pDib_, nTamano_); }
    // Locked, and header, colour table and pixel rows inside the block.
    bool Legible() const { return pDib_ && DibCabeEnBloque(pDib_, nTamano_); }

  private:
    HGLOBAL hDib_;
    BYTE *pDib_;
    SIZE_T nTamano_;
};

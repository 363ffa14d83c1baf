#include "scripted_twain.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zelfuzz {
namespace {

// A run that reaches this many triplets is looping: the peer refuses
// everything from then on, and the exercise reports it.
constexpr int kMaxTriplets = 20000;
// Event messages one run may post.
constexpr int kMaxEvents = 64;
// A global handle the platform never issues (serials stay far below).
constexpr uint32_t kMadeUpHandle = 0x1FFFF000u;
// Bigger blocks are cut to this size: the DIB then says more than it holds.
constexpr size_t kMaxBlock = size_t(1) << 20;

constexpr TW_UINT16 kCodes[8] = {TWRC_SUCCESS, TWRC_FAILURE,    TWRC_CHECKSTATUS, TWRC_CANCEL,
                                 TWRC_DSEVENT, TWRC_NOTDSEVENT, TWRC_XFERDONE,    TWRC_ENDOFLIST};
// Transfers: mostly delivered pages.
constexpr TW_UINT16 kXferCodes[8] = {TWRC_XFERDONE, TWRC_XFERDONE, TWRC_CANCEL,      TWRC_FAILURE,
                                     TWRC_SUCCESS,  TWRC_XFERDONE, TWRC_CHECKSTATUS, TWRC_XFERDONE};
constexpr TW_UINT16 kConditions[12] = {
    TWCC_SUCCESS,  TWCC_BUMMER,   TWCC_LOWMEMORY, TWCC_NODS,     TWCC_OPERATIONERROR, TWCC_BADCAP,
    TWCC_BADVALUE, TWCC_SEQERROR, TWCC_BADDEST,   TWCC_PAPERJAM, TWCC_CAPUNSUPPORTED, 0x8001};
constexpr TW_UINT16 kEvents[4] = {MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSOK, MSG_NULL};

struct Peer {
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    ScriptCounts counts;
    TW_UINT16 condition = TWCC_SUCCESS;
    bool enabled = false;
    HWND parent = 0;
    UINT eventMessage = 0;
    // Events of an earlier enabling are stale: claimed with MSG_NULL.
    LPARAM generation = 1;
    int batchPages = 1;
    int pagesLeft = 0;
    TW_UINT16 xferMech = TWSX_NATIVE;
    TW_UINT16 pixelType = TWPT_RGB;
    TW_UINT16 fileFormat = TWFF_BMP;
    TW_UINT32 duplexEnabled = 0;
    TW_UINT32 feederEnabled = 1;
    TW_UINT32 autoFeed = 1;
    char fileName[256] = "C:\\TWAIN.TMP";
};

Peer peer;

uint8_t Byte() {
    return peer.pos < peer.size ? peer.data[peer.pos++] : 0;
}

uint16_t Word() {
    uint16_t low = Byte();
    return uint16_t(low | Byte() << 8);
}

uint32_t Dword() {
    uint32_t low = Word();
    return low | uint32_t(Word()) << 16;
}

// -1 for the well-behaved answer; else the scripted variant, 0 to 95.
int Selector() {
    uint8_t s = Byte();
    if (s < kFaultSelector)
        return -1;
    ++peer.counts.scripted;
    return s - kFaultSelector;
}

TW_UINT16 Scripted(int variant, const TW_UINT16 (&codes)[8]) {
    peer.condition = kConditions[(variant >> 3) % 12];
    return codes[variant & 7];
}

TW_UINT16 Fail(TW_UINT16 condition) {
    peer.condition = condition;
    return TWRC_FAILURE;
}

HGLOBAL MadeUpHandle() {
    return HGLOBAL(kMadeUpHandle | Byte());
}

void Post(TW_UINT16 event) {
    if (peer.counts.events >= kMaxEvents || !peer.parent)
        return;
    ++peer.counts.events;
    PostMessageA(peer.parent, peer.eventMessage, WPARAM(event), peer.generation);
}

// ---- capabilities ----

TW_UINT32 ItemSize(TW_UINT16 type) {
    static const TW_UINT32 sizes[13] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256};
    return type < 13 ? sizes[type] : 4;
}

TW_UINT32 HeaderSize(TW_UINT16 conType) {
    switch (conType) {
    case TWON_ENUMERATION:
        return offsetof(TW_ENUMERATION, ItemList);
    case TWON_ARRAY:
        return offsetof(TW_ARRAY, ItemList);
    case TWON_RANGE:
        return sizeof(TW_RANGE);
    default:
        return offsetof(TW_ONEVALUE, Item);
    }
}

HGLOBAL Block(size_t bytes) {
    return GlobalAlloc(GHND, std::min(bytes, kMaxBlock));
}

HGLOBAL OneValue(TW_UINT16 type, TW_UINT32 value) {
    HGLOBAL h = Block(sizeof(TW_ONEVALUE));
    if (auto *v = static_cast<pTW_ONEVALUE>(GlobalLock(h))) {
        v->ItemType = type;
        v->Item = value;
        GlobalUnlock(h);
    }
    return h;
}

HGLOBAL Enumeration(std::initializer_list<TW_UINT16> items, TW_UINT16 current) {
    HGLOBAL h = Block(offsetof(TW_ENUMERATION, ItemList) + items.size() * 2);
    if (auto *e = static_cast<pTW_ENUMERATION>(GlobalLock(h))) {
        e->ItemType = TWTY_UINT16;
        e->NumItems = TW_UINT32(items.size());
        e->CurrentIndex = 0;
        TW_UINT32 i = 0;
        for (TW_UINT16 item : items) {
            std::memcpy(e->ItemList + 2 * i, &item, 2);
            if (item == current)
                e->CurrentIndex = i;
            ++i;
        }
        e->DefaultIndex = e->CurrentIndex;
        GlobalUnlock(h);
    }
    return h;
}

TW_UINT32 Fix32Bits(int whole) {
    TW_FIX32 fix{TW_INT16(whole), 0};
    TW_UINT32 bits;
    std::memcpy(&bits, &fix, sizeof bits);
    return bits;
}

// What a plain flatbed-and-feeder scanner answers.
TW_UINT16 DefaultCapability(TW_UINT16 msg, TW_CAPABILITY &cap) {
    bool list = msg == MSG_GET || msg == MSG_RESET;
    HGLOBAL h = 0;
    switch (cap.Cap) {
    case ICAP_PIXELTYPE:
        h = list ? Enumeration({TWPT_BW, TWPT_GRAY, TWPT_RGB}, peer.pixelType)
                 : OneValue(TWTY_UINT16, peer.pixelType);
        break;
    case ICAP_IMAGEFILEFORMAT:
        h = list ? Enumeration({TWFF_TIFF, TWFF_BMP, TWFF_JFIF, TWFF_TIFFMULTI, TWFF_PNG, TWFF_PDF},
                               peer.fileFormat)
                 : OneValue(TWTY_UINT16, peer.fileFormat);
        break;
    case ICAP_XFERMECH:
        h = list ? Enumeration({TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, peer.xferMech)
                 : OneValue(TWTY_UINT16, peer.xferMech);
        break;
    case CAP_UICONTROLLABLE:
        h = OneValue(TWTY_BOOL, 1);
        break;
    case CAP_FEEDERENABLED:
        h = OneValue(TWTY_BOOL, peer.feederEnabled);
        break;
    case CAP_AUTOFEED:
        h = OneValue(TWTY_BOOL, peer.autoFeed);
        break;
    case CAP_DUPLEX:
        h = OneValue(TWTY_UINT16, TWDX_1PASSDUPLEX);
        break;
    case CAP_DUPLEXENABLED:
        h = OneValue(TWTY_BOOL, peer.duplexEnabled);
        break;
    case CAP_XFERCOUNT:
        h = OneValue(TWTY_INT16, 0xFFFF);
        break;
    case ICAP_UNITS:
        h = OneValue(TWTY_UINT16, TWUN_INCHES);
        break;
    case ICAP_BITDEPTH:
        h = OneValue(TWTY_UINT16, peer.pixelType == TWPT_BW     ? 1
                                  : peer.pixelType == TWPT_GRAY ? 8
                                                                : 24);
        break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        h = OneValue(TWTY_FIX32, Fix32Bits(100));
        break;
    case ICAP_BRIGHTNESS:
    case ICAP_CONTRAST:
        h = OneValue(TWTY_FIX32, Fix32Bits(0));
        break;
    default:
        return Fail(TWCC_CAPUNSUPPORTED);
    }
    cap.ConType = list && (cap.Cap == ICAP_PIXELTYPE || cap.Cap == ICAP_IMAGEFILEFORMAT ||
                           cap.Cap == ICAP_XFERMECH)
                      ? TWON_ENUMERATION
                      : TWON_ONEVALUE;
    cap.hContainer = h;
    return TWRC_SUCCESS;
}

// A container as the stream describes it: any container type, item type
// and count, a block shorter or longer than its contents, or no block.
void ScriptedContainer(TW_CAPABILITY &cap) {
    static constexpr TW_UINT16 kTypes[8] = {
        TWON_ONEVALUE, TWON_ENUMERATION, TWON_ARRAY,      TWON_RANGE, 0,
        0xFFFF,        TWON_ONEVALUE,    TWON_ENUMERATION};
    uint8_t shape = Byte();
    cap.ConType = kTypes[shape & 7];
    int handle = (shape >> 3) & 3;
    if (handle == 2) {
        cap.hContainer = 0;
        return;
    }
    if (handle == 3) {
        cap.hContainer = MadeUpHandle();
        return;
    }
    TW_UINT16 itemType = Byte() % 16;
    uint8_t n = Byte();
    static constexpr TW_UINT32 kCounts[4] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 1000};
    TW_UINT32 numItems = n < 0xF0 ? n % 8 : kCounts[n & 3];
    uint8_t index = Byte();
    TW_UINT32 current = index < 0xF0 ? index % 8 : 0xFFFFFFF0u | index;
    size_t natural =
        HeaderSize(cap.ConType) + size_t(std::min<TW_UINT32>(numItems, 8)) * ItemSize(itemType);
    if (cap.ConType == TWON_ONEVALUE)
        natural = std::max<size_t>(natural + ItemSize(itemType), sizeof(TW_ONEVALUE));
    int8_t delta = int8_t(Byte());
    size_t bytes = delta >= 0 ? natural : size_t(std::max<int>(0, int(natural) + delta));
    if (uint8_t(delta) == 0x7F)
        bytes = natural + 64;
    HGLOBAL h = GlobalAlloc(GHND, bytes);
    auto *p = static_cast<TW_UINT8 *>(GlobalLock(h));
    if (p) {
        // Items from the stream, then a counting pattern.
        for (size_t i = 0; i < bytes; ++i)
            p[i] = TW_UINT8(i < 32 ? Byte() : i * 7);
        TW_UINT8 head[offsetof(TW_ENUMERATION, ItemList)] = {};
        std::memcpy(head, &itemType, 2);
        std::memcpy(head + 2, &numItems, 4);
        std::memcpy(head + 6, &current, 4);
        std::memcpy(head + 10, &current, 4);
        size_t headBytes = cap.ConType == TWON_ENUMERATION ? sizeof head
                           : cap.ConType == TWON_ARRAY     ? 6
                                                           : 2;
        std::memcpy(p, head, std::min(headBytes, bytes));
        GlobalUnlock(h);
    }
    cap.hContainer = h;
}

void RememberSetting(const TW_CAPABILITY &cap) {
    if (cap.ConType != TWON_ONEVALUE)
        return;
    auto *v = static_cast<pTW_ONEVALUE>(GlobalLock(cap.hContainer));
    if (!v)
        return;
    TW_UINT32 value = v->Item & 0xFFFF;
    GlobalUnlock(cap.hContainer);
    switch (cap.Cap) {
    case ICAP_XFERMECH:
        peer.xferMech = TW_UINT16(value);
        break;
    case ICAP_PIXELTYPE:
        peer.pixelType = TW_UINT16(value);
        break;
    case CAP_DUPLEXENABLED:
        peer.duplexEnabled = value;
        break;
    case CAP_FEEDERENABLED:
        peer.feederEnabled = value;
        break;
    case CAP_AUTOFEED:
        peer.autoFeed = value;
        break;
    default:
        break;
    }
}

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY *cap) {
    if (!cap)
        return Fail(TWCC_BADVALUE);
    int variant = Selector();
    if (msg == MSG_SET) {
        TW_UINT16 rc = variant < 0 ? TWRC_SUCCESS : Scripted(variant, kCodes);
        if (rc == TWRC_SUCCESS)
            RememberSetting(*cap);
        return rc;
    }
    if (msg != MSG_GET && msg != MSG_GETCURRENT && msg != MSG_GETDEFAULT && msg != MSG_RESET)
        return variant < 0 ? Fail(TWCC_CAPBADOPERATION) : Scripted(variant, kCodes);
    if (variant < 0)
        return DefaultCapability(msg, *cap);
    TW_UINT16 rc = Scripted(variant, kCodes);
    // A block goes with a success only: after a failure nobody owns it.
    if (rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS)
        ScriptedContainer(*cap);
    else if (Byte() & 1)
        cap->hContainer = MadeUpHandle();
    return rc;
}

// ---- images ----

struct DibShape {
    uint32_t headerSize = 40;
    int32_t width = 8;
    int32_t height = 6;
    uint16_t bitCount = 24;
    uint32_t compression = BI_RGB;
    uint32_t clrUsed = 0;
    uint32_t sizeImage = 0;
    int sizeImageKind = 0; // 0: as given, 1: the natural size
    int blockDelta = 0;    // bytes added to (or cut from) the natural size
    bool headerOnly = false;
    uint8_t fill = 0x80;
    bool noXResolution = false;
    bool noYResolution = false;
    int masks = 0; // 0: none, 1: 5-6-5 or 8-8-8, 2: 5-5-5 or 10-10-10
};

DibShape ScriptedShape() {
    static constexpr uint32_t kHeaders[8] = {40, 40, 12, 108, 124, 0, 16, 64};
    static constexpr uint16_t kDepths[12] = {1, 4, 8, 16, 24, 32, 0, 2, 3, 48, 64, 8};
    static constexpr uint32_t kCompressions[8] = {BI_RLE8, BI_RLE4, BI_BITFIELDS, 4,
                                                  5,       6,       BI_BITFIELDS, 0xFFFF};
    static constexpr uint32_t kColours[8] = {1, 2, 16, 256, 257, 0xFFFF, 0x40000000u, 0xFFFFFFFFu};
    DibShape s;
    // The header byte: the size (low three bits), no X (8) or Y (16)
    // resolution, BI_BITFIELDS with real masks (32; 64: 5-5-5 or 10-10-10).
    uint8_t header = Byte();
    s.headerSize = (header & 7) == 5 ? Word() : kHeaders[header & 7];
    s.noXResolution = header & 0x08;
    s.noYResolution = header & 0x10;
    s.masks = header & 0x20 ? 1 + ((header >> 6) & 1) : 0;
    uint8_t w = Byte();
    s.width = w < 0xF0 ? w % 33 : int32_t(Dword());
    uint8_t h = Byte();
    s.height = h == 0x80 ? int32_t(Dword()) : int8_t(h) % 33;
    s.bitCount = kDepths[Byte() % 12];
    uint8_t c = Byte();
    s.compression = s.masks ? BI_BITFIELDS : c < 0xC0 ? BI_RGB : kCompressions[c & 7];
    uint8_t u = Byte();
    s.clrUsed = u < 0xC0 ? 0 : kColours[u & 7];
    uint8_t z = Byte();
    s.sizeImageKind = z < 0x80 ? 1 : 0;
    s.sizeImage = z < 0xC0 ? 0 : Dword();
    uint8_t d = Byte();
    s.headerOnly = d == 0xFF;
    s.blockDelta = d < 0x80 ? 0 : int(int8_t(d)) * 16;
    s.fill = Byte();
    return s;
}

uint64_t RowBytes(const DibShape &s) {
    uint64_t bits = uint64_t(s.width < 0 ? -int64_t(s.width) : s.width) * s.bitCount;
    return (bits + 31) / 32 * 4;
}

// Real colour masks at offset 40: after a 40-byte header, or inside a
// longer one (BITMAPV4HEADER and BITMAPV5HEADER keep them there).
void WriteMasks(const DibShape &s, uint8_t *p, uint64_t bytes) {
    static constexpr uint32_t kMasks[2][2][3] = {
        {{0xF800, 0x07E0, 0x001F}, {0x7C00, 0x03E0, 0x001F}},
        {{0xFF0000, 0xFF00, 0xFF}, {0x3FF00000, 0xFFC00, 0x3FF}}};
    if (s.masks && (s.headerSize == 40 || s.headerSize >= 52) && bytes >= 52)
        std::memcpy(p + 40, kMasks[s.bitCount != 16][s.masks - 1], 12);
}

// A DIB in a global block laid out as the shape says, whatever it says.
HGLOBAL MakeDib(const DibShape &s) {
    uint64_t colours = s.clrUsed ? s.clrUsed : s.bitCount <= 8 ? (uint64_t(1) << s.bitCount) : 0;
    uint64_t entry = s.headerSize == 12 ? 3 : 4;
    uint64_t masks = s.compression == BI_BITFIELDS && s.headerSize == 40 ? 12 : 0;
    uint64_t rows = uint64_t(s.height < 0 ? -int64_t(s.height) : s.height);
    uint64_t pixels = RowBytes(s) * rows;
    uint64_t natural = s.headerSize + masks + std::min<uint64_t>(colours, 1 << 16) * entry + pixels;
    uint64_t bytes = s.headerOnly ? std::max<uint32_t>(s.headerSize, 4)
                                  : uint64_t(std::max<int64_t>(1, int64_t(natural) + s.blockDelta));
    bytes = std::min<uint64_t>(bytes, kMaxBlock);
    HGLOBAL h = GlobalAlloc(GHND, bytes);
    auto *p = static_cast<uint8_t *>(GlobalLock(h));
    if (!p)
        return h;
    for (uint64_t i = 0; i < bytes; ++i)
        p[i] = s.fill == 0 ? 0xFF : s.fill == 1 ? 0 : uint8_t(i * s.fill);
    if (s.headerSize == 12 && bytes >= 12) {
        BITMAPCOREHEADER core{12, WORD(s.width), WORD(s.height), 1, s.bitCount};
        std::memcpy(p, &core, sizeof core);
    } else {
        BITMAPINFOHEADER info{};
        info.biSize = s.headerSize;
        info.biWidth = s.width;
        info.biHeight = s.height;
        info.biPlanes = 1;
        info.biBitCount = s.bitCount;
        info.biCompression = s.compression;
        info.biSizeImage = s.sizeImageKind == 1 ? uint32_t(pixels) : s.sizeImage;
        info.biXPelsPerMeter = s.noXResolution ? 0 : 3937;
        info.biYPelsPerMeter = s.noYResolution ? 0 : 3937;
        info.biClrUsed = s.clrUsed;
        std::memcpy(p, &info, std::min<uint64_t>(sizeof info, bytes));
        // The rest of a longer header is zero, as a writer of one leaves it.
        uint64_t header = std::min<uint64_t>(s.headerSize, bytes);
        if (header > sizeof info)
            std::memset(p + sizeof info, 0, size_t(header - sizeof info));
        WriteMasks(s, p, bytes);
    }
    GlobalUnlock(h);
    return h;
}

void FillImageInfo(TW_IMAGEINFO &info, bool scripted) {
    info = TW_IMAGEINFO{};
    info.XResolution.Whole = 100;
    info.YResolution.Whole = 100;
    info.ImageWidth = 8;
    info.ImageLength = 6;
    info.SamplesPerPixel = 3;
    info.BitsPerSample[0] = info.BitsPerSample[1] = info.BitsPerSample[2] = 8;
    info.BitsPerPixel = 24;
    info.PixelType = TWPT_RGB;
    info.Compression = TWCP_NONE;
    if (!scripted)
        return;
    info.XResolution.Whole = TW_INT16(Word());
    info.YResolution.Whole = TW_INT16(Word());
    info.ImageWidth = TW_INT32(int16_t(Word()));
    info.ImageLength = TW_INT32(int16_t(Word()));
    info.SamplesPerPixel = TW_INT16(Byte() % 5);
    info.BitsPerPixel = TW_INT16(Byte());
    info.PixelType = TW_INT16(Byte() % 10);
    info.Compression = TW_UINT16(Byte() % 6);
}

TW_UINT16 NativeTransfer(HGLOBAL *out) {
    if (!out)
        return Fail(TWCC_BADVALUE);
    int variant = Selector();
    if (variant < 0) {
        *out = MakeDib(DibShape{});
        ++peer.counts.pages;
        return TWRC_XFERDONE;
    }
    TW_UINT16 rc = Scripted(variant, kXferCodes);
    uint8_t kind = Byte();
    if (rc != TWRC_XFERDONE) {
        // Nothing handed over; a made-up value may still be left behind.
        if (kind & 1)
            *out = MadeUpHandle();
        return rc;
    }
    // Done is a page, whatever came with it.
    ++peer.counts.pages;
    switch (kind % 8) {
    case 5:
        *out = 0;
        break;
    case 6:
        *out = MadeUpHandle();
        break;
    default:
        *out = MakeDib(ScriptedShape());
        break;
    }
    return rc;
}

// The bytes of a small image file in the format asked for (a bitmap for
// formats FreeImage cannot write here), made once.
const std::vector<uint8_t> &ImageFile(TW_UINT16 format) {
    static std::vector<uint8_t> files[3];
    int which = format == TWFF_TIFF || format == TWFF_TIFFMULTI ? 0 : format == TWFF_PNG ? 1 : 2;
    std::vector<uint8_t> &bytes = files[which];
    if (bytes.empty()) {
        FIBITMAP *bitmap = FreeImage_Allocate(8, 6, 24);
        FREE_IMAGE_FORMAT fif = which == 0 ? FIF_TIFF : which == 1 ? FIF_PNG : FIF_BMP;
        FIMEMORY *memory = FreeImage_OpenMemory();
        FreeImage_SaveToMemory(fif, bitmap, memory, 0);
        BYTE *data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(memory, &data, &size);
        bytes.assign(data, data + size);
        FreeImage_CloseMemory(memory);
        FreeImage_Unload(bitmap);
    }
    return bytes;
}

bool WriteFile(const char *name, const uint8_t *data, size_t size) {
    OFSTRUCT of;
    HFILE file = OpenFile(name, &of, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR)
        return false;
    bool ok = size == 0 || _lwrite(file, reinterpret_cast<LPCCH>(data), UINT(size)) == size;
    _lclose(file);
    return ok;
}

TW_UINT16 FileTransfer() {
    int variant = Selector();
    TW_UINT16 rc = variant < 0 ? TWRC_XFERDONE : Scripted(variant, kXferCodes);
    uint8_t content = variant < 0 ? 0 : Byte();
    if (rc != TWRC_XFERDONE)
        return rc;
    std::vector<uint8_t> garbage;
    switch (content % 4) {
    case 0:
        garbage = ImageFile(peer.fileFormat);
        break;
    case 1:
        break;
    case 2:
        garbage.resize(Byte());
        for (auto &b : garbage)
            b = Byte();
        break;
    default:
        // Done, and no file: the page is missing all the same.
        DeleteFileA(peer.fileName);
        ++peer.counts.files;
        return rc;
    }
    if (!WriteFile(peer.fileName, garbage.data(), garbage.size()))
        return Fail(TWCC_FILEWRITEERROR);
    ++peer.counts.files;
    peer.counts.written.push_back(peer.fileName);
    return rc;
}

// ---- the source ----

TW_UINT16 Enable(TW_USERINTERFACE *ui) {
    if (!ui)
        return Fail(TWCC_BADVALUE);
    peer.parent = HWND(ui->hParent);
    ++peer.generation;
    int variant = Selector();
    if (variant < 0) {
        peer.enabled = true;
        peer.batchPages = 1;
        Post(MSG_XFERREADY);
        return TWRC_SUCCESS;
    }
    TW_UINT16 rc = Scripted(variant, kCodes);
    peer.enabled = rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
    peer.batchPages = Byte() % 8;
    // Events posted from inside MSG_ENABLEDS, whatever its answer.
    uint8_t events = Byte();
    for (int i = 0; i < (events & 3); ++i)
        Post(kEvents[(events >> (2 + 2 * i)) & 3]);
    // An enabled source that announced nothing asks to be closed, so that
    // the application's loop has something to wait for.
    if (peer.enabled && (events & 3) == 0)
        Post(MSG_CLOSEDSREQ);
    return rc;
}

TW_UINT16 ProcessEvent(TW_EVENT *event) {
    if (!event || !event->pEvent)
        return Fail(TWCC_BADVALUE);
    const MSG *msg = static_cast<const MSG *>(event->pEvent);
    bool ours = msg->message == peer.eventMessage;
    TW_UINT16 claimed = ours && msg->lParam == peer.generation ? TW_UINT16(msg->wParam) : MSG_NULL;
    int variant = Selector();
    TW_UINT16 rc = ours ? TWRC_DSEVENT : TWRC_NOTDSEVENT;
    if (variant >= 0) {
        rc = Scripted(variant, kCodes);
        static constexpr TW_UINT16 kAnswers[8] = {MSG_NULL,        MSG_XFERREADY, MSG_CLOSEDSREQ,
                                                  MSG_CLOSEDSOK,   MSG_NULL,      MSG_XFERREADY,
                                                  MSG_DEVICEEVENT, 0xFFFF};
        claimed = kAnswers[Byte() & 7];
    }
    event->TWMessage = claimed;
    if (claimed == MSG_XFERREADY)
        peer.pagesLeft = std::max(peer.batchPages, 1);
    return rc;
}

TW_UINT16 PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS *pending) {
    if (!pending)
        return Fail(TWCC_BADVALUE);
    int variant = Selector();
    TW_UINT16 rc = TWRC_SUCCESS;
    if (msg == MSG_ENDXFER) {
        if (peer.pagesLeft > 0)
            --peer.pagesLeft;
        pending->Count = TW_UINT16(peer.pagesLeft);
    } else if (msg == MSG_RESET) {
        peer.pagesLeft = 0;
        pending->Count = 0;
    } else {
        pending->Count = TW_UINT16(peer.pagesLeft);
    }
    if (variant >= 0) {
        rc = Scripted(variant, kCodes);
        uint8_t count = Byte();
        // The count is written even with a refusal: the application must not
        // trust it then.
        pending->Count = count < 0x40 ? count & 3 : count < 0x80 ? 0xFFFF : count;
        if (rc == TWRC_SUCCESS)
            peer.pagesLeft = pending->Count == 0xFFFF ? 2 : pending->Count;
    }
    if (rc == TWRC_SUCCESS && pending->Count == 0 && peer.enabled)
        Post(MSG_CLOSEDSREQ);
    return rc;
}

TW_UINT16 SetupFile(TW_UINT16 msg, TW_SETUPFILEXFER *setup) {
    if (!setup)
        return Fail(TWCC_BADVALUE);
    int variant = Selector();
    TW_UINT16 rc = variant < 0 ? TWRC_SUCCESS : Scripted(variant, kCodes);
    if (msg == MSG_SET && rc == TWRC_SUCCESS) {
        std::memcpy(peer.fileName, setup->FileName, sizeof peer.fileName);
        peer.fileName[sizeof peer.fileName - 1] = '\0';
        peer.fileFormat = setup->Format;
    } else if (msg != MSG_SET) {
        lstrcpynA(setup->FileName, peer.fileName, sizeof setup->FileName);
        setup->Format = peer.fileFormat;
    }
    return rc;
}

TW_UINT16 Source(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    if (DG == DG_CONTROL && DAT == DAT_CAPABILITY)
        return Capability(MSG, static_cast<TW_CAPABILITY *>(pData));
    if (DG == DG_CONTROL && DAT == DAT_EVENT && MSG == MSG_PROCESSEVENT)
        return ProcessEvent(static_cast<TW_EVENT *>(pData));
    if (DG == DG_CONTROL && DAT == DAT_USERINTERFACE && MSG == MSG_ENABLEDS)
        return Enable(static_cast<TW_USERINTERFACE *>(pData));
    if (DG == DG_CONTROL && DAT == DAT_PENDINGXFERS)
        return PendingTransfers(MSG, static_cast<TW_PENDINGXFERS *>(pData));
    if (DG == DG_CONTROL && DAT == DAT_SETUPFILEXFER)
        return SetupFile(MSG, static_cast<TW_SETUPFILEXFER *>(pData));
    if (DG == DG_IMAGE && DAT == DAT_IMAGENATIVEXFER && MSG == MSG_GET)
        return NativeTransfer(static_cast<HGLOBAL *>(pData));
    if (DG == DG_IMAGE && DAT == DAT_IMAGEFILEXFER && MSG == MSG_GET)
        return FileTransfer();
    int variant = Selector();
    if (DG == DG_IMAGE && DAT == DAT_IMAGEINFO && MSG == MSG_GET && pData) {
        FillImageInfo(*static_cast<TW_IMAGEINFO *>(pData), variant >= 0);
        return variant < 0 ? TWRC_SUCCESS : Scripted(variant, kCodes);
    }
    if (DG == DG_CONTROL && DAT == DAT_USERINTERFACE && MSG == MSG_DISABLEDS) {
        TW_UINT16 rc = variant < 0 ? TWRC_SUCCESS : Scripted(variant, kCodes);
        if (rc == TWRC_SUCCESS) {
            peer.enabled = false;
            ++peer.generation;
        }
        return rc;
    }
    if (DG == DG_CONTROL && DAT == DAT_STATUS && pData) {
        *static_cast<TW_STATUS *>(pData) = TW_STATUS{peer.condition, 0};
        return TWRC_SUCCESS;
    }
    return variant < 0 ? Fail(TWCC_BADPROTOCOL) : Scripted(variant, kCodes);
}

// ---- the manager ----

void FillIdentity(TW_IDENTITY &id, bool unterminated) {
    id = TW_IDENTITY{};
    id.Id = 7;
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpynA(id.Manufacturer, "Fuzz", sizeof id.Manufacturer);
    lstrcpynA(id.ProductFamily, "Scripted", sizeof id.ProductFamily);
    lstrcpynA(id.ProductName, "Scripted Scanner", sizeof id.ProductName);
    if (unterminated)
        std::memset(id.ProductName, 'S', sizeof id.ProductName);
}

TW_UINT16 Manager(TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    int variant = Selector();
    if (DAT == DAT_STATUS && pData) {
        *static_cast<TW_STATUS *>(pData) = TW_STATUS{peer.condition, 0};
        return TWRC_SUCCESS;
    }
    TW_UINT16 rc = variant < 0 ? TWRC_SUCCESS : Scripted(variant, kCodes);
    if (DAT == DAT_IDENTITY && pData) {
        auto &id = *static_cast<TW_IDENTITY *>(pData);
        if (MSG == MSG_GETNEXT && variant < 0)
            return TWRC_ENDOFLIST;
        if (MSG == MSG_CLOSEDS && rc == TWRC_SUCCESS) {
            peer.enabled = false;
            ++peer.generation;
        }
        if (MSG != MSG_CLOSEDS && rc == TWRC_SUCCESS)
            FillIdentity(id, variant >= 0 && (Byte() & 1));
        return rc;
    }
    if (DAT == DAT_PARENT)
        return rc;
    return variant < 0 ? Fail(TWCC_BADPROTOCOL) : rc;
}

} // namespace

void StartScript(const uint8_t *answers, size_t size) {
    peer = Peer{};
    peer.data = answers;
    peer.size = size;
    peer.eventMessage = RegisterWindowMessageA("ZelFuzz.ScriptedSource.Event");
    // Messages left from an earlier run belong to no one now.
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
        ;
}

ScriptCounts ScriptResult() {
    return peer.counts;
}

const char *DeviceFile() {
    return peer.fileName;
}

} // namespace zelfuzz

extern "C" TW_UINT16 WINAPI ZelFuzz_DSM_Entry(pTW_IDENTITY, pTW_IDENTITY pDest, TW_UINT32 DG,
                                              TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    using namespace zelfuzz;
    if (++peer.counts.triplets > kMaxTriplets) {
        peer.counts.overrun = true;
        return Fail(TWCC_BUMMER);
    }
    size_t at = peer.pos;
    TW_UINT16 rc = pDest ? Source(DG, DAT, MSG, pData) : Manager(DAT, MSG, pData);
    // ZELFUZZ_TRACE=1 lists the triplets with the stream offset of their
    // selector, for writing seeds by hand.
    static const bool trace = std::getenv("ZELFUZZ_TRACE") != nullptr;
    if (trace)
        std::fprintf(stderr, "zelfuzz: @%zu %s DG %u DAT 0x%04x MSG 0x%04x -> rc %u\n", at,
                     pDest ? "DS " : "DSM", unsigned(DG), DAT, MSG, rc);
    return rc;
}

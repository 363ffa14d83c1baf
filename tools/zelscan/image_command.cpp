// One image: into a bitmap file, or onto the clipboard.
#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "scan_session.h"
#include "zeltw32.h"

namespace zelscan {
namespace {

// The bitmap save dialog appends ".bmp" to a name typed without extension.
std::string BitmapName(const std::string &typed) {
    size_t part = typed.find_last_of("\\/:");
    size_t dot = typed.find_last_of('.');
    bool hasDot = dot != std::string::npos && (part == std::string::npos || dot > part);
    return hasDot ? typed : typed + ".bmp";
}

std::optional<ClipboardImage> ReadClipboard() {
    std::optional<ClipboardImage> image;
    if (!OpenClipboard(0))
        return image;
    if (IsClipboardFormatAvailable(CF_DIB)) {
        HGLOBAL dib = HGLOBAL(GetClipboardData(CF_DIB));
        if (dib)
            image = ClipboardImage{DibAnchura(dib), DibAltura(dib), DibProfundidad(dib),
                                   DibNumColores(dib)};
    }
    CloseClipboard();
    return image;
}

int ToFile(ScanSession &session, const ImageOptions &image) {
    std::vector<char> name(image.out.begin(), image.out.end());
    name.resize(image.out.size() + 1 + 260, '\0');
    int result = AdquirirEnArchivo(0, name.data());
    DescargarManejadorDispositivo(); // a failed negotiation leaves the source open
    std::string written = image.out.empty() ? BitmapName(session.log().dialog_name.value_or(""))
                                            : std::string(name.data());
    if (result == 0) {
        if (auto file = ReadPageFile(written))
            session.summary().files.push_back(*file);
        else
            session.summary().unreadable.push_back(written);
    }
    return result;
}

} // namespace

int ImageCommand(const CommonOptions &common, const ImageOptions &image) {
    ScanSession session(common, image.clipboard ? "clipboard" : "image");
    if (!session.Prepare())
        return session.Report();
    int result;
    if (image.clipboard) {
        result = AdquirirEnPortaPapeles(0, common.pixel_mask);
        DescargarManejadorDispositivo();
        if (result)
            session.summary().clipboard = ReadClipboard();
        session.Conclude(result, result == 1);
    } else {
        result = ToFile(session, image);
        session.Conclude(result, result == 0);
    }
    return session.Report();
}

} // namespace zelscan

// Reading labels and page counts back from page files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "freeimage_support.h"
#include "grid_decoder.h"
#include "subprocess.h"
#include "zelvirt/paper.h"

namespace zelvirt {
namespace {

// Resolution at which PDF pages are rendered for decoding.
constexpr const char *kPdfRenderDpi = "100";

bool is_pdf(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    char magic[5] = {};
    in.read(magic, sizeof magic);
    return in.gcount() == sizeof magic && std::string(magic, sizeof magic) == "%PDF-";
}

// A private folder for temporary files, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::error_code ec;
        std::string pattern =
            (std::filesystem::temp_directory_path(ec) / "zelpaper-XXXXXX").string();
#ifndef _WIN32 // no PDF renderer to give it to on Windows
        if (!ec && mkdtemp(pattern.data()))
            path_ = pattern;
#endif
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const {
        return path_;
    }

  private:
    std::string path_;
};

std::optional<std::string> decode_pdf_page(const std::string &path, int page) {
    TempFolder folder;
    if (folder.path().empty())
        return std::nullopt;
    const std::string number = std::to_string(static_cast<long long>(page) + 1);
    const std::string prefix = folder.path() + "/page";
    const auto result = run_tool({"pdftoppm", "-r", kPdfRenderDpi, "-png", "-f", number, "-l",
                                  number, "-singlefile", path_argument(path), prefix});
    if (!result || result->exit_code != 0)
        return std::nullopt;
    BitmapPtr bitmap(FreeImage_Load(FIF_PNG, (prefix + ".png").c_str(), 0));
    return decode_label_from_bitmap(bitmap.get());
}

std::optional<std::string> decode_tiff_page(const std::string &path, int page) {
    FIMULTIBITMAP *document =
        FreeImage_OpenMultiBitmap(FIF_TIFF, path.c_str(), FALSE, TRUE, FALSE, 0);
    if (!document)
        return std::nullopt;
    std::optional<std::string> label;
    if (page < FreeImage_GetPageCount(document)) {
        if (FIBITMAP *bitmap = FreeImage_LockPage(document, page)) {
            label = decode_label_from_bitmap(bitmap);
            FreeImage_UnlockPage(document, bitmap, FALSE);
        }
    }
    FreeImage_CloseMultiBitmap(document, 0);
    return label;
}

int pdf_page_count(const std::string &path) {
    const auto result = run_tool({"pdfinfo", path_argument(path)});
    if (!result || result->exit_code != 0)
        return 0;
    const std::string &text = result->output;
    for (size_t pos = 0; pos < text.size();) {
        const size_t end = text.find('\n', pos);
        const std::string line = text.substr(pos, end == std::string::npos ? end : end - pos);
        if (line.rfind("Pages:", 0) == 0)
            return std::atoi(line.c_str() + 6);
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return 0;
}

} // namespace

std::optional<std::string> decode_label_from_dib(const void *packed_dib, size_t size) {
    const auto view = parse_packed_dib(packed_dib, size);
    if (!view)
        return std::nullopt;
    const DibView &dib = *view;
    return decode_label_from_grey(
        GreyImage{dib.width, dib.height, [&dib](int x, int y) { return dib.luma(x, y); }});
}

std::optional<std::string> decode_label_from_file(const std::string &host_path, int page) {
    if (host_path.empty() || page < 0)
        return std::nullopt;
    if (is_pdf(host_path))
        return decode_pdf_page(host_path, page);
    ensure_freeimage();
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(host_path.c_str(), 0);
    if (format == FIF_TIFF)
        return decode_tiff_page(host_path, page);
    if (format == FIF_UNKNOWN || page != 0)
        return std::nullopt;
    BitmapPtr bitmap(FreeImage_Load(format, host_path.c_str(), 0));
    return decode_label_from_bitmap(bitmap.get());
}

int count_pages_in_file(const std::string &host_path) {
    if (host_path.empty())
        return 0;
    if (is_pdf(host_path))
        return pdf_page_count(host_path);
    ensure_freeimage();
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(host_path.c_str(), 0);
    if (format == FIF_UNKNOWN)
        return 0;
    if (format == FIF_TIFF) {
        FIMULTIBITMAP *document =
            FreeImage_OpenMultiBitmap(FIF_TIFF, host_path.c_str(), FALSE, TRUE, FALSE, 0);
        if (!document)
            return 0;
        const int pages = FreeImage_GetPageCount(document);
        FreeImage_CloseMultiBitmap(document, 0);
        return pages;
    }
    BitmapPtr header(FreeImage_Load(format, host_path.c_str(), FIF_LOAD_NOPIXELS));
    return header ? 1 : 0;
}

} // namespace zelvirt

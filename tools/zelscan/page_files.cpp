#include "page_files.h"

#include <FreeImage.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "host_platform.h"

namespace zelscan {
namespace {

// Counts the page objects of a PDF file ("/Type /Page", not "/Pages").
int CountPdfPages(const std::string &hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    static const std::regex page(R"(/Type\s*/Page(?![a-zA-Z]))");
    return int(std::distance(std::sregex_iterator(data.begin(), data.end(), page),
                             std::sregex_iterator()));
}

bool IsPdf(const std::string &hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    char head[5] = {};
    in.read(head, 5);
    return std::string(head, 5) == "%PDF-";
}

const char *FormatName(FREE_IMAGE_FORMAT fif) {
    switch (fif) {
    case FIF_TIFF:
        return "TIFF";
    case FIF_BMP:
        return "BMP";
    case FIF_JPEG:
        return "JPEG";
    case FIF_PNG:
        return "PNG";
    default:
        return "image";
    }
}

int CountPages(const std::string &hostPath, FREE_IMAGE_FORMAT fif) {
    if (fif != FIF_TIFF)
        return 1;
    FIMULTIBITMAP *doc = FreeImage_OpenMultiBitmap(fif, hostPath.c_str(), FALSE, TRUE, TRUE, 0);
    if (!doc)
        return 0;
    int pages = FreeImage_GetPageCount(doc);
    FreeImage_CloseMultiBitmap(doc, 0);
    return pages;
}

} // namespace

std::optional<PageFile> ReadPageFile(const std::string &windowsName) {
    PageFile file{windowsName, HostPath(windowsName), "", 0, 0, 0, 0};
    if (IsPdf(file.host_path)) {
        file.format = "PDF";
        file.pages = CountPdfPages(file.host_path);
        return file;
    }
    FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(file.host_path.c_str(), 0);
    if (fif == FIF_UNKNOWN)
        return std::nullopt;
    file.format = FormatName(fif);
    file.pages = CountPages(file.host_path, fif);
    if (FIBITMAP *first = LoadPage(file, 0)) {
        file.width = int(FreeImage_GetWidth(first));
        file.height = int(FreeImage_GetHeight(first));
        file.bits_per_pixel = int(FreeImage_GetBPP(first));
        FreeImage_Unload(first);
    }
    return file;
}

FIBITMAP *LoadPage(const PageFile &file, int page) {
    FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(file.host_path.c_str(), 0);
    if (fif == FIF_UNKNOWN)
        return nullptr;
    if (fif != FIF_TIFF)
        return page == 0 ? FreeImage_Load(fif, file.host_path.c_str(), 0) : nullptr;
    FIMULTIBITMAP *doc =
        FreeImage_OpenMultiBitmap(fif, file.host_path.c_str(), FALSE, TRUE, TRUE, 0);
    if (!doc)
        return nullptr;
    FIBITMAP *copy = nullptr;
    if (FIBITMAP *locked = FreeImage_LockPage(doc, page)) {
        copy = FreeImage_Clone(locked);
        FreeImage_UnlockPage(doc, locked, FALSE);
    }
    FreeImage_CloseMultiBitmap(doc, 0);
    return copy;
}

OutputSnapshot::OutputSnapshot(OutputName output) : output_(std::move(output)) {
    for (const std::string &name : FilesOnDisk())
        if (auto stamp = StampOf(name))
            before_[name] = *stamp;
}

std::vector<std::string> OutputSnapshot::FilesOnDisk() const {
    std::vector<int> numbers;
    std::filesystem::path first(HostPath(output_.first));
    std::error_code error;
    if (std::filesystem::exists(first, error))
        numbers.push_back(0);
    std::string name = first.filename().string();
    std::string stem = name.substr(0, name.size() - output_.extension.size()) + "_";
    std::filesystem::path folder = first.has_parent_path() ? first.parent_path() : ".";
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        if (auto k = PageNumberOf(entry.path().filename().string(), stem, output_.extension))
            numbers.push_back(*k);
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> names;
    for (int k : numbers)
        names.push_back(PageFileName(output_, k));
    return names;
}

std::vector<std::string> OutputSnapshot::WrittenFiles() const {
    std::vector<std::string> written;
    for (const std::string &name : FilesOnDisk()) {
        auto now = StampOf(name);
        auto old = before_.find(name);
        if (now && (old == before_.end() || old->second.size != now->size ||
                    old->second.time != now->time))
            written.push_back(name);
    }
    return written;
}

std::optional<OutputSnapshot::Stamp> OutputSnapshot::StampOf(const std::string &windowsName) {
    std::error_code error;
    std::filesystem::path path(HostPath(windowsName));
    auto size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    auto time = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return Stamp{(long long)size, (long long)time.time_since_epoch().count()};
}

} // namespace zelscan

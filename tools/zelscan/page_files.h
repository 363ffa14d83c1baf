// Reading back the files a scan wrote: which they are, and their pages.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "output_names.h"

struct FIBITMAP;

namespace zelscan {

struct PageFile {
    std::string name;      // as the library was given it (cp1252)
    std::string host_path; // as this program opens it
    std::string format;    // "TIFF", "BMP", "JPEG", "PNG", "PDF"
    int pages = 0;
    int width = 0, height = 0, bits_per_pixel = 0; // of the first page; 0 for PDF
};

// The file's format and pages; nothing when it cannot be read.
std::optional<PageFile> ReadPageFile(const std::string &windowsName);

// Page `page` of an image file as a FreeImage bitmap the caller unloads;
// null for PDF and unreadable pages.
FIBITMAP *LoadPage(const PageFile &file, int page);

// The page files of an output as they stand before a scan, so that the
// files the scan wrote can be told from older ones.  Every numbered file in
// the output's folder counts, whatever its number.
class OutputSnapshot {
  public:
    explicit OutputSnapshot(OutputName output);
    // The page files written or changed since the snapshot, in page order.
    std::vector<std::string> WrittenFiles() const;

  private:
    struct Stamp {
        long long size;
        long long time;
    };
    static std::optional<Stamp> StampOf(const std::string &windowsName);
    // The names of the output's page files on disk now, in page order.
    std::vector<std::string> FilesOnDisk() const;
    OutputName output_;
    std::map<std::string, Stamp> before_;
};

} // namespace zelscan

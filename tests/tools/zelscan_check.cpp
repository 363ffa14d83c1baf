// Reads back what zelscan wrote, for the process tests:
//   zelscan_check labels FILE     the label of each page, one line each ("-" when none)
//   zelscan_check json FILE PTR   the value at a JSON pointer of a JSON file
//   zelscan_check png FILE        the width and height of a PNG
#include <zelvirt/paper.h>

#include <FreeImage.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

int Labels(const std::string &path) {
    int pages = zelvirt::count_pages_in_file(path);
    if (pages <= 0)
        return 1;
    for (int page = 0; page < pages; ++page)
        std::printf("%s\n", zelvirt::decode_label_from_file(path, page).value_or("-").c_str());
    return 0;
}

int Json(const std::string &path, const std::string &pointer) {
    std::ifstream in(path);
    nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    nlohmann::json::json_pointer at(pointer);
    if (json.is_discarded() || !json.contains(at))
        return 1;
    const nlohmann::json &value = json[at];
    std::printf("%s\n",
                value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
    return 0;
}

int Png(const std::string &path) {
    if (FreeImage_GetFileType(path.c_str(), 0) != FIF_PNG)
        return 1;
    FIBITMAP *image = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (!image)
        return 1;
    std::printf("%u %u\n", FreeImage_GetWidth(image), FreeImage_GetHeight(image));
    FreeImage_Unload(image);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    std::string what = argc > 2 ? argv[1] : "";
    if (what == "labels" && argc == 3)
        return Labels(argv[2]);
    if (what == "json" && argc == 4)
        return Json(argv[2], argv[3]);
    if (what == "png" && argc == 3)
        return Png(argv[2]);
    std::fprintf(stderr, "usage: zelscan_check labels FILE | json FILE POINTER | png FILE\n");
    return 2;
}

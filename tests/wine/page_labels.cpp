// page_labels FILE: the number of pages of an image file and the label the
// virtual scanner printed on each, one line each ("" when a page has none),
// for the checks of files that the Windows build left under Wine.
#include <zelvirt/paper.h>

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: page_labels FILE\n");
        return 2;
    }
    const int nPaginas = zelvirt::count_pages_in_file(argv[1]);
    std::printf("%d\n", nPaginas);
    for (int i = 0; i < nPaginas; ++i)
        std::printf("%s\n", zelvirt::decode_label_from_file(argv[1], i).value_or("").c_str());
    return nPaginas > 0 ? 0 : 1;
}

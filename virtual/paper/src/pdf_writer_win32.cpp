// The Windows build has no PDF library (libharu): a source asked for PDF
// page files fails the transfer with this reason.
#include "pdf_writer.h"

namespace zelvirt {

bool write_pdf_page(const DibView &, const std::string &, std::string *error) {
    if (error)
        *error = "PDF page files are not written by the Windows build";
    return false;
}

} // namespace zelvirt

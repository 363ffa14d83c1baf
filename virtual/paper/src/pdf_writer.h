// One-page PDF documents holding a scanned image at its physical size.
#pragma once

#include <string>

#include "dib_view.h"

namespace zelvirt {

bool write_pdf_page(const DibView &view, const std::string &path, std::string *error);

} // namespace zelvirt

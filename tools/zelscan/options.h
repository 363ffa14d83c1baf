// What the command line asked for.
#pragma once

#include <optional>
#include <string>

#include "progress.h"

namespace zelscan {

struct CommonOptions {
    std::string source; // cp1252; empty: the default source
    bool json = false;
    bool yes = false; // answer every box at once
    ProgressStyle progress = ProgressStyle::None;
    unsigned pixel_mask = 0; // acceptable pixel types; 0: as the source is
    double dpi = 0;          // 0: as the source is
    bool show_ui = false;
    std::string contact_sheet; // host path of a PNG; empty: none
};

struct ImageOptions {
    std::string out; // cp1252; empty: the save dialog
    bool clipboard = false;
};

enum class Duplex { AsIs, TwoSided, OneSided, Manual };

struct BatchOptions {
    std::string out; // cp1252; empty: the save dialog
    int format = 6;
    Duplex duplex = Duplex::AsIs;
    std::optional<double> blank_threshold;
    std::optional<int> compression; // -9..-1, or 1..100 for JPEG quality
};

} // namespace zelscan

// Test support for the acquisitions: a scanner scenario, answers for the
// save dialog, and the output files read back as a host would see them.
#pragma once

#include <gtest/gtest.h>

#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>
#include <zelvirt/trace.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario_file.h"
#include "ui_recorder.h"
#include "zeltw32.h"

namespace zeltest {

// One source, the default, with the given fields after its name.
inline std::string OneScanner(const std::string &fields) {
    return R"({"sources": [{"name": "Scanner A", "default": true, )" + fields + "}]}";
}

inline std::string HostPath(const std::string &windowsPath) {
    char out[1024];
    size_t n = ZelPlat_HostPath(windowsPath.c_str(), out, sizeof out);
    return std::string(out, n);
}

// The labels of the pages of a file, in order ("" for an unreadable page).
inline std::vector<std::string> PageLabels(const std::string &windowsPath) {
    std::string path = HostPath(windowsPath);
    std::vector<std::string> labels;
    int pages = zelvirt::count_pages_in_file(path);
    for (int i = 0; i < pages; ++i)
        labels.push_back(zelvirt::decode_label_from_file(path, i).value_or(""));
    return labels;
}

inline std::string Label(const std::string &windowsPath) {
    return zelvirt::decode_label_from_file(HostPath(windowsPath)).value_or("");
}

inline std::string DibLabel(HGLOBAL dib) {
    const void *p = GlobalLock(dib);
    std::string label = zelvirt::decode_label_from_dib(p, GlobalSize(dib)).value_or("");
    GlobalUnlock(dib);
    return label;
}

// The files of a folder given as a Windows path, by name.
inline std::vector<std::string> FilesIn(const std::string &windowsFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(HostPath(windowsFolder), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An empty output folder C:\acquisition\<name>, apart from other tests'.
inline std::string CleanFolder(const std::string &name) {
    std::string folder = "C:\\acquisition\\" + name;
    std::filesystem::remove_all(HostPath(folder));
    std::filesystem::create_directories(HostPath(folder));
    return folder;
}

// Answers the save dialog with a fixed name, or cancels it (empty name),
// and records the filter it was shown with.
class DialogAnswer {
  public:
    explicit DialogAnswer(std::string name) : name_(std::move(name)) {
        ZelPlat_SetFileDialogHandler(&DialogAnswer::Handle, this);
    }
    ~DialogAnswer() { ZelPlat_SetFileDialogHandler(nullptr, nullptr); }
    int shown = 0;
    std::string filter; // description and pattern, joined by '|'

  private:
    static BOOL Handle(void *ctx, BOOL, LPOPENFILENAMEA ofn) {
        auto *self = static_cast<DialogAnswer *>(ctx);
        ++self->shown;
        self->filter.clear();
        for (const char *p = ofn->lpstrFilter; p && *p; p += std::strlen(p) + 1)
            self->filter += std::string(self->filter.empty() ? "" : "|") + p;
        if (self->name_.empty())
            return FALSE;
        lstrcpynA(ofn->lpstrFile, self->name_.c_str(), int(ofn->nMaxFile));
        return TRUE;
    }
    std::string name_;
};

// The triplets the sources and the manager received, from the trace file.
class Trace {
  public:
    Trace() {
        path_ = std::filesystem::temp_directory_path() /
                ("zeltest-trace-" + std::to_string(::getpid()));
        std::filesystem::remove(path_);
        setenv("ZELTWAIN_TRACE", path_.c_str(), 1);
    }
    ~Trace() { std::filesystem::remove(path_); }
    int Count(const std::string &msg, int cap = -1) const {
        return CountIf([&](const zelvirt::TraceLine &line) {
            return line.msg == msg && (cap < 0 || line.cap == cap);
        });
    }
    // Native transfers that handed a whole DIB over.
    int NativePages() const {
        return CountIf([](const zelvirt::TraceLine &line) {
            return line.dat == "DAT_IMAGENATIVEXFER" && line.rc == TWRC_XFERDONE;
        });
    }
    template <class Predicate> int CountIf(Predicate predicate) const {
        int n = 0;
        for (const auto &line : zelvirt::read_trace_file(path_.string()))
            n += predicate(line) ? 1 : 0;
        return n;
    }

  private:
    std::filesystem::path path_;
};

// Every acquisition test starts from an unloaded session with a box
// recorder, and checks at its end that no global-memory block was leaked.
class AcquisitionTest : public ::testing::Test {
  protected:
    void SetUp() override { liveAtStart_ = ZelPlat_LiveGlobalBlocks(); }
    void TearDown() override {
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
        if (checkLeaks_) {
            EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), liveAtStart_) << "global blocks leaked";
        }
    }
    // A test that hands a DIB to the clipboard or keeps it cannot count.
    void SkipLeakCheck() { checkLeaks_ = false; }
    BoxRecorder boxes;

  private:
    size_t liveAtStart_ = 0;
    bool checkLeaks_ = true;
};

} // namespace zeltest

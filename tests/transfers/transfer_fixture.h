// Shared set-up of the transfer tests: a feeder of small sheets, the
// virtual manager's trace in a private file, and the checks on what a batch
// left behind.
#pragma once

#include <gtest/gtest.h>

#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>
#include <zelvirt/trace.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "pages/multipage_state.h"
#include "pages/page_names.h"
#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace xt {

// A simplex feeder of 2 x 3 inch sheets scanned at 100 dpi in the given
// pixel type (0 black and white, 1 grey, 2 colour); `extra` adds fields.
inline std::string Feeder(int sheets, int pixelType, const std::string &extra = "") {
    return R"({"sources": [{"name": "Feeder", "default": true, "feeder": true,
               "paper": {"width_inches": 2, "height_inches": 3, "sheets": )" +
           std::to_string(sheets) + R"(},
               "capabilities": {"ICAP_PIXELTYPE": {"current": )" +
           std::to_string(pixelType) + "}}" + extra + "}]}";
}

inline std::string SheetFront(int n) {
    return "sheet " + std::to_string(n) + " front";
}

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char *tmp = std::getenv("TMPDIR");
        trace = std::string(tmp && *tmp ? tmp : "/tmp") + "/zeltest-trace-XXXXXX";
        int fd = mkstemp(trace.data());
        ASSERT_GE(fd, 0);
        close(fd);
        setenv("ZELTWAIN_TRACE", trace.c_str(), 1);
    }

    void TearDown() override {
        for (HGLOBAL &dib : zel::ahImagenes) {
            LiberadorDeMemoria(dib);
            dib = 0;
        }
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
        unlink(trace.c_str());
    }

    // Opens the default source hidden-interface with a transfer mechanism.
    void Open(const std::string &scenario, int mechanism) {
        zeltest::UseScenario(scenario);
        ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
        ASSERT_EQ(PonXferMech(mechanism), 1);
        OcultarUI(1);
    }

    // Triplets of the source with this DAT and MSG names in the trace.
    int Sent(const std::string &dat, const std::string &msg) const {
        int n = 0;
        for (const auto &line : zelvirt::read_trace_file(trace))
            n += !line.manager && line.dat == dat && line.msg == msg;
        return n;
    }

    static std::string Label(HGLOBAL dib) {
        if (!dib)
            return "(none)";
        const void *p = GlobalLock(dib);
        auto label = zelvirt::decode_label_from_dib(p, GlobalSize(dib));
        GlobalUnlock(dib);
        return label.value_or("(unreadable)");
    }

    static int Depth(HGLOBAL dib) {
        auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(dib));
        int bits = header->biBitCount;
        GlobalUnlock(dib);
        return bits;
    }

    static std::string Host(const std::string &windowsPath) {
        char host[1024];
        EXPECT_GT(ZelPlat_HostPath(windowsPath.c_str(), host, sizeof host), 0u);
        return host;
    }

    static bool Exists(const std::string &windowsPath) {
        return access(Host(windowsPath).c_str(), F_OK) == 0;
    }

    // Pages of a TIFF file, as libtiff's tiffinfo counts its directories.
    static int TiffPages(const std::string &windowsPath) {
        std::string command = "tiffinfo '" + Host(windowsPath) + "' 2>/dev/null";
        int pages = 0;
        if (FILE *pipe = popen(command.c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, pipe))
                pages += std::strncmp(line, "TIFF Directory", 14) == 0;
            pclose(pipe);
        }
        return pages;
    }

    static std::string FileLabel(const std::string &windowsPath, int page = 0) {
        return zelvirt::decode_label_from_file(Host(windowsPath), page).value_or("(unreadable)");
    }

    // The output fields a multi-page acquisition sets up; the output and
    // its first page files are removed, the drive outliving the test.
    static void Output(const char *name, const char *extension, TW_UINT16 format) {
        std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "%s", name);
        std::snprintf(zel::szExtension, sizeof zel::szExtension, "%s", extension);
        zel::nFormatoArchivo = format;
        zel::PonLoteDeArchivos(zel::LoteDeArchivos::DeAdquisicion);
        char page[zel::kTamArchivoSalida];
        for (long k = 0; k < 5 && zel::NombreDePagina(k, page); ++k)
            unlink(Host(page).c_str());
    }

    std::string trace;
    zeltest::BoxRecorder boxes;
};

} // namespace xt

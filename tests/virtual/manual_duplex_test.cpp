// The manual duplex: the person turns the stack over when the feeder runs
// empty, and the device keeps that paper while the application unloads and
// loads the manager again.
#include <dlfcn.h>
#include <zelplat/zelplat_test.h>

#include <string>

#include "scenarios.h"
#include "twain_harness.h"

namespace {

using vt::Harness;

const char *kSimplex = R"({ "sources": [
  { "name": "Simplex Feeder", "feeder": true,
    "paper": { "width_inches": 2, "height_inches": 3,
               "sheets": [ {}, { "back": "blank" }, { "front": { "label": "last page" } } ] },
    "operator": { "delay_ms": 1, "scan_presses": 2, "reload_turned_stack": true } } ] })";

// Transfers the announced batch natively and returns its labels.
std::vector<std::string> transfer_batch(Harness &h) {
    std::vector<std::string> labels;
    TW_PENDINGXFERS pending{};
    do {
        TW_UINT32 dib = 0;
        if (h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib) != TWRC_XFERDONE)
            return labels;
        labels.push_back(vt::native_label(dib));
        if (h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS)
            return labels;
    } while (pending.Count > 0 && labels.size() < 20);
    return labels;
}

TEST(ManualDuplex, ReloadedStackSurvivesUnloadingTheManager) {
    Harness h(kSimplex);
    h.open();
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_batch(h),
              (std::vector<std::string>{"sheet 1 front", "sheet 2 front", "last page"}));
    h.close();
    h.unload();
    // The manager is really gone from the process: only the device keeps state.
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    char host[4096];
    ASSERT_GT(ZelPlat_HostPath((std::string(dir) + "\\TWAIN_32.DLL").c_str(), host, sizeof host),
              0u);
    EXPECT_EQ(dlopen(host, RTLD_NOW | RTLD_NOLOAD), nullptr);

    // The application loads the manager again; the device still holds the
    // turned stack, last sheet first.
    ASSERT_TRUE(h.load());
    h.open();
    auto loaded = h.get(CAP_FEEDERLOADED, MSG_GETCURRENT);
    EXPECT_EQ(loaded.items, std::vector<double>{1});
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_batch(h),
              (std::vector<std::string>{"sheet 3 back", "<unreadable>", "sheet 1 back"}));
    h.close();

    // The stack is turned over once only: the feeder is empty now.
    h.open();
    EXPECT_EQ(h.get(CAP_FEEDERLOADED, MSG_GETCURRENT).items, std::vector<double>{0});
    h.close();
}

TEST(ManualDuplex, SecondScanPressWithTheInterfaceOpen) {
    Harness h(kSimplex);
    h.open();
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_batch(h).size(), 3u);
    // The interface stayed open: the person reloads the stack and scans again.
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_batch(h),
              (std::vector<std::string>{"sheet 3 back", "<unreadable>", "sheet 1 back"}));
    // Two presses used: the person closes the interface.
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    h.close();
}

} // namespace

// The manager's side of the protocol: states 1 to 3, the list of sources,
// the selection dialog, opening and closing, routing and refusals.
#include "scenarios.h"
#include "twain_harness.h"

#include <filesystem>
#include <string>

namespace {

using vt::Harness;
namespace fs = std::filesystem;

// A Windows folder of the test's own, made the Windows folder while it
// lives: the manager in it under `manager`, and a copy of the source library
// at each of `sources` (paths below the folder).
class WindowsFolder {
  public:
    WindowsFolder(const std::string &manager, const std::vector<std::string> &sources) {
        char built[MAX_PATH] = {};
        GetWindowsDirectoryA(built, sizeof built);
        saved_ = built;
        char pattern[] = "/tmp/zelvirt-windows-XXXXXX";
        folder_ = mkdtemp(pattern) ? pattern : "";
        fs::create_directories(fs::path(folder_ + "/" + manager).parent_path());
        fs::copy_file(saved_ + "/TWAIN_32.DLL", folder_ + "/" + manager);
        for (const auto &source : sources) {
            fs::create_directories(fs::path(folder_ + "/" + source).parent_path());
            fs::copy_file(saved_ + "/twain_32/zelvirtual.ds", folder_ + "/" + source);
        }
        setenv("WINDIR", folder_.c_str(), 1);
    }
    // The scenario in the Windows folder, where the manager and the sources
    // look without ZELTWAIN_SCENARIO.
    void install_scenario(const std::string &text) {
        std::ofstream(folder_ + "/scenario.json") << text;
        unsetenv("ZELTWAIN_SCENARIO");
    }
    ~WindowsFolder() {
        setenv("WINDIR", saved_.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

  private:
    std::string saved_, folder_;
};

std::vector<std::string> listed_names(Harness &h) {
    std::vector<std::string> names;
    TW_IDENTITY id{};
    for (TW_UINT16 rc = h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS;
         rc = h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id))
        names.push_back(id.ProductName);
    return names;
}

TEST(DsmProtocol, RefusesTripletsOutOfSequence) {
    Harness h(vt::three_sources());
    ASSERT_TRUE(h.load());
    TW_IDENTITY id{};
    // Nothing but opening is possible in state 2.
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &h.window), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);
    // A null pData for the parent window is refused.
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_BADVALUE);

    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_SUCCESS);
    EXPECT_NE(h.app.Id, 0u) << "the manager assigns the application's Id";
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);

    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &h.window), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);

    // An enabled source cannot be closed; the source says why.
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &h.source), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);

    TW_USERINTERFACE ui{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &h.source), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &h.window), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &h.window), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_SEQERROR);
}

TEST(DsmProtocol, RefusesUnknownDestinationsAndTriplets) {
    Harness h(vt::three_sources());
    h.open();
    TW_IDENTITY stranger = h.source;
    stranger.Id = 4242;
    TW_CAPABILITY cap{CAP_XFERCOUNT, TWON_DONTCARE16, 0};
    EXPECT_EQ(h.entry(&h.app, &stranger, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_BADDEST);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_BADPROTOCOL);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_PARENT, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADPROTOCOL);
    h.close();
}

TEST(DsmProtocol, ListsSelectsAndOpensSources) {
    Harness h(vt::three_sources("", R"(, "user_select": "Flatbed")"));
    ASSERT_TRUE(h.load());
    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_SUCCESS);

    EXPECT_EQ(listed_names(h),
              (std::vector<std::string>{"Duplex Feeder", "Simplex Feeder", "Flatbed"}));
    TW_IDENTITY id{};
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id), TWRC_ENDOFLIST);

    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_SUCCESS);
    EXPECT_STREQ(id.ProductName, "Duplex Feeder");

    // The person picks the flatbed, which is the default from then on.
    TW_IDENTITY chosen{};
    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen), TWRC_SUCCESS);
    EXPECT_STREQ(chosen.ProductName, "Flatbed");

    // A zeroed identity opens the default source, completed with its Id.
    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_SUCCESS);
    EXPECT_STREQ(h.source.ProductName, "Flatbed");
    EXPECT_NE(h.source.Id, 0u);
    EXPECT_NE(h.source.Id, h.app.Id);
    EXPECT_EQ(h.source.ProtocolMajor, TWON_PROTOCOLMAJOR);

    TW_IDENTITY missing{};
    std::strcpy(missing.ProductName, "No Such Scanner");
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &missing), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_NODS);
    h.close();
}

TEST(DsmProtocol, SelectionDialogCancelled) {
    Harness h(vt::three_sources("", R"(, "user_select": "cancel")"));
    ASSERT_TRUE(h.load());
    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_SUCCESS);
    TW_IDENTITY chosen{};
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen), TWRC_CANCEL);
    EXPECT_EQ(chosen.ProductName[0], '\0');
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &h.window), TWRC_SUCCESS);
}

TEST(DsmProtocol, ManagerFaultsFromTheScenario) {
    Harness h(vt::three_sources(
        "", R"(, "faults": [ { "dat": "DAT_IDENTITY", "msg": "MSG_OPENDS", "occurrence": 1,
                             "rc": "TWRC_FAILURE", "cc": "TWCC_MAXCONNECTIONS" } ])"));
    ASSERT_TRUE(h.load());
    ASSERT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_SUCCESS);
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_FAILURE);
    EXPECT_EQ(h.dsm_condition(), TWCC_MAXCONNECTIONS);
    // Only the first occurrence fails.
    EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_SUCCESS);
    h.close();
}

// Each malformed scenario gives one error naming the file, the place and the
// reason, and the manager refuses to open; nothing crashes.
TEST(DsmProtocol, MalformedScenarioReported) {
    struct Case {
        std::string text, place, reason;
    };
    const Case cases[] = {
        {"{ \"sources\": [ { \"name\": \"A\" } ,, ] }", "line 1, column ", "syntax error"},
        {R"({"sources": [{"name": "A", "duplex": "sideways"}]})", "/sources/0/duplex",
         "expected \"none\""},
        {R"({"sources": [{"name": "A", "capabilities": {"ICAP_XRESOLUTION": {"current": 123}}}]})",
         "/sources/0/capabilities/ICAP_XRESOLUTION/current", "not among the offered"},
        {R"({"sources": [{"name": "A", "paper": {"sheets": [{"front": {"label": "a\u0001"}}]}}]})",
         "/sources/0/paper/sheets/0/front/label", "printable ASCII"},
        {R"({"sources": [{"name": "A", "colour": true}]})", "/sources/0/colour", "unknown key"},
        {R"({"sources": [{"name": "A", "twain2": "yes"}]})", "/sources/0/twain2",
         "expected true or false"},
        {R"({"sources": [{"name": "A", "operator": {"first_press": "never"}}]})",
         "/sources/0/operator/first_press", "\"none\""},
        {R"({"sources": [{"name": "A", "operator": {"give_up_ms": 10}}]})",
         "/sources/0/operator/give_up_ms", "never_ready"},
        {R"({"sources": [{"name": "A", "faults": {"pages": [{"page": 1, "after": "jam"}]}}]})",
         "/sources/0/faults/pages/0/after", "expected \"close_request\""},
        {R"({"sources": [{"name": "A", "faults": {"pages": [{"page": 1, "transfer": "explode"}]}}]})",
         "/sources/0/faults/pages/0/transfer", "\"cancel\" or \"crash\""},
        {R"({"sources": [{"name": "A", "faults": {"pages": [{"page": 1, "dib": "truncated",
              "after": "count_zero"}]}}]})",
         "/sources/0/faults/pages/0", "one of"},
        {R"({"sources": [{"name": "A", "faults": {"phantom_pages": {"pages": 0}}}]})",
         "/sources/0/faults/phantom_pages/pages", "from 1 to"},
        {R"({"sources": [{"name": "A", "faults": {"triplets": [{"dat": "DAT_IMAGEINFO",
              "occurrence": 1, "from_occurrence": 2, "rc": "TWRC_FAILURE"}]}}]})",
         "/sources/0/faults/triplets/0", "not both"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        Harness h(c.text);
        ASSERT_TRUE(h.load());
        ZelPlat_DebugOutputClear();
        EXPECT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_FAILURE);
        EXPECT_EQ(h.dsm_condition(), TWCC_BUMMER);
        std::string report;
        for (size_t i = 0; i < ZelPlat_DebugOutputCount(); ++i)
            if (std::string(ZelPlat_DebugOutputEntry(i)).find("scenario") != std::string::npos)
                report += ZelPlat_DebugOutputEntry(i);
        EXPECT_NE(report.find(h.scenario_path), std::string::npos) << report;
        EXPECT_NE(report.find(c.place), std::string::npos) << report;
        EXPECT_NE(report.find(c.reason), std::string::npos) << report;
        h.unload();
    }
}

// As TWAINDSM.DLL (in the system folder) the manager lists the source files
// of its folder and below, one identity each, the same at every opening; a
// file with no device of its own, or repeating a name, is left out.  The
// manager and the sources read the scenario of the Windows folder.
TEST(DsmProtocol, AsTwaindsmListsEverySourceFileByItsIdentity) {
    WindowsFolder windows("system32/TWAINDSM.DLL",
                          {"twain_32/scan-3.ds", "twain_32/Vendor/scan-1.ds",
                           "twain_32/Vendor/deep/scan-2.ds", "twain_32/scan-9.ds",
                           "twain_32/again-1.ds"});
    Harness h("{}");
    windows.install_scenario(vt::three_sources());
    ASSERT_TRUE(h.load("system32/TWAINDSM.DLL"));
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        ASSERT_EQ(h.dsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &h.window), TWRC_SUCCESS);
        EXPECT_TRUE(h.app.SupportedGroups & DF_DSM2);
        EXPECT_EQ(listed_names(h),
                  (std::vector<std::string>{"Simplex Feeder", "Duplex Feeder", "Flatbed"}));
        TW_IDENTITY id{};
        ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_SUCCESS);
        EXPECT_STREQ(id.ProductName, "Duplex Feeder");
        ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_SUCCESS);
        EXPECT_STREQ(h.source.ProductName, "Duplex Feeder");
        // A signal from no open source, or of no event, is refused.
        TW_IDENTITY stranger = h.source;
        stranger.Id = 4242;
        EXPECT_EQ(h.entry(&stranger, &h.app, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr),
                  TWRC_FAILURE);
        EXPECT_EQ(h.entry(&h.source, &h.app, DG_CONTROL, DAT_NULL, MSG_GET, nullptr), TWRC_FAILURE);
        h.close();
    }
}

// A TWAIN 2 source under TWAINDSM.DLL is given the entry point, announces
// its batch through DAT_NULL from inside MSG_ENABLEDS, and the manager hands
// it over at the application's next MSG_PROCESSEVENT; a 1.x source, or the
// same source under TWAIN_32.DLL, posts its own message.
TEST(DsmProtocol, ATwain2SourceSignalsThroughTheManagerAsTwaindsm) {
    struct Case {
        const char *manager, *source;
        bool signals;
    };
    const Case cases[] = {{"TWAINDSM.DLL", "Duplex Feeder", true},
                          {"TWAINDSM.DLL", "Simplex Feeder", false},
                          {"TWAIN_32.DLL", "Duplex Feeder", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.manager) + " " + c.source);
        WindowsFolder windows(c.manager, {"twain_32/zelvirtual.ds", "twain_32/Z/zelvirtual-1.ds",
                                          "twain_32/Z/zelvirtual-2.ds"});
        Harness h(vt::three_sources(R"(, "twain2": true)"));
        ASSERT_TRUE(h.load(c.manager));
        h.open(c.source);
        EXPECT_EQ(bool(h.source.SupportedGroups & DF_DS2),
                  std::string(c.source) == "Duplex Feeder");
        ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
        TW_UINT32 dib = 0;
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        EXPECT_EQ(vt::native_label(dib), "sheet 1 front");
        TW_PENDINGXFERS pending{};
        EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
        h.close();

        int entry_points = 0, signals = 0, handed_over = 0;
        for (const auto &line : h.trace()) {
            entry_points += line.dat == "DAT_ENTRYPOINT" && line.rc == TWRC_SUCCESS;
            signals += line.manager && line.dat == "DAT_NULL" && line.msg == "MSG_XFERREADY" &&
                       line.rc == TWRC_SUCCESS && line.name == c.source;
            handed_over += line.manager && line.event == "MSG_XFERREADY";
        }
        EXPECT_EQ(entry_points, c.signals);
        EXPECT_EQ(signals, c.signals);
        EXPECT_EQ(handed_over, c.signals);
    }
}

TEST(DsmProtocol, TraceRecordsEveryTriplet) {
    Harness h(vt::three_sources());
    h.open();
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, 0};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap), TWRC_SUCCESS);
    vt::take_container(cap);
    EXPECT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, 77), TWRC_FAILURE);
    h.close();

    auto lines = h.trace();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(lines[0].manager);
    EXPECT_EQ(lines[0].name, "VirtualTests");
    EXPECT_EQ(lines[0].msg, "MSG_OPENDSM");
    EXPECT_EQ(lines[0].state_before, 2);
    EXPECT_EQ(lines[0].state_after, 3);
    bool saw_get = false, saw_refused_set = false;
    for (const auto &line : lines) {
        if (line.manager || line.dat != "DAT_CAPABILITY")
            continue;
        EXPECT_EQ(line.name, "Duplex Feeder");
        EXPECT_EQ(line.cap, ICAP_PIXELTYPE);
        saw_get = saw_get || (line.msg == "MSG_GET" && line.rc == TWRC_SUCCESS);
        saw_refused_set = saw_refused_set || (line.msg == "MSG_SET" && line.rc == TWRC_FAILURE &&
                                              line.cc == TWCC_BADVALUE && line.state_after == 4);
    }
    EXPECT_TRUE(saw_get);
    EXPECT_TRUE(saw_refused_set);
}

} // namespace

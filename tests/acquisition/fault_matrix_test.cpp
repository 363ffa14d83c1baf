// Every fault of a faulty scanner that can touch an acquisition, against the
// multi-page acquisition (one pass, and a manual duplex) and the single
// image into memory.  For each: the call returns, within its bound, with the
// result and session state it owes; nothing leaks; every page that the
// scanner delivered whole is in the output, in order; and every page lost is
// reported once, in the debug output and in the one box, and nothing else.
#include "acquisition_support.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "pages/multipage_state.h"
#include "session/session.h"

using namespace zeltest;

namespace {

struct Fault {
    const char *name;
    const char *source; // fields of the source besides its name and paper
    // Pages delivered whole, in scanning order (fronts of three sheets; in
    // a manual duplex the backs follow in the turned stack's order).
    std::vector<int> fronts; // sheet numbers whose front arrives whole
    bool opens = true;       // whether the default source can be opened
    // Where a multi-page acquisition that ran leaves the session: unloaded,
    // or only closed when the source could not be enabled.
    int stateAfter = ZEL_SM_DESCARGADO;
    // The first pass ends with sheets still in the feeder: a manual duplex
    // gets them in its second pass, where the backs were expected.
    bool restInSecondPass = false;
    // Pages handed over but unusable (a short block, a null handle, a handle
    // that is no block, the block of the page before), each time the source
    // is opened (a manual duplex with the interface hidden opens it twice),
    // unless only the first pass has them: each is a lost page.
    int unusablePages = 0;
    bool firstPassOnly = false;
};

const Fault kFaults[] = {
    {"none", R"("operator": {"delay_ms": 5})", {1, 2, 3}},
    {"page2_fails",
     R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 2, "transfer": "fail", "cc": "TWCC_PAPERJAM"}]})",
     {1, 3}},
    {"page2_cancelled",
     R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 2, "transfer": "cancel"}]})",
     {1, 3}},
    {"page2_truncated",
     R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 2, "dib": "truncated"}]})",
     {1, 3},
     true,
     ZEL_SM_DESCARGADO,
     false,
     1},
    {"unknown_count", R"("unknown_page_count": true, "operator": {"delay_ms": 5})", {1, 2, 3}},
    {"never_ready",
     R"("operator": {"delay_ms": 5, "give_up_ms": 200},
        "faults": {"never_ready": true})",
     {}},
    {"close_request_after_page1",
     R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 1, "after": "close_request"}]})",
     {1},
     true,
     ZEL_SM_DESCARGADO,
     true},
    {"count_zero_after_page2",
     R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 2, "after": "count_zero"}]})",
     {1, 2},
     true,
     ZEL_SM_DESCARGADO,
     true},
    {"phantom_pages",
     R"("operator": {"delay_ms": 5},
        "faults": {"phantom_pages": {"pages": 2}})",
     {1, 2, 3}},
    {"imageinfo_fails_from_page2",
     R"("operator": {"delay_ms": 5},
        "faults": {"triplets": [{"dat": "DAT_IMAGEINFO", "from_occurrence": 2,
                                 "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})",
     {1}},
    {"endxfer_refused_once",
     R"("operator": {"delay_ms": 5},
        "faults": {"triplets": [{"msg": "MSG_ENDXFER", "occurrence": 2,
                                 "rc": "TWRC_FAILURE", "cc": "TWCC_SEQERROR"}]})",
     {1, 2},
     true,
     ZEL_SM_DESCARGADO,
     true},
    {"enable_refused",
     R"("operator": {"delay_ms": 5},
        "faults": {"triplets": [{"msg": "MSG_ENABLEDS", "rc": "TWRC_FAILURE",
                                 "cc": "TWCC_LOWMEMORY"}]})",
     {},
     true,
     ZEL_SM_CARGADO},
    {"person_cancels",
     R"("ui_controllable": false, "operator": {"delay_ms": 5,
        "first_press": "cancel"})",
     {}},
    {"feeder_caps_malformed",
     R"("operator": {"delay_ms": 5},
        "faults": {"capabilities": [{"cap": "CAP_FEEDERENABLED", "malformed": "no_container"},
                                    {"cap": "CAP_AUTOFEED", "malformed": "wrong_item_type"}]})",
     {1, 2, 3}},
    {"source_not_found", R"("operator": {"delay_ms": 5}, "driver": "missing.ds")", {}, false},
    // What real drivers do with the native page and its events.
    {"page2_null_handle",
     R"("operator": {"delay_ms": 5}, "faults": {"pages": [{"page": 2, "dib": "null_handle"}]})",
     {1, 3},
     true,
     ZEL_SM_DESCARGADO,
     false,
     1},
    {"page2_not_a_block",
     R"("operator": {"delay_ms": 5}, "faults": {"pages": [{"page": 2, "dib": "not_a_block"}]})",
     {1, 3},
     true,
     ZEL_SM_DESCARGADO,
     false,
     1},
    {"v4_header", R"("operator": {"delay_ms": 5}, "dib": {"header": 108})", {1, 2, 3}},
    {"v5_header_grey",
     R"("operator": {"delay_ms": 5}, "dib": {"header": 124},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}})",
     {1, 2, 3}},
    {"no_resolution", R"("operator": {"delay_ms": 5}, "dib": {"resolution": false})", {1, 2, 3}},
    {"size_image_zero_top_down",
     R"("operator": {"delay_ms": 5}, "dib": {"size_image": "zero", "rows": "top_down"})",
     {1, 2, 3}},
    {"size_image_wrong_bw",
     R"("operator": {"delay_ms": 5}, "dib": {"size_image": "wrong", "clr_used": "zero"},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 0}})",
     {1, 2, 3}},
    {"grey_table_reversed_clr_used_zero",
     R"("operator": {"delay_ms": 5}, "dib": {"grey_table": "reversed", "clr_used": "zero"},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}})",
     {1, 2, 3}},
    {"close_request_at_enable",
     R"("operator": {"delay_ms": 5, "hidden_start": "close_request"})",
     {}},
    // Unusable pages before the first page written, in one pass only, and
    // handed over twice.
    {.name = "page1_null_handle_grey",
     .source =
         R"("operator": {"delay_ms": 5}, "faults": {"pages": [{"page": 1, "dib": "null_handle"}]},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}})",
     .fronts = {2, 3},
     .unusablePages = 1},
    {.name = "page1_null_handle_colour",
     .source =
         R"("operator": {"delay_ms": 5}, "faults": {"pages": [{"page": 1, "dib": "null_handle"}]})",
     .fronts = {2, 3},
     .unusablePages = 1},
    {.name = "page2_null_handle_first_pass_only",
     .source = R"("operator": {"delay_ms": 5},
        "faults": {"pages": [{"page": 2, "pass": 1, "dib": "null_handle"}]})",
     .fronts = {1, 3},
     .unusablePages = 1,
     .firstPassOnly = true},
    {.name = "page2_repeated_handle_grey",
     .source =
         R"("operator": {"delay_ms": 5}, "faults": {"pages": [{"page": 2, "dib": "repeated_handle"}]},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}})",
     .fronts = {1, 3},
     .unusablePages = 1},
    // Capability answers that are no block, or a refusal that leaves one.
    {"caps_without_blocks",
     R"("operator": {"delay_ms": 5},
        "faults": {"capabilities": [{"cap": "CAP_FEEDERENABLED", "malformed": "not_a_block"},
                                    {"cap": "CAP_AUTOFEED", "malformed": "refused_with_garbage"},
                                    {"cap": "ICAP_BITDEPTH", "malformed": "not_a_block"}]})",
     {1, 2, 3}},
    {"imageinfo_fails_for_page1",
     R"("operator": {"delay_ms": 5},
        "faults": {"triplets": [{"dat": "DAT_IMAGEINFO", "occurrence": 1,
                                 "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})",
     {2, 3}},
};

enum class Call { Multipage, ManualDuplex, Memory };

struct Case {
    const Fault *fault;
    Call call;
};

std::string CaseName(const Case &c) {
    const char *calls[] = {"Multipage", "ManualDuplex", "Memory"};
    return std::string(calls[int(c.call)]) + "_" + c.fault->name;
}

std::string ParamName(const ::testing::TestParamInfo<Case> &info) {
    return CaseName(info.param);
}

void PrintTo(const Case &c, std::ostream *out) {
    *out << CaseName(c);
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const Fault &fault : kFaults)
        for (Call call : {Call::Multipage, Call::ManualDuplex, Call::Memory})
            cases.push_back({&fault, call});
    return cases;
}

// The person turns the stack over once the feeder is empty, for the second
// pass of a manual duplex.
std::string Scenario(const Fault &fault) {
    std::string source = fault.source;
    source.replace(source.find("\"operator\": {"), 13,
                   R"("operator": {"reload_turned_stack": true, )");
    return OneScanner(R"("feeder": true, "duplex": "none", "paper": {"sheets": 3}, )" + source);
}

std::vector<std::string> FrontLabels(const std::vector<int> &sheets) {
    std::vector<std::string> labels;
    for (int sheet : sheets)
        labels.push_back("sheet " + std::to_string(sheet) + " front");
    return labels;
}

// Whether every page read is a page of the reading order, in that order.
bool InReadingOrder(const std::vector<std::string> &labels, bool duplex) {
    std::vector<std::string> order;
    for (int sheet = 1; sheet <= 3; ++sheet) {
        order.push_back("sheet " + std::to_string(sheet) + " front");
        if (duplex)
            order.push_back("sheet " + std::to_string(sheet) + " back");
    }
    size_t next = 0;
    for (const std::string &label : labels) {
        while (next < order.size() && order[next] != label)
            ++next;
        if (next == order.size())
            return false;
    }
    return true;
}

class FaultMatrix : public AcquisitionTest, public ::testing::WithParamInterface<Case> {};

// What a one-pass acquisition must hold: exactly the fronts that came whole.
void CheckOnePass(const Fault &fault, const std::vector<std::string> &labels) {
    EXPECT_EQ(labels, FrontLabels(fault.fronts));
}

// What a manual duplex must hold: every page handed over whole, once; the
// fronts of the first pass in order; and, when the first pass took every
// sheet, the sides in reading order.
void CheckManualDuplex(const Fault &fault, const std::vector<std::string> &labels, int wholePages) {
    std::vector<std::string> read;
    for (const std::string &label : labels)
        if (!label.empty())
            read.push_back(label);
    std::set<std::string> distinct(read.begin(), read.end());
    EXPECT_EQ(distinct.size(), read.size()) << ::testing::PrintToString(labels);
    EXPECT_GE(int(read.size()), wholePages) << ::testing::PrintToString(labels);
    if (!fault.restInSecondPass) {
        EXPECT_TRUE(InReadingOrder(labels, true)) << ::testing::PrintToString(labels);
        return;
    }
    std::vector<std::string> firstFronts = FrontLabels(fault.fronts);
    std::vector<std::string> fronts;
    for (const std::string &label : read)
        if (std::find(firstFronts.begin(), firstFronts.end(), label) != firstFronts.end())
            fronts.push_back(label);
    EXPECT_EQ(fronts, firstFronts) << ::testing::PrintToString(labels);
}

// Pages the library could not write: each has one trace line, and together
// they have one box that counts them.
void CheckLostPagesReported(int lost, const std::vector<RecordedBox> &boxes) {
    int lines = 0;
    for (const std::string &line : DebugLines())
        lines += line.rfind("ZELTW: page not written: ", 0) == 0;
    EXPECT_EQ(lines, lost) << "trace lines of lost pages";
    std::vector<std::string> reports;
    for (const RecordedBox &box : boxes)
        if (box.caption == "TWAIN Error" &&
            (box.text.find("podido guardar") != std::string::npos ||
             box.text.find("esc\xE1ner ha entregado") != std::string::npos))
            reports.push_back(box.text);
    ASSERT_EQ(reports.size(), lost > 0 ? 1u : 0u) << ::testing::PrintToString(reports);
    if (lost > 1) {
        EXPECT_NE(reports[0].find(std::to_string(lost) + " p\xE1ginas"), std::string::npos)
            << reports[0];
    }
}

void AcquireIntoMemory(const Fault &fault) {
    std::vector<std::string> labels;
    HGLOBAL dib = AdquirirEnMemoria(0, 0);
    if (dib != HGLOBAL(0)) {
        labels.push_back(DibLabel(dib));
        LiberadorDeMemoria(dib);
    }
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    // Nothing is the right answer only when no page came whole.
    std::vector<int> first(fault.fronts.begin(), fault.fronts.begin() + !fault.fronts.empty());
    EXPECT_EQ(labels, FrontLabels(first));
}

} // namespace

TEST_P(FaultMatrix, SurvivesWithEveryWholePageKept) {
    const Fault &fault = *GetParam().fault;
    Trace trace;
    UseScenario(Scenario(fault));
    OcultarUI(1);
    ZelPlat_DebugOutputClear();
    auto start = std::chrono::steady_clock::now();
    if (GetParam().call == Call::Memory) {
        AcquireIntoMemory(fault);
        CheckLostPagesReported(0, boxes.boxes());
    } else {
        bool manual = GetParam().call == Call::ManualDuplex;
        ForzarDuplex(manual ? 1 : 0);
        // Cases run side by side: each has its own folder.
        std::string name = CleanFolder(CaseName(GetParam())) + "\\out.tif";
        EXPECT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), fault.opens ? 1 : 0);
        EXPECT_EQ(EstadoTwain(), fault.opens ? fault.stateAfter : ZEL_SM_ABIERTO);
        EXPECT_EQ(zel::hMultiPagina, nullptr);
        std::vector<std::string> labels;
        if (trace.NativePages() > 0)
            labels = PageLabels(name);
        int lost = fault.unusablePages * (manual && !fault.firstPassOnly ? 2 : 1);
        if (manual)
            CheckManualDuplex(fault, labels, trace.NativePages() - lost);
        else
            CheckOnePass(fault, labels);
        CheckLostPagesReported(lost, boxes.boxes());
    }
    EXPECT_EQ(zel::nImagen, -1);
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u) << "handles freed twice or used after a free";
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0) << "the acquisition should end by itself, not by the loop's timeout";
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(AllCases()), ParamName);

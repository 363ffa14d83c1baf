// Faults of real devices that the scenarios play: a batch that never comes,
// a close request in the middle of a batch, pending counts that do not match
// the paper, and triplets refused again and again.
#include "scenarios.h"
#include "twain_harness.h"

#include <chrono>

namespace {

using vt::Harness;
using Clock = std::chrono::steady_clock;

// A bound on GetMessageA for the waits that nothing else ends.
void bound_message_waits() {
    setenv("ZELPLAT_GETMESSAGE_TIMEOUT", "0.3", 1);
}

struct Page {
    std::string label;
    int count = -1; // the pending count MSG_ENDXFER gave
};

// Transfers the current page natively and ends it.
Page transfer_page(Harness &h) {
    Page page;
    TW_UINT32 dib = 0;
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    page.label = dib ? vt::native_label(dib) : "<none>";
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    page.count = pending.Count;
    return page;
}

// The labels of the pages left in the announced batch.
std::vector<std::string> transfer_rest(Harness &h) {
    std::vector<std::string> labels;
    Page page;
    do {
        page = transfer_page(h);
        labels.push_back(page.label);
    } while (page.count > 0 && labels.size() < 20);
    return labels;
}

TW_UINT16 disable(Harness &h) {
    TW_USERINTERFACE ui{};
    return h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

TEST(DeviceFaults, BatchThatNeverComes) {
    struct Case {
        std::string fields;
        bool show_ui;
        uint16_t event; // MSG_NULL: only the bound on GetMessageA ended the wait
        int min_ms;
    };
    const std::string never = R"(, "faults": { "never_ready": true })";
    const std::string gives_up = never + R"(, "operator": { "delay_ms": 1, "give_up_ms": 150 })";
    const std::string no_press = R"(, "operator": { "delay_ms": 1, "first_press": "none" })";
    const Case cases[] = {
        {never, false, MSG_NULL, 0},
        {never, true, MSG_NULL, 0},
        {gives_up, false, MSG_CLOSEDSREQ, 150},
        {gives_up, true, MSG_CLOSEDSREQ, 150},
        {no_press, true, MSG_NULL, 0},
        {no_press, false, MSG_XFERREADY, 0}, // without the interface nobody presses
    };
    bound_message_waits();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fields + (c.show_ui ? " with the interface" : " without it"));
        Harness h(vt::three_sources(c.fields));
        h.open();
        auto start = Clock::now();
        ASSERT_EQ(h.enable(c.show_ui), TWRC_SUCCESS);
        EXPECT_EQ(h.wait_event(), c.event);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(c.min_ms));
        TW_PENDINGXFERS pending{};
        if (c.event == MSG_XFERREADY) {
            EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
        }
        // State 5 again (or still): the source can be disabled.
        EXPECT_EQ(disable(h), TWRC_SUCCESS);
        h.close();
    }
}

TEST(DeviceFaults, CloseRequestAfterAPageAnsweredByTheApplication) {
    Harness h(vt::three_sources(
        R"(, "faults": { "pages": [ { "page": 1, "after": "close_request" } ] })"));
    h.open();
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    Page first = transfer_page(h);
    EXPECT_EQ(first.label, "sheet 1 front");
    EXPECT_EQ(first.count, 2) << "the request comes after the count";
    ASSERT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    // State 6: the transfers end, then the source is disabled.
    EXPECT_EQ(disable(h), TWRC_FAILURE);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    ASSERT_EQ(disable(h), TWRC_SUCCESS);

    // The rest of the stack stayed in the feeder.
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_rest(h), (std::vector<std::string>{"sheet 2 front", "sheet 3 front"}));
    h.close();
}

TEST(DeviceFaults, CloseRequestAfterAPageIgnoredByTheApplication) {
    Harness h(
        vt::three_sources(R"(, "paper": { "width_inches": 2, "height_inches": 3, "sheets": 4 },
        "faults": { "pages": [ { "page": 1, "after": "close_request" } ] })"));
    bound_message_waits();
    h.open();
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_page(h).count, 3);
    // The device has stopped: the next page is described but cancelled, and
    // ending it ends the batch.
    TW_IMAGEINFO info{};
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    TW_UINT32 dib = 0;
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_CANCEL);
    EXPECT_EQ(dib, 0u);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    EXPECT_EQ(h.wait_event(), MSG_NULL) << "the person asked once and presses nothing more";
    ASSERT_EQ(disable(h), TWRC_SUCCESS);

    // The cancelled page fed no sheet.
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_rest(h),
              (std::vector<std::string>{"sheet 2 front", "sheet 3 front", "sheet 4 front"}));
    h.close();
}

TEST(DeviceFaults, PendingCountAboveThePaper) {
    struct Case {
        std::string phantom;
        int pages;
        uint16_t cc;
    };
    const Case cases[] = {
        {"{}", 1, TWCC_BUMMER},
        {R"({ "pages": 2, "cc": "TWCC_PAPERJAM" })", 2, TWCC_PAPERJAM},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.phantom);
        Harness h(vt::three_sources(R"(, "faults": { "phantom_pages": )" + c.phantom + "}"));
        h.open();
        ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
        TW_PENDINGXFERS pending{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
        EXPECT_EQ(pending.Count, 3 + c.pages);
        for (int page = 1; page <= 3; ++page)
            EXPECT_EQ(transfer_page(h).count, 3 + c.pages - page);
        for (int left = c.pages - 1; left >= 0; --left) {
            TW_IMAGEINFO info{};
            EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
            EXPECT_EQ(h.ds_condition(), c.cc);
            TW_UINT32 dib = 0;
            EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
            EXPECT_EQ(h.ds_condition(), c.cc);
            EXPECT_EQ(dib, 0u);
            ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
            EXPECT_EQ(pending.Count, left);
        }
        EXPECT_EQ(disable(h), TWRC_SUCCESS);
        EXPECT_EQ(h.get(CAP_FEEDERLOADED, MSG_GETCURRENT).items, std::vector<double>{0});
        h.close();
    }
}

TEST(DeviceFaults, PendingCountZeroWhilePaperRemains) {
    Harness h(vt::three_sources(R"(, "operator": { "delay_ms": 1, "scan_presses": 2 },
        "faults": { "pages": [ { "page": 1, "after": "count_zero" } ] })"));
    h.open();
    ASSERT_EQ(h.set_one(CAP_DUPLEXENABLED, TWTY_BOOL, TRUE), TWRC_SUCCESS);
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    Page first = transfer_page(h);
    EXPECT_EQ(first.label, "sheet 1 front");
    EXPECT_EQ(first.count, 0);
    TW_IMAGEINFO info{};
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR) << "state 5: the batch is over";
    EXPECT_EQ(h.get(CAP_FEEDERLOADED, MSG_GETCURRENT).items, std::vector<double>{1});

    // The person scans again: the sheets left, the first sheet's back lost.
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    EXPECT_EQ(transfer_rest(h), (std::vector<std::string>{"sheet 2 front", "sheet 2 back",
                                                          "sheet 3 front", "sheet 3 back"}));
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    h.close();
}

TEST(DeviceFaults, TripletsRefusedFromAnOccurrenceOn) {
    {
        Harness h(
            vt::three_sources("", R"(, "faults": [ { "dat": "DAT_IDENTITY", "msg": "MSG_OPENDS",
                                   "from_occurrence": 2, "rc": "TWRC_FAILURE",
                                   "cc": "TWCC_MAXCONNECTIONS" } ])"));
        h.open();
        ASSERT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &h.source), TWRC_SUCCESS);
        for (int attempt = 2; attempt <= 4; ++attempt) {
            EXPECT_EQ(h.dsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &h.source), TWRC_FAILURE);
            EXPECT_EQ(h.dsm_condition(), TWCC_MAXCONNECTIONS);
        }
        h.close();
    }
    Harness h(vt::three_sources(R"(, "faults": { "triplets": [
        { "dat": "DAT_IMAGEINFO", "from_occurrence": 2, "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER" },
        { "dat": "DAT_PENDINGXFERS", "msg": "MSG_ENDXFER", "from_occurrence": 2,
          "rc": "TWRC_FAILURE", "cc": "TWCC_OPERATIONERROR" } ] })"));
    h.open();
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_IMAGEINFO info{};
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(transfer_page(h).count, 2);
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
        EXPECT_EQ(h.ds_condition(), TWCC_BUMMER);
    }
    // Skipping the page it cannot describe is refused again and again;
    // MSG_RESET still ends the batch.
    TW_PENDINGXFERS pending{};
    for (int attempt = 0; attempt < 5; ++attempt) {
        EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
        EXPECT_EQ(h.ds_condition(), TWCC_OPERATIONERROR);
    }
    int refused = 0;
    for (const auto &line : h.trace())
        refused += line.msg == "MSG_ENDXFER" && line.rc == TWRC_FAILURE && line.state_after == 6;
    EXPECT_EQ(refused, 5) << "every refusal leaves the source in state 6";
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(disable(h), TWRC_SUCCESS);
    h.close();
}

} // namespace

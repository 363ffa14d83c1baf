// Enabling, disabling and the events an enabled source sends: its own
// message claimed in MSG_PROCESSEVENT, foreign messages left alone, and the
// person at the device acting through the source's timer.
#include "scenarios.h"
#include "twain_harness.h"

namespace {

using vt::Harness;

TEST(SourceEvents, EnableWithoutInterfaceAnnouncesTheBatchAndClaimsOnlyItsOwnMessages) {
    Harness h(vt::three_sources());
    h.open();
    TW_USERINTERFACE ui{};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR);
    ui.hParent = 0x7FFFFFF; // not a window
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);

    // A message of the application itself, queued before the source's.
    PostMessageA(h.window, WM_USER + 5, 1, 2);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(h.enable(false), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    bool saw_foreign = false, saw_ready = false;
    for (int i = 0; i < 10 && !saw_ready; ++i) {
        TW_EVENT event{&msg, 0xBEEF};
        TW_UINT16 rc = h.ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (msg.message == WM_USER + 5) {
            saw_foreign = true;
            EXPECT_EQ(rc, TWRC_NOTDSEVENT);
            EXPECT_EQ(event.TWMessage, MSG_NULL);
        } else {
            EXPECT_EQ(rc, TWRC_DSEVENT);
            saw_ready = event.TWMessage == MSG_XFERREADY;
        }
        if (!saw_ready && !PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
            break;
    }
    EXPECT_TRUE(saw_foreign);
    ASSERT_TRUE(saw_ready);

    // State 6: the source cannot be disabled before its transfers end.
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR);
    h.close();
}

TEST(SourceEvents, OperatorScansWithTheInterfaceShownThenCloses) {
    Harness h(vt::three_sources(R"(, "capabilities": { "CAP_XFERCOUNT": { "current": 1 } })"));
    h.open();
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    // The interface stays open; with one Scan press used, the person closes it.
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    h.close();
    auto lines = h.trace();
    bool timer_claimed = false;
    for (const auto &line : lines)
        timer_claimed = timer_claimed || (line.msg == "MSG_PROCESSEVENT" &&
                                          line.rc == TWRC_DSEVENT && line.event == "MSG_NULL");
    EXPECT_TRUE(timer_claimed) << "the source's own timer message is claimed";
}

TEST(SourceEvents, OperatorCancelAndInterfaceOnly) {
    Harness h(vt::three_sources(R"(, "operator": { "delay_ms": 1, "first_press": "cancel" })"));
    h.open();
    ASSERT_EQ(h.enable(true), TWRC_SUCCESS);
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    TW_USERINTERFACE ui{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);

    ui.ShowUI = TRUE;
    ui.hParent = h.window;
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui), TWRC_SUCCESS);
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSOK);
    h.close();
}

TEST(SourceEvents, SourceThatCannotHideItsInterfaceShowsIt) {
    Harness h(vt::three_sources(R"(, "ui_controllable": false,
        "operator": { "delay_ms": 1, "first_press": "cancel" })"));
    h.open();
    auto controllable = h.get(CAP_UICONTROLLABLE, MSG_GETCURRENT);
    ASSERT_EQ(controllable.items.size(), 1u);
    EXPECT_EQ(controllable.items[0], 0);
    // ShowUI 0 is not honoured: the interface appears and the person cancels.
    EXPECT_EQ(h.enable(false), TWRC_CHECKSTATUS);
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    h.close();
}

TEST(SourceEvents, EmptyFeederMakesTheOperatorGiveUp) {
    Harness h(vt::three_sources(R"(, "paper": { "sheets": 0 })"));
    h.open();
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(h.wait_event(), MSG_CLOSEDSREQ);
    h.close();
}

} // namespace

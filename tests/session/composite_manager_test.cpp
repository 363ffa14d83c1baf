// The composite manager over two scripted managers: one list of both sides'
// sources, the default, routing of sources' triplets, a helper's side that
// does not open or has died, and the library's own selection dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/selection_dialog.h"

namespace {

TW_IDENTITY Src(TW_UINT32 id, const char *name, const char *maker = "Zel") {
    TW_IDENTITY identity{};
    identity.Id = id;
    std::strcpy(identity.ProductName, name);
    std::strcpy(identity.Manufacturer, maker);
    return identity;
}

// A manager that answers from its list and logs what it is asked.
struct Fake {
    Fake(TW_UINT32 app, std::vector<TW_IDENTITY> list = {}, size_t byDefault = 0)
        : appId(app), sources(std::move(list)), defaultIndex(byDefault) {}
    TW_UINT32 appId;
    std::vector<TW_IDENTITY> sources;
    size_t defaultIndex, next = 0;
    bool failOpen = false, dead = false;
    TW_UINT16 failCC = TWCC_BUMMER, cc = TWCC_SUCCESS;
    std::vector<std::string> calls;

    bool Called(const std::string &call) const {
        return std::count(calls.begin(), calls.end(), call) > 0;
    }
    TW_UINT16 Answer(bool ok, TW_UINT16 failure) {
        cc = ok ? TWCC_SUCCESS : failure;
        return ok ? TWRC_SUCCESS : TWRC_FAILURE;
    }
    TW_UINT16 Handle(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 dat, TW_UINT16 msg,
                     TW_MEMREF data) {
        auto *id = static_cast<pTW_IDENTITY>(data);
        if (dest || dat == DAT_STATUS) {
            calls.push_back(std::string("source ") + (dest ? dest->ProductName : ""));
            static_cast<pTW_STATUS>(data)->ConditionCode = cc;
            return TWRC_SUCCESS;
        }
        if (dat == DAT_PARENT) {
            calls.push_back(msg == MSG_OPENDSM ? "opendsm" : "closedsm");
            if (msg == MSG_OPENDSM && !failOpen)
                origin->Id = appId, dead = false;
            return Answer(msg != MSG_OPENDSM || !failOpen, failCC);
        }
        if (msg == MSG_GETFIRST || msg == MSG_GETNEXT) {
            next = msg == MSG_GETFIRST ? 0 : next;
            if (dead || next >= sources.size())
                return dead ? Answer(false, TWCC_BUMMER) : TWRC_ENDOFLIST;
            *id = sources[next++];
            return Answer(true, 0);
        }
        if (sources.empty())
            return Answer(false, TWCC_NODS);
        if (msg != MSG_CLOSEDS && (msg != MSG_OPENDS || id->ProductName[0] == '\0'))
            *id = sources[defaultIndex]; // the default, or the choice in its own dialog
        calls.push_back(std::to_string(msg) + " " + id->ProductName);
        return Answer(true, 0);
    }
};

Fake local{7}, remote{9};

TW_UINT16 WINAPI LocalEntry(pTW_IDENTITY o, pTW_IDENTITY d, TW_UINT32, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) {
    return local.Handle(o, d, dat, msg, data);
}
TW_UINT16 WINAPI RemoteEntry(pTW_IDENTITY o, pTW_IDENTITY d, TW_UINT32, TW_UINT16 dat,
                             TW_UINT16 msg, TW_MEMREF data) {
    return remote.Handle(o, d, dat, msg, data);
}

// The person's answer in the library's dialog, and what it was shown.
int answer = zel::kSeleccionCancelada;
std::vector<std::string> shown;
int shownMarked = -1;
int Answer(HWND, const std::vector<std::string> &names, int marked) {
    shown = names;
    shownMarked = marked;
    return answer;
}

using Names = std::vector<std::string>;
using Sources = std::vector<TW_IDENTITY>;

std::string Op(TW_UINT16 msg, const char *name) {
    return std::to_string(msg) + " " + name;
}

class Composite : public ::testing::Test {
  protected:
    void SetUp() override { zel::PonDialogoSeleccion(Answer); }
    // Both managers anew, each with its list and default, and the composite
    // opened over them.
    TW_UINT16 Start(Sources inLocal, Sources inRemote, size_t localDefault = 0,
                    bool hasLocal = true) {
        local = Fake{7, std::move(inLocal), localDefault};
        remote = Fake{9, std::move(inRemote), 1};
        zel::PonLados(hasLocal ? LocalEntry : nullptr, RemoteEntry);
        return Call(DAT_PARENT, MSG_OPENDSM, &window);
    }
    TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, void *data, pTW_IDENTITY dest = nullptr) {
        return zel::EntradaCompuesta(&app, dest, DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 Status() {
        TW_STATUS status{};
        EXPECT_EQ(Call(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }
    std::string OpenDefault() {
        TW_IDENTITY zeroed{};
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &zeroed), TWRC_SUCCESS);
        return zeroed.ProductName;
    }
    // The product names of the list walked to its end.
    Names List() {
        Names names;
        TW_IDENTITY id{};
        for (TW_UINT16 msg = MSG_GETFIRST; Call(DAT_IDENTITY, msg, &id) == TWRC_SUCCESS;
             msg = MSG_GETNEXT)
            names.push_back(id.ProductName);
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETNEXT, &id), TWRC_ENDOFLIST);
        return names;
    }
    TW_IDENTITY app{};
    HWND window = 0;
};

TEST_F(Composite, OneListLocalFirstRepeatsLeftOut) {
    struct Case {
        Sources local, remote;
        Names listed;
    } cases[] = {
        {{}, {}, {}},
        {{Src(1, "A")}, {}, {"A"}},
        {{}, {Src(1, "C")}, {"C"}},
        {{Src(1, "A"), Src(2, "B")}, {Src(1, "B"), Src(2, "C")}, {"A", "B", "C"}},
        {{Src(1, "A")}, {Src(1, "A", "Other")}, {"A", "A"}},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(Start(c.local, c.remote), TWRC_SUCCESS);
        EXPECT_EQ(List(), c.listed);
    }
}

// A side that does not open is left out; the default is the local one's
// when it lists any source, and a zeroed identity opens it on its side.
TEST_F(Composite, ManagersOpenSideBySide) {
    struct Case {
        Sources local;
        bool hasLocal, localFails, remoteFails;
        TW_UINT16 rc, cc;
        Names listed;
        const char *byDefault;
    } cases[] = {
        {{Src(1, "A"), Src(2, "B")},
         true,
         false,
         false,
         TWRC_SUCCESS,
         0,
         {"A", "B", "C", "D"},
         "B"},
        {{Src(1, "A"), Src(2, "B")}, true, false, true, TWRC_SUCCESS, 0, {"A", "B"}, "B"},
        {{}, true, false, false, TWRC_SUCCESS, 0, {"C", "D"}, "D"},
        {{Src(1, "A")}, true, true, false, TWRC_SUCCESS, 0, {"C", "D"}, "D"},
        {{}, false, false, false, TWRC_SUCCESS, 0, {"C", "D"}, "D"},
        {{Src(1, "A")}, true, true, true, TWRC_FAILURE, TWCC_LOWMEMORY, {}, ""},
        {{}, false, false, true, TWRC_FAILURE, TWCC_BUMMER, {}, ""},
    };
    for (const Case &c : cases) {
        local = Fake{7, c.local, 1};
        remote = Fake{9, {Src(1, "C"), Src(2, "D")}, 1};
        local.failOpen = c.localFails;
        local.failCC = TWCC_LOWMEMORY;
        remote.failOpen = c.remoteFails;
        zel::PonLados(c.hasLocal ? LocalEntry : nullptr, RemoteEntry);
        EXPECT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &window), c.rc);
        EXPECT_EQ(Status(), c.cc);
        if (c.rc == TWRC_SUCCESS) {
            EXPECT_EQ(List(), c.listed);
            EXPECT_EQ(OpenDefault(), c.byDefault);
            EXPECT_TRUE(
                (c.byDefault[0] < 'C' ? local : remote).Called(Op(MSG_OPENDS, c.byDefault)));
            EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &window), TWRC_SUCCESS);
            EXPECT_EQ(local.Called("closedsm"), c.hasLocal && !c.localFails);
            EXPECT_EQ(remote.Called("closedsm"), !c.remoteFails);
        }
    }
}

TEST_F(Composite, SourcesTripletsGoToTheSideTheyOpenedOn) {
    ASSERT_EQ(Start({Src(1, "Same")}, {Src(1, "Same", "Other"), Src(2, "R")}), TWRC_SUCCESS);
    EXPECT_EQ(app.Id, 7u); // the local manager's Id, not the helper's
    TW_IDENTITY first{}, second{};
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_GETFIRST, &first), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_GETNEXT, &second), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &second), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &first), TWRC_SUCCESS);
    TW_STATUS status{};
    Call(DAT_STATUS, MSG_GET, &status, &second);
    EXPECT_TRUE(remote.Called("source Same"));
    EXPECT_FALSE(local.Called("source Same"));
    Call(DAT_STATUS, MSG_GET, &status, &first);
    EXPECT_TRUE(local.Called("source Same"));
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &second), TWRC_SUCCESS);
    EXPECT_TRUE(remote.Called(Op(MSG_CLOSEDS, "Same")));
    EXPECT_FALSE(local.Called(Op(MSG_CLOSEDS, "Same")));
}

TEST_F(Composite, DeadHelperIsOpenedAgainOnceBeforeListing) {
    for (bool reopens : {true, false}) {
        ASSERT_EQ(Start({Src(1, "A")}, {Src(1, "C")}), TWRC_SUCCESS);
        remote.dead = true;
        remote.failOpen = !reopens;
        EXPECT_EQ(List(), reopens ? Names({"A", "C"}) : Names({"A"}));
        EXPECT_EQ(std::count(remote.calls.begin(), remote.calls.end(), "opendsm"), 2);
    }
}

// The library's dialog when the helper adds a source; its choice is the
// default from then on, until the local manager's own dialog chooses.
TEST_F(Composite, UserSelectShowsBothSidesWhenTheHelperAddsOne) {
    struct Case {
        Sources remote;
        int answer;
        TW_UINT16 rc;
        const char *chosen;
        bool dialog;
        int marked;
        const char *byDefault;
    } cases[] = {
        {{Src(1, "C")}, 2, TWRC_SUCCESS, "C", true, 1, "C"},
        {{Src(1, "C")}, zel::kSeleccionCancelada, TWRC_CANCEL, "", true, 2, "C"},
        {{Src(1, "C")}, 3, TWRC_FAILURE, "", true, 2, "C"},
        {{Src(1, "C")}, zel::kSeleccionSinDialogo, TWRC_FAILURE, "", true, 2, "C"},
        {{Src(1, "B")}, 0, TWRC_SUCCESS, "B", false, -1, "B"}, // the local manager's dialog
        {{Src(1, "C")}, zel::kSeleccionCancelada, TWRC_CANCEL, "", true, 1, "B"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(Start({Src(1, "A"), Src(2, "B")}, c.remote, 1), TWRC_SUCCESS);
        answer = c.answer;
        shown.clear();
        shownMarked = -1;
        TW_IDENTITY id{};
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_USERSELECT, &id), c.rc);
        EXPECT_EQ(Status(), c.rc == TWRC_FAILURE ? TWCC_BUMMER : TWCC_SUCCESS);
        EXPECT_STREQ(id.ProductName, c.chosen);
        EXPECT_EQ(shown, c.dialog ? Names({"A", "B", "C"}) : Names());
        EXPECT_EQ(shownMarked, c.marked);
        EXPECT_EQ(OpenDefault(), c.byDefault);
    }
}

} // namespace

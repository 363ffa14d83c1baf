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
    size_t defaultIndex;
    bool failOpen = false, dead = false;
    TW_UINT16 failCC = TWCC_BUMMER, cc = TWCC_SUCCESS;
    size_t next = 0;
    TW_UINT32 lastOrigin = 0;
    std::vector<std::string> calls;

    TW_UINT16 Fail(TW_UINT16 code) {
        cc = code;
        return TWRC_FAILURE;
    }
    bool Called(const std::string &call) const {
        return std::count(calls.begin(), calls.end(), call) > 0;
    }
    TW_UINT16 Handle(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 dat, TW_UINT16 msg,
                     TW_MEMREF data) {
        lastOrigin = origin->Id;
        auto *id = static_cast<pTW_IDENTITY>(data);
        if (dest)
            calls.push_back(std::string("source ") + dest->ProductName);
        else if (dat == DAT_STATUS)
            static_cast<pTW_STATUS>(data)->ConditionCode = cc;
        else if (dat == DAT_PARENT)
            calls.push_back(msg == MSG_OPENDSM ? "opendsm" : "closedsm");
        else if (msg == MSG_OPENDS || msg == MSG_CLOSEDS) {
            if (id->ProductName[0] == '\0')
                *id = sources[defaultIndex];
            calls.push_back((msg == MSG_OPENDS ? "opends " : "closeds ") +
                            std::string(id->ProductName));
        }
        if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
            if (failOpen)
                return Fail(failCC);
            origin->Id = appId;
            dead = false;
        }
        if (msg == MSG_GETFIRST) {
            if (dead)
                return Fail(TWCC_BUMMER);
            next = 0;
        }
        if (msg == MSG_GETFIRST || msg == MSG_GETNEXT) {
            if (next >= sources.size())
                return TWRC_ENDOFLIST;
            *id = sources[next++];
        }
        if (msg == MSG_GETDEFAULT || msg == MSG_USERSELECT) {
            if (sources.empty())
                return Fail(TWCC_NODS);
            calls.push_back(msg == MSG_USERSELECT ? "userselect" : "getdefault");
            *id = sources[defaultIndex];
        }
        cc = TWCC_SUCCESS;
        return TWRC_SUCCESS;
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

class Composite : public ::testing::Test {
  protected:
    void SetUp() override {
        zel::PonLados(LocalEntry, RemoteEntry);
        zel::PonDialogoSeleccion(Answer);
    }
    TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, void *data, pTW_IDENTITY dest = nullptr) {
        return zel::EntradaCompuesta(&app, dest, DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 OpenManagers() { return Call(DAT_PARENT, MSG_OPENDSM, &window); }
    TW_UINT16 Status() {
        TW_STATUS status{};
        EXPECT_EQ(Call(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }
    // The list walked to its end: "name/maker" each.
    std::vector<std::string> List() {
        std::vector<std::string> names;
        TW_IDENTITY id{};
        for (TW_UINT16 msg = MSG_GETFIRST; Call(DAT_IDENTITY, msg, &id) == TWRC_SUCCESS;
             msg = MSG_GETNEXT)
            names.push_back(std::string(id.ProductName) + "/" + id.Manufacturer);
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETNEXT, &id), TWRC_ENDOFLIST);
        return names;
    }
    TW_IDENTITY app{};
    HWND window = 0;
};

using Names = std::vector<std::string>;

TEST_F(Composite, OneListLocalFirstRepeatsLeftOut) {
    struct Case {
        std::vector<TW_IDENTITY> local, remote;
        Names listed;
    } cases[] = {
        {{}, {}, {}},
        {{Src(1, "A")}, {}, {"A/Zel"}},
        {{}, {Src(1, "C")}, {"C/Zel"}},
        {{Src(1, "A"), Src(2, "B")}, {Src(1, "B"), Src(2, "C")}, {"A/Zel", "B/Zel", "C/Zel"}},
        {{Src(1, "A")}, {Src(1, "A", "Other")}, {"A/Zel", "A/Other"}},
    };
    ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
    for (const Case &c : cases) {
        local.sources = c.local;
        remote.sources = c.remote;
        EXPECT_EQ(List(), c.listed);
    }
}

TEST_F(Composite, ManagersOpenAndCloseSideBySide) {
    struct Case {
        bool hasLocal, localFails, remoteFails;
        TW_UINT16 rc, cc;
        Names listed;
    } cases[] = {
        {true, false, false, TWRC_SUCCESS, TWCC_SUCCESS, {"A/Zel", "C/Zel"}},
        {true, false, true, TWRC_SUCCESS, TWCC_SUCCESS, {"A/Zel"}},
        {true, true, false, TWRC_SUCCESS, TWCC_SUCCESS, {"C/Zel"}},
        {false, false, false, TWRC_SUCCESS, TWCC_SUCCESS, {"C/Zel"}},
        {true, true, true, TWRC_FAILURE, TWCC_LOWMEMORY, {}},
        {false, false, true, TWRC_FAILURE, TWCC_BUMMER, {}},
    };
    for (const Case &c : cases) {
        local = Fake{7, {Src(1, "A")}};
        local.failOpen = c.localFails;
        local.failCC = TWCC_LOWMEMORY;
        remote = Fake{9, {Src(1, "C")}};
        remote.failOpen = c.remoteFails;
        zel::PonLados(c.hasLocal ? LocalEntry : nullptr, RemoteEntry);
        EXPECT_EQ(OpenManagers(), c.rc);
        EXPECT_EQ(Status(), c.cc);
        if (c.rc != TWRC_SUCCESS)
            continue;
        EXPECT_EQ(List(), c.listed);
        EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &window), TWRC_SUCCESS);
        EXPECT_EQ(local.Called("closedsm"), c.hasLocal && !c.localFails);
        EXPECT_EQ(remote.Called("closedsm"), !c.remoteFails);
        EXPECT_EQ(OpenManagers(), TWRC_SUCCESS); // closed: it opens again
        zel::PonLados(nullptr, nullptr);
    }
}

TEST_F(Composite, DefaultIsTheLocalOneWhenItListsAny) {
    struct Case {
        std::vector<TW_IDENTITY> local;
        bool remoteFails;
        const char *defaultName;
        const Fake &side;
    } cases[] = {
        {{Src(1, "A"), Src(2, "B")}, false, "B", local},
        {{}, false, "D", remote},
        {{Src(1, "A"), Src(2, "B")}, true, "B", local},
    };
    for (const Case &c : cases) {
        local = Fake{7, c.local, 1};
        remote = Fake{9, {Src(1, "C"), Src(2, "D")}, 1};
        remote.failOpen = c.remoteFails;
        zel::PonLados(LocalEntry, RemoteEntry);
        ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
        TW_IDENTITY id{};
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_SUCCESS);
        EXPECT_STREQ(id.ProductName, c.defaultName);
        TW_IDENTITY zeroed{};
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &zeroed), TWRC_SUCCESS);
        EXPECT_TRUE(c.side.Called(std::string("opends ") + c.defaultName));
    }
}

TEST_F(Composite, SourcesTripletsGoToTheSideTheyOpenedOn) {
    local.sources = {Src(1, "Same")};
    remote.sources = {Src(1, "Same", "Other"), Src(2, "R")};
    ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
    EXPECT_EQ(app.Id, 7u); // the local manager's Id, not the helper's
    TW_IDENTITY first{}, second{};
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_GETFIRST, &first), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_GETNEXT, &second), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &second), TWRC_SUCCESS);
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &first), TWRC_SUCCESS);
    TW_STATUS status{};
    Call(DAT_STATUS, MSG_GET, &status, &second);
    EXPECT_TRUE(remote.Called("source Same"));
    EXPECT_EQ(remote.lastOrigin, 9u);
    EXPECT_FALSE(local.Called("source Same"));
    Call(DAT_STATUS, MSG_GET, &status, &first);
    EXPECT_TRUE(local.Called("source Same"));
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &second), TWRC_SUCCESS);
    EXPECT_TRUE(remote.Called("closeds Same"));
    EXPECT_FALSE(local.Called("closeds Same"));
}

TEST_F(Composite, DeadHelperIsOpenedAgainOnceBeforeListing) {
    for (bool reopens : {true, false}) {
        local = Fake{7, {Src(1, "A")}};
        remote = Fake{9, {Src(1, "C")}};
        zel::PonLados(LocalEntry, RemoteEntry);
        ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
        remote.dead = true;
        remote.failOpen = !reopens;
        EXPECT_EQ(List(), reopens ? Names({"A/Zel", "C/Zel"}) : Names({"A/Zel"}));
        EXPECT_EQ(std::count(remote.calls.begin(), remote.calls.end(), "opendsm"), 2);
    }
}

TEST_F(Composite, UserSelectShowsBothSidesWhenTheHelperAddsOne) {
    struct Case {
        std::vector<TW_IDENTITY> remote;
        int answer;
        TW_UINT16 rc;
        const char *chosen;
        bool dialog;
        int marked; // the local default first, then the source chosen in the dialog
    } cases[] = {
        {{Src(1, "C")}, 2, TWRC_SUCCESS, "C", true, 1},
        {{Src(1, "C")}, zel::kSeleccionCancelada, TWRC_CANCEL, "", true, 2},
        {{Src(1, "C")}, 3, TWRC_FAILURE, "", true, 2},
        {{Src(1, "C")}, zel::kSeleccionSinDialogo, TWRC_FAILURE, "", true, 2},
        {{Src(1, "B")}, 0, TWRC_SUCCESS, "B", false, -1}, // the local manager's own dialog
        {{Src(1, "C")}, zel::kSeleccionCancelada, TWRC_CANCEL, "", true, 1}, // its choice prevails
    };
    for (const Case &c : cases) {
        local = Fake{7, {Src(1, "A"), Src(2, "B")}, 1};
        remote = Fake{9, c.remote};
        zel::PonLados(LocalEntry, RemoteEntry);
        ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
        answer = c.answer;
        shown.clear();
        shownMarked = -1;
        TW_IDENTITY id{};
        EXPECT_EQ(Call(DAT_IDENTITY, MSG_USERSELECT, &id), c.rc);
        EXPECT_STREQ(id.ProductName, c.chosen);
        EXPECT_EQ(shown, c.dialog ? Names({"A", "B", "C"}) : Names());
        EXPECT_EQ(local.Called("userselect"), !c.dialog);
        EXPECT_EQ(shownMarked, c.marked);
        EXPECT_EQ(Status(), c.rc == TWRC_FAILURE ? TWCC_BUMMER : TWCC_SUCCESS);
    }
}

TEST_F(Composite, ChosenHelperSourceBecomesTheDefault) {
    local.sources = {Src(1, "A")};
    remote.sources = {Src(1, "C")};
    ASSERT_EQ(OpenManagers(), TWRC_SUCCESS);
    answer = 1;
    TW_IDENTITY id{};
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_USERSELECT, &id), TWRC_SUCCESS);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_SUCCESS);
    EXPECT_STREQ(id.ProductName, "C");
    TW_IDENTITY zeroed{};
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &zeroed), TWRC_SUCCESS);
    EXPECT_TRUE(remote.Called("opends C"));
    EXPECT_FALSE(local.Called("opends A"));
}

} // namespace

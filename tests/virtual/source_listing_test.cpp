// The sources' own DAT_IDENTITY triplets, as a manager that loads the
// library file and passes requests on (Wine's) sees them: MSG_GET gives every
// device of the scenario in order, then the first again, and each listing
// alike; MSG_OPENDS opens a device by name, or the default without one.  A
// copy named "<name>-N.ds" plays the N-th device alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "scenarios.h"
#include "twain.h"

namespace {

using DsEntry = TW_UINT16(WINAPI *)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

class SourceListing : public ::testing::Test {
  protected:
    void SetUp() override { Load(""); }
    // Loads the source library, or a copy of it under another file name.
    void Load(const std::string &copy_name) {
        scenario_ = "/tmp/zelvirt-listing-" + std::to_string(getpid()) + ".json";
        std::ofstream(scenario_) << vt::three_sources();
        setenv("ZELTWAIN_SCENARIO", scenario_.c_str(), 1);
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, sizeof windows);
        std::string file = std::string(windows) + "/twain_32/zelvirtual.ds";
        if (!copy_name.empty()) {
            copy_ = "/tmp/zelvirt-listing-" + std::to_string(getpid()) + "-" + copy_name;
            std::filesystem::copy_file(file, copy_,
                                       std::filesystem::copy_options::overwrite_existing);
            file = copy_;
        }
        module_ = LoadLibraryA(file.c_str());
        ASSERT_NE(module_, HMODULE(0));
        entry_ = reinterpret_cast<DsEntry>(
            reinterpret_cast<void *>(GetProcAddress(module_, "DS_Entry")));
        ASSERT_NE(entry_, nullptr);
    }
    void TearDown() override {
        FreeLibrary(module_);
        std::remove(scenario_.c_str());
        if (!copy_.empty())
            std::remove(copy_.c_str());
    }

    // The name MSG_GET gives; "<none>" when it fails.
    std::string Get(pTW_IDENTITY origin) {
        TW_IDENTITY id;
        std::memset(&id, 0x65, sizeof id); // what an uninitialised record holds
        if (entry_(origin, DG_CONTROL, DAT_IDENTITY, MSG_GET, &id) != TWRC_SUCCESS)
            return "<none>";
        return std::string(id.ProductName, strnlen(id.ProductName, sizeof id.ProductName));
    }
    std::string Get() { return Get(&app_); }
    // The name MSG_OPENDS opens (closing it again); "<none>" when it fails.
    std::string Open(const char *name) {
        TW_IDENTITY id = {};
        std::strcpy(id.ProductName, name);
        if (entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &id) != TWRC_SUCCESS)
            return "<none>";
        EXPECT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &id), TWRC_SUCCESS);
        return id.ProductName;
    }
    std::vector<std::string> ListUntilRepeat() {
        std::vector<std::string> names;
        for (int i = 0; i < 10; ++i) {
            std::string name = Get();
            for (const auto &seen : names)
                if (seen == name)
                    return names;
            names.push_back(name);
        }
        return names;
    }

    std::string scenario_, copy_;
    HMODULE module_ = 0;
    DsEntry entry_ = nullptr;
    TW_IDENTITY app_ = {};
};

const std::vector<std::string> kAll = {"Duplex Feeder", "Simplex Feeder", "Flatbed"};

TEST_F(SourceListing, EachListingGivesEveryDeviceInOrder) {
    EXPECT_EQ(ListUntilRepeat(), kAll);
    EXPECT_EQ(ListUntilRepeat(), kAll);
}

TEST_F(SourceListing, ADeviceListedOpensByItsNameAndListingStartsOverAfterIt) {
    ASSERT_EQ(ListUntilRepeat(), kAll);
    Get(); // a listing cut short
    TW_IDENTITY id = {};
    std::strcpy(id.ProductName, "Simplex Feeder");
    ASSERT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &id), TWRC_SUCCESS);
    EXPECT_STREQ(id.ProductName, "Simplex Feeder");
    ASSERT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &id), TWRC_SUCCESS);
    EXPECT_EQ(ListUntilRepeat(), kAll);
}

TEST_F(SourceListing, AnEmptyNameOpensTheDefaultDevice) {
    TW_IDENTITY id = {};
    ASSERT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &id), TWRC_SUCCESS);
    EXPECT_STREQ(id.ProductName, "Duplex Feeder");
    EXPECT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &id), TWRC_SUCCESS);
}

// A bound copy answers its device however often, and by whomever (TWAIN's
// own manager asks with no origin), and opens nothing else; past the
// scenario's devices it has none.
TEST_F(SourceListing, ACopyNamedForADevicePlaysThatDeviceAlone) {
    struct Case {
        const char *file, *device;
    };
    const Case cases[] = {
        {"dev-2.ds", "Simplex Feeder"}, {"DEV-3.DS", "Flatbed"}, {"dev-4.ds", "<none>"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        TearDown();
        Load(c.file);
        EXPECT_EQ(Get(nullptr), c.device);
        EXPECT_EQ(Get(), c.device);
        EXPECT_EQ(Open(""), c.device);
        EXPECT_EQ(Open("Flatbed"), std::string(c.device) == "Flatbed" ? "Flatbed" : "<none>");
    }
}

} // namespace

// The sources' own DAT_IDENTITY triplets, as a manager that loads the
// library file and passes requests on (Wine's) sees them: MSG_GET gives every
// device of the scenario in order, then the first again, and each listing
// alike; MSG_OPENDS opens a device by name, or the default without one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    void SetUp() override {
        scenario_ = "/tmp/zelvirt-listing-" + std::to_string(getpid()) + ".json";
        std::ofstream(scenario_) << vt::three_sources();
        setenv("ZELTWAIN_SCENARIO", scenario_.c_str(), 1);
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, sizeof windows);
        module_ = LoadLibraryA((std::string(windows) + "/twain_32/zelvirtual.ds").c_str());
        ASSERT_NE(module_, HMODULE(0));
        entry_ = reinterpret_cast<DsEntry>(
            reinterpret_cast<void *>(GetProcAddress(module_, "DS_Entry")));
        ASSERT_NE(entry_, nullptr);
    }
    void TearDown() override {
        FreeLibrary(module_);
        std::remove(scenario_.c_str());
    }

    std::string Get() {
        TW_IDENTITY id;
        std::memset(&id, 0x65, sizeof id); // what an uninitialised record holds
        EXPECT_EQ(entry_(&app_, DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
        return std::string(id.ProductName, strnlen(id.ProductName, sizeof id.ProductName));
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

    std::string scenario_;
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

} // namespace

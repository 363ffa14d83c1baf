// The default scenario lies in the folder above the sources' own, whichever
// separators the system's module paths use.
#include "shared/scenario.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ScenarioLocation, FolderAboveTheSourcesOnEitherSystem) {
    const std::pair<const char *, const char *> cases[] = {
        {"C:\\zelwine\\windows\\twain_32", "C:\\zelwine\\windows"},
        {"/build/windows/twain_32", "/build/windows"},
        {"C:\\mixed/windows\\twain_32", "C:\\mixed/windows"},
        {"twain_32", "."},
    };
    unsetenv("ZELTWAIN_SCENARIO");
    for (const auto &[sources, parent] : cases) {
        EXPECT_EQ(zelvirt::parent_folder(sources), parent) << sources;
        EXPECT_EQ(zelvirt::locate_scenario(zelvirt::parent_folder(sources)),
                  std::string(parent) + "/scenario.json");
    }
}

// The default scenario lies in the Windows folder, where the manager (even
// as TWAINDSM.DLL in the system folder) and the sources (even in a subfolder
// of twain_32) both look; ZELTWAIN_SCENARIO names another.
#include "shared/scenario.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ScenarioLocation, TheWindowsFolderUnlessTheEnvironmentNamesOne) {
    struct Case {
        const char *windir, *named, *expected;
    };
    const Case cases[] = {
        {"/build/windows", nullptr, "/build/windows/scenario.json"},
        {"/build/windows/", nullptr, "/build/windows/scenario.json"},
        {"/build/windows", "/tmp/other.json", "/tmp/other.json"},
        {"/build/windows", "", "/build/windows/scenario.json"},
    };
    const std::string saved = std::getenv("WINDIR") ? std::getenv("WINDIR") : "";
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.windir) + " " + (c.named ? c.named : "(unset)"));
        setenv("WINDIR", c.windir, 1);
        if (c.named)
            setenv("ZELTWAIN_SCENARIO", c.named, 1);
        else
            unsetenv("ZELTWAIN_SCENARIO");
        EXPECT_EQ(zelvirt::scenario_location(), c.expected);
    }
    setenv("WINDIR", saved.c_str(), 1);
}

// The session right after load, the application identity and the
// behaviour of the entry points without a manager.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "session/session.h"
#include "ui_recorder.h"

TEST(SessionAtLoad, StartsUnloadedWithDefaultIdentity) {
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(ZelTwainVersion(), 1);
    const TW_IDENTITY &id = zel::IdentidadApp;
    EXPECT_EQ(TW_UINT32(id.Id), 0u);
    EXPECT_EQ(id.Version.MajorNum, 1);
    EXPECT_EQ(id.Version.MinorNum, 0);
    EXPECT_EQ(id.Version.Language, TWLG_SPA);
    EXPECT_EQ(id.Version.Country, TWCY_SPAIN);
    EXPECT_STREQ(id.Version.Info, "Version 0.01");
    EXPECT_EQ(id.ProtocolMajor, 1);
    EXPECT_EQ(id.ProtocolMinor, 9);
    EXPECT_EQ(TW_UINT32(id.SupportedGroups), 3u);
    EXPECT_STREQ(id.Manufacturer, "Zeltw.dll");
    EXPECT_STREQ(id.ProductFamily, "ZelScan");
    EXPECT_STREQ(id.ProductName, "Corvalia");
    EXPECT_EQ(zel::nImagen, -1);
}

TEST(SessionAtLoad, EntryPointsFailWithoutManager) {
    zeltest::BoxRecorder boxes;
    TW_STATUS status{};
    EXPECT_EQ(ZEL_DSM(DG_CONTROL, DAT_STATUS, MSG_GET, &status), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_EQ(ZEL_DS(DG_CONTROL, DAT_STATUS, MSG_GET, &status), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST(SessionAtLoad, SourceTripletBelowState4ReportsTheAssertion) {
    ZelPlat_DebugOutputClear();
    ZEL_DS(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr);
    EXPECT_TRUE(zeltest::DebugContains("nEstado >= ZEL_DISP_ABIERTO"));
}

TEST(SessionAtLoad, MemoryTransferRecordIsPreparedEvenWithoutManager) {
    TW_IMAGEMEMXFER xfer{};
    ZEL_DS(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    EXPECT_EQ(xfer.Compression, TWON_DONTCARE16);
    EXPECT_EQ(TW_UINT32(xfer.BytesPerRow), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.Columns), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.Rows), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.XOffset), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.YOffset), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.BytesWritten), TWON_DONTCARE32);
    EXPECT_EQ(TW_UINT32(xfer.Memory.Length), 0u); // the application's buffer is left alone
}

TEST(RegistrarApp, ReplacesIdentityAndResetsId) {
    zel::IdentidadApp.Id = 77;
    RegistrarApp(3, 4, TWLG_USA, TWCY_USA, "Version 3.4", "Acme", "Family", "Product");
    const TW_IDENTITY &id = zel::IdentidadApp;
    EXPECT_EQ(TW_UINT32(id.Id), 0u);
    EXPECT_EQ(id.Version.MajorNum, 3);
    EXPECT_EQ(id.Version.MinorNum, 4);
    EXPECT_EQ(id.Version.Language, TWLG_USA);
    EXPECT_EQ(id.Version.Country, TWCY_USA);
    EXPECT_STREQ(id.Version.Info, "Version 3.4");
    EXPECT_STREQ(id.Manufacturer, "Acme");
    EXPECT_STREQ(id.ProductFamily, "Family");
    EXPECT_STREQ(id.ProductName, "Product");
    EXPECT_EQ(id.ProtocolMajor, 1);
    EXPECT_EQ(id.ProtocolMinor, 9);
    EXPECT_EQ(TW_UINT32(id.SupportedGroups), 3u);
}

TEST(RegistrarApp, LongStringsAreCutAndNullStringsAreEmpty) {
    TW_IDENTITY before = zel::IdentidadApp;
    std::string longName(60, 'x');
    RegistrarApp(0x12345, -1, 11, 34, nullptr, longName.c_str(), nullptr, "");
    const TW_IDENTITY &id = zel::IdentidadApp;
    EXPECT_EQ(id.Version.MajorNum, 0x2345); // stored in 16 bits
    EXPECT_EQ(id.Version.MinorNum, 0xFFFF);
    EXPECT_STREQ(id.Version.Info, "");
    EXPECT_EQ(std::string(id.Manufacturer), std::string(33, 'x'));
    EXPECT_EQ(id.Manufacturer[33], '\0');
    EXPECT_STREQ(id.ProductFamily, "");
    // Nothing beyond the identity was touched.
    EXPECT_EQ(sizeof before, 156u);
}

TEST(StateTrace, EveryStateChangeIsTraced) {
    ZelPlat_DebugOutputClear();
    zel::PonEstado(4);
    zel::PonEstado(3);
    EXPECT_EQ(EstadoTwain(), 3);
    auto lines = zeltest::DebugLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "ZELW:State 4\n");
    EXPECT_EQ(lines[1], "ZELW:State 3\n");
}

// Capability negotiation of the virtual sources, and that the negotiated
// values change what is scanned.
#include "scenarios.h"
#include "twain_harness.h"

namespace {

using vt::Harness;

// Builds an enumeration of 16-bit items for MSG_SET.
TW_HANDLE enumeration(std::vector<TW_UINT16> items, TW_UINT32 current, TW_UINT32 def) {
    TW_HANDLE block = GlobalAlloc(GHND, 14 + 2 * items.size());
    auto *e = static_cast<TW_ENUMERATION *>(GlobalLock(block));
    e->ItemType = TWTY_UINT16;
    e->NumItems = TW_UINT32(items.size());
    e->CurrentIndex = current;
    e->DefaultIndex = def;
    std::memcpy(e->ItemList, items.data(), 2 * items.size());
    GlobalUnlock(block);
    return block;
}

TEST(Capabilities, ReadsEveryRequiredCapability) {
    Harness h(vt::three_sources());
    h.open();
    const TW_UINT16 required[] = {
        CAP_XFERCOUNT,      CAP_FEEDERENABLED, CAP_AUTOFEED,  CAP_DUPLEX,    CAP_DUPLEXENABLED,
        CAP_UICONTROLLABLE, ICAP_PIXELTYPE,    ICAP_BITDEPTH, ICAP_UNITS,    ICAP_XRESOLUTION,
        ICAP_YRESOLUTION,   ICAP_BRIGHTNESS,   ICAP_CONTRAST, ICAP_XFERMECH, ICAP_IMAGEFILEFORMAT};
    auto supported = h.get(CAP_SUPPORTEDCAPS);
    EXPECT_EQ(supported.con_type, TWON_ARRAY);
    for (TW_UINT16 cap : required) {
        SCOPED_TRACE(cap);
        TW_UINT16 rc = 0;
        auto current = h.get(cap, MSG_GETCURRENT, &rc);
        EXPECT_EQ(rc, TWRC_SUCCESS);
        EXPECT_EQ(current.con_type, TWON_ONEVALUE);
        EXPECT_NE(std::find(supported.items.begin(), supported.items.end(), cap),
                  supported.items.end());
    }
    auto pixel = h.get(ICAP_PIXELTYPE);
    EXPECT_EQ(pixel.con_type, TWON_ENUMERATION);
    EXPECT_EQ(pixel.items, (std::vector<double>{TWPT_BW, TWPT_GRAY, TWPT_RGB}));
    EXPECT_EQ(pixel.current_index, 2u);
    auto brightness = h.get(ICAP_BRIGHTNESS);
    EXPECT_EQ(brightness.con_type, TWON_RANGE);
    EXPECT_EQ(brightness.min, -1000);
    EXPECT_EQ(brightness.max, 1000);
    EXPECT_EQ(h.get(CAP_DUPLEX, MSG_GETCURRENT).items, std::vector<double>{TWDX_1PASSDUPLEX});

    TW_UINT16 rc = 0;
    h.get(ICAP_GAMMA, MSG_GET, &rc);
    EXPECT_EQ(rc, TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_CAPUNSUPPORTED);
    auto support = h.get(CAP_DUPLEX, MSG_QUERYSUPPORT);
    ASSERT_EQ(support.items.size(), 1u);
    EXPECT_EQ(int(support.items[0]) & TWQC_SET, 0) << "CAP_DUPLEX is read-only";
    h.close();
}

TEST(Capabilities, SetOnlyInStateFourWithCheckedValues) {
    Harness h(vt::three_sources());
    h.open();
    // An unlisted resolution becomes the nearest offered one.
    EXPECT_EQ(h.set_fix32(ICAP_XRESOLUTION, 170), TWRC_CHECKSTATUS);
    EXPECT_EQ(h.get(ICAP_XRESOLUTION, MSG_GETCURRENT).items, std::vector<double>{150});
    EXPECT_EQ(h.set_fix32(ICAP_XRESOLUTION, 300), TWRC_SUCCESS);
    // Brightness is a range: an off-step value snaps, an outside one is refused.
    EXPECT_EQ(h.set_fix32(ICAP_BRIGHTNESS, 10.25), TWRC_CHECKSTATUS);
    EXPECT_EQ(h.get(ICAP_BRIGHTNESS, MSG_GETCURRENT).items, std::vector<double>{10});
    EXPECT_EQ(h.set_fix32(ICAP_BRIGHTNESS, 1500), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);
    // Codes outside the list, a wrong item type and a read-only value are refused.
    EXPECT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_CMYK), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);
    EXPECT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_FIX32, TWPT_GRAY), TWRC_FAILURE);
    EXPECT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 0), TWRC_FAILURE);
    EXPECT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 0xFFFFFFFF), TWRC_SUCCESS);
    EXPECT_EQ(h.set_one(CAP_DUPLEX, TWTY_UINT16, TWDX_NONE), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_CAPBADOPERATION);
    EXPECT_EQ(h.get(ICAP_PIXELTYPE, MSG_GETCURRENT).items, std::vector<double>{TWPT_RGB});

    // Once enabled, values can be read but not set.
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR);
    TW_CAPABILITY reset{ICAP_PIXELTYPE, TWON_DONTCARE16, 0};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &reset), TWRC_FAILURE);
    EXPECT_EQ(h.get(ICAP_XRESOLUTION, MSG_GETCURRENT).items, std::vector<double>{300});
    h.close();
}

TEST(Capabilities, PixelTypeListNarrowedAndReset) {
    Harness h(vt::three_sources(R"(, "capabilities": { "ICAP_PIXELTYPE": { "default": 0 } })"));
    h.open();
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_ENUMERATION, enumeration({TWPT_GRAY, TWPT_RGB}, 1, 0)};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap), TWRC_SUCCESS);
    GlobalFree(cap.hContainer);
    auto narrowed = h.get(ICAP_PIXELTYPE);
    EXPECT_EQ(narrowed.items, (std::vector<double>{TWPT_GRAY, TWPT_RGB}));
    EXPECT_EQ(narrowed.items.at(narrowed.current_index), TWPT_RGB);

    // A type the device lacks is dropped (TWRC_CHECKSTATUS); none left is refused.
    cap.hContainer = enumeration({TWPT_GRAY, TWPT_CMYK}, 0, 0);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap), TWRC_CHECKSTATUS);
    GlobalFree(cap.hContainer);
    EXPECT_EQ(h.get(ICAP_PIXELTYPE).items, std::vector<double>{TWPT_GRAY});
    EXPECT_EQ(h.get(ICAP_BITDEPTH, MSG_GETCURRENT).items, std::vector<double>{8});
    cap.hContainer = enumeration({TWPT_CMYK}, 0, 0);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap), TWRC_FAILURE);
    GlobalFree(cap.hContainer);
    // An index past the list, and a list longer than its block, are refused.
    cap.hContainer = enumeration({TWPT_GRAY}, 1, 0);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap), TWRC_FAILURE);
    auto *e = static_cast<TW_ENUMERATION *>(GlobalLock(cap.hContainer));
    e->CurrentIndex = 0;
    e->NumItems = 1000;
    GlobalUnlock(cap.hContainer);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);
    GlobalFree(cap.hContainer);

    TW_CAPABILITY reset{ICAP_PIXELTYPE, TWON_DONTCARE16, 0};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &reset), TWRC_SUCCESS);
    vt::take_container(reset);
    auto restored = h.get(ICAP_PIXELTYPE);
    EXPECT_EQ(restored.items.size(), 3u);
    EXPECT_EQ(restored.items.at(restored.current_index), TWPT_BW);
    h.close();
}

TEST(Capabilities, NegotiatedValuesChangeTheScannedImage) {
    struct Setting {
        TW_UINT16 pixel_type;
        double dpi;
        int bits, width, height;
    };
    const Setting settings[] = {
        {TWPT_BW, 100, 1, 200, 300}, {TWPT_GRAY, 75, 8, 150, 225}, {TWPT_RGB, 150, 24, 300, 450}};
    Harness h(vt::three_sources(R"(, "paper": { "width_inches": 2, "height_inches": 3,
                                               "sheets": 3 })"));
    h.open();
    ASSERT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
    int sheet = 1;
    for (const auto &s : settings) {
        SCOPED_TRACE(s.bits);
        ASSERT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, s.pixel_type), TWRC_SUCCESS);
        ASSERT_EQ(h.get(ICAP_BITDEPTH, MSG_GETCURRENT).items, std::vector<double>{double(s.bits)});
        ASSERT_EQ(h.set_fix32(ICAP_XRESOLUTION, s.dpi), TWRC_SUCCESS);
        ASSERT_EQ(h.set_fix32(ICAP_YRESOLUTION, s.dpi), TWRC_SUCCESS);
        ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
        TW_UINT32 dib = 0;
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biBitCount, s.bits);
        EXPECT_EQ(header->biWidth, s.width);
        EXPECT_EQ(header->biHeight, s.height);
        GlobalUnlock(dib);
        EXPECT_EQ(vt::native_label(dib), "sheet " + std::to_string(sheet++) + " front");
        TW_PENDINGXFERS pending{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        TW_USERINTERFACE ui{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    }
    h.close();
}

TEST(Capabilities, MalformedAnswersOnDemand) {
    Harness h(vt::three_sources(R"(, "faults": { "capabilities": [
        { "cap": "ICAP_PIXELTYPE", "msg": "MSG_GET", "malformed": "empty_list" },
        { "cap": "ICAP_PIXELTYPE", "msg": "MSG_GETCURRENT", "malformed": "index_out_of_range" },
        { "cap": "ICAP_BITDEPTH", "malformed": "wrong_item_type" },
        { "cap": "ICAP_UNITS", "malformed": "item_type_above_12" },
        { "cap": "CAP_FEEDERENABLED", "malformed": "no_container" },
        { "cap": "ICAP_XFERMECH", "malformed": "range_instead_of_list" },
        { "cap": "ICAP_IMAGEFILEFORMAT", "malformed": "huge_numitems" } ] })"));
    h.open();
    auto empty = h.get(ICAP_PIXELTYPE, MSG_GET);
    EXPECT_EQ(empty.con_type, TWON_ENUMERATION);
    EXPECT_EQ(empty.num_items, 0u);
    auto out_of_range = h.get(ICAP_PIXELTYPE, MSG_GETCURRENT);
    EXPECT_EQ(out_of_range.con_type, TWON_ENUMERATION);
    EXPECT_EQ(out_of_range.current_index, out_of_range.num_items);
    EXPECT_EQ(h.get(ICAP_PIXELTYPE, MSG_GETDEFAULT).items, std::vector<double>{TWPT_RGB});
    EXPECT_EQ(h.get(ICAP_BITDEPTH, MSG_GETCURRENT).item_type, TWTY_BOOL);
    EXPECT_EQ(h.get(ICAP_UNITS, MSG_GETCURRENT).item_type, 13);
    TW_CAPABILITY none{CAP_FEEDERENABLED, TWON_DONTCARE16, 0};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &none), TWRC_SUCCESS);
    EXPECT_EQ(none.hContainer, 0u);
    EXPECT_EQ(h.get(ICAP_XFERMECH, MSG_GET).con_type, TWON_RANGE);
    auto huge = h.get(ICAP_IMAGEFILEFORMAT);
    EXPECT_EQ(huge.num_items, 0x40000000u);
    EXPECT_LT(huge.items.size(), 10u) << "the block holds only the real items";
    h.close();
}

TEST(Capabilities, TripletFaultOnTheNthOccurrence) {
    Harness h(vt::three_sources(R"(, "faults": { "triplets": [
        { "dat": "DAT_CAPABILITY", "msg": "MSG_SET", "cap": "ICAP_XFERMECH", "occurrence": 2,
          "rc": "TWRC_FAILURE", "cc": "TWCC_BADCAP" } ] })"));
    h.open();
    EXPECT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    EXPECT_EQ(h.set_one(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE), TWRC_SUCCESS);
    EXPECT_EQ(h.set_one(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADCAP);
    EXPECT_EQ(h.get(ICAP_XFERMECH, MSG_GETCURRENT).items, std::vector<double>{TWSX_FILE});
    EXPECT_EQ(h.set_one(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    h.close();
}

} // namespace

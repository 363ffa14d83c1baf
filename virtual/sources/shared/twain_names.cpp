// Name tables of the TWAIN constants that the virtual manager and sources
// trace or accept in scenario files.
#include "twain_names.h"

#include <twain.h>

#include <cstdio>
#include <cstdlib>

namespace zelvirt {
namespace {

struct NamedValue {
    NameKind kind;
    uint32_t value;
    const char *name;
};

#define ZV(kind, constant)                                                                         \
    { NameKind::kind, uint32_t(constant), #constant }

const NamedValue kNames[] = {
    ZV(DataGroup, DG_CONTROL),
    ZV(DataGroup, DG_IMAGE),
    ZV(DataGroup, DG_AUDIO),

    ZV(DataType, DAT_NULL),
    ZV(DataType, DAT_CAPABILITY),
    ZV(DataType, DAT_EVENT),
    ZV(DataType, DAT_IDENTITY),
    ZV(DataType, DAT_PARENT),
    ZV(DataType, DAT_PENDINGXFERS),
    ZV(DataType, DAT_SETUPMEMXFER),
    ZV(DataType, DAT_SETUPFILEXFER),
    ZV(DataType, DAT_STATUS),
    ZV(DataType, DAT_USERINTERFACE),
    ZV(DataType, DAT_XFERGROUP),
    ZV(DataType, DAT_TWUNKIDENTITY),
    ZV(DataType, DAT_CUSTOMDSDATA),
    ZV(DataType, DAT_DEVICEEVENT),
    ZV(DataType, DAT_FILESYSTEM),
    ZV(DataType, DAT_PASSTHRU),
    ZV(DataType, DAT_ENTRYPOINT),
    ZV(DataType, DAT_IMAGEINFO),
    ZV(DataType, DAT_IMAGELAYOUT),
    ZV(DataType, DAT_IMAGEMEMXFER),
    ZV(DataType, DAT_IMAGENATIVEXFER),
    ZV(DataType, DAT_IMAGEFILEXFER),
    ZV(DataType, DAT_CIECOLOR),
    ZV(DataType, DAT_GRAYRESPONSE),
    ZV(DataType, DAT_RGBRESPONSE),
    ZV(DataType, DAT_JPEGCOMPRESSION),
    ZV(DataType, DAT_PALETTE8),
    ZV(DataType, DAT_EXTIMAGEINFO),

    ZV(Message, MSG_NULL),
    ZV(Message, MSG_GET),
    ZV(Message, MSG_GETCURRENT),
    ZV(Message, MSG_GETDEFAULT),
    ZV(Message, MSG_GETFIRST),
    ZV(Message, MSG_GETNEXT),
    ZV(Message, MSG_SET),
    ZV(Message, MSG_RESET),
    ZV(Message, MSG_QUERYSUPPORT),
    ZV(Message, MSG_XFERREADY),
    ZV(Message, MSG_CLOSEDSREQ),
    ZV(Message, MSG_CLOSEDSOK),
    ZV(Message, MSG_DEVICEEVENT),
    ZV(Message, MSG_CHECKSTATUS),
    ZV(Message, MSG_OPENDSM),
    ZV(Message, MSG_CLOSEDSM),
    ZV(Message, MSG_OPENDS),
    ZV(Message, MSG_CLOSEDS),
    ZV(Message, MSG_USERSELECT),
    ZV(Message, MSG_DISABLEDS),
    ZV(Message, MSG_ENABLEDS),
    ZV(Message, MSG_ENABLEDSUIONLY),
    ZV(Message, MSG_PROCESSEVENT),
    ZV(Message, MSG_ENDXFER),
    ZV(Message, MSG_STOPFEEDER),

    ZV(Capability, CAP_XFERCOUNT),
    ZV(Capability, ICAP_COMPRESSION),
    ZV(Capability, ICAP_PIXELTYPE),
    ZV(Capability, ICAP_UNITS),
    ZV(Capability, ICAP_XFERMECH),
    ZV(Capability, CAP_AUTHOR),
    ZV(Capability, CAP_CAPTION),
    ZV(Capability, CAP_FEEDERENABLED),
    ZV(Capability, CAP_FEEDERLOADED),
    ZV(Capability, CAP_TIMEDATE),
    ZV(Capability, CAP_SUPPORTEDCAPS),
    ZV(Capability, CAP_EXTENDEDCAPS),
    ZV(Capability, CAP_AUTOFEED),
    ZV(Capability, CAP_CLEARPAGE),
    ZV(Capability, CAP_FEEDPAGE),
    ZV(Capability, CAP_REWINDPAGE),
    ZV(Capability, CAP_INDICATORS),
    ZV(Capability, CAP_PAPERDETECTABLE),
    ZV(Capability, CAP_UICONTROLLABLE),
    ZV(Capability, CAP_DEVICEONLINE),
    ZV(Capability, CAP_AUTOSCAN),
    ZV(Capability, CAP_DUPLEX),
    ZV(Capability, CAP_DUPLEXENABLED),
    ZV(Capability, CAP_ENABLEDSUIONLY),
    ZV(Capability, CAP_SERIALNUMBER),
    ZV(Capability, ICAP_AUTOBRIGHT),
    ZV(Capability, ICAP_BRIGHTNESS),
    ZV(Capability, ICAP_CONTRAST),
    ZV(Capability, ICAP_GAMMA),
    ZV(Capability, ICAP_IMAGEFILEFORMAT),
    ZV(Capability, ICAP_ORIENTATION),
    ZV(Capability, ICAP_PHYSICALWIDTH),
    ZV(Capability, ICAP_PHYSICALHEIGHT),
    ZV(Capability, ICAP_XNATIVERESOLUTION),
    ZV(Capability, ICAP_YNATIVERESOLUTION),
    ZV(Capability, ICAP_XRESOLUTION),
    ZV(Capability, ICAP_YRESOLUTION),
    ZV(Capability, ICAP_BITORDER),
    ZV(Capability, ICAP_PIXELFLAVOR),
    ZV(Capability, ICAP_PLANARCHUNKY),
    ZV(Capability, ICAP_SUPPORTEDSIZES),
    ZV(Capability, ICAP_THRESHOLD),
    ZV(Capability, ICAP_BITDEPTH),
    ZV(Capability, ICAP_BITDEPTHREDUCTION),
    ZV(Capability, ICAP_UNDEFINEDIMAGESIZE),

    ZV(ReturnCode, TWRC_SUCCESS),
    ZV(ReturnCode, TWRC_FAILURE),
    ZV(ReturnCode, TWRC_CHECKSTATUS),
    ZV(ReturnCode, TWRC_CANCEL),
    ZV(ReturnCode, TWRC_DSEVENT),
    ZV(ReturnCode, TWRC_NOTDSEVENT),
    ZV(ReturnCode, TWRC_XFERDONE),
    ZV(ReturnCode, TWRC_ENDOFLIST),
    ZV(ReturnCode, TWRC_INFONOTSUPPORTED),
    ZV(ReturnCode, TWRC_DATANOTAVAILABLE),

    ZV(ConditionCode, TWCC_SUCCESS),
    ZV(ConditionCode, TWCC_BUMMER),
    ZV(ConditionCode, TWCC_LOWMEMORY),
    ZV(ConditionCode, TWCC_NODS),
    ZV(ConditionCode, TWCC_MAXCONNECTIONS),
    ZV(ConditionCode, TWCC_OPERATIONERROR),
    ZV(ConditionCode, TWCC_BADCAP),
    ZV(ConditionCode, TWCC_BADPROTOCOL),
    ZV(ConditionCode, TWCC_BADVALUE),
    ZV(ConditionCode, TWCC_SEQERROR),
    ZV(ConditionCode, TWCC_BADDEST),
    ZV(ConditionCode, TWCC_CAPUNSUPPORTED),
    ZV(ConditionCode, TWCC_CAPBADOPERATION),
    ZV(ConditionCode, TWCC_CAPSEQERROR),
    ZV(ConditionCode, TWCC_DENIED),
    ZV(ConditionCode, TWCC_FILEEXISTS),
    ZV(ConditionCode, TWCC_FILENOTFOUND),
    ZV(ConditionCode, TWCC_NOTEMPTY),
    ZV(ConditionCode, TWCC_PAPERJAM),
    ZV(ConditionCode, TWCC_PAPERDOUBLEFEED),
    ZV(ConditionCode, TWCC_FILEWRITEERROR),
    ZV(ConditionCode, TWCC_CHECKDEVICEONLINE),

    ZV(ItemType, TWTY_INT8),
    ZV(ItemType, TWTY_INT16),
    ZV(ItemType, TWTY_INT32),
    ZV(ItemType, TWTY_UINT8),
    ZV(ItemType, TWTY_UINT16),
    ZV(ItemType, TWTY_UINT32),
    ZV(ItemType, TWTY_BOOL),
    ZV(ItemType, TWTY_FIX32),
    ZV(ItemType, TWTY_FRAME),
    ZV(ItemType, TWTY_STR32),
    ZV(ItemType, TWTY_STR64),
    ZV(ItemType, TWTY_STR128),
    ZV(ItemType, TWTY_STR255),
};

#undef ZV

const char *prefix_of(NameKind kind) {
    switch (kind) {
    case NameKind::DataGroup:
        return "DG_";
    case NameKind::DataType:
        return "DAT_";
    case NameKind::Message:
        return "MSG_";
    case NameKind::Capability:
        return "CAP_";
    case NameKind::ReturnCode:
        return "TWRC_";
    case NameKind::ConditionCode:
        return "TWCC_";
    case NameKind::ItemType:
        return "TWTY_";
    }
    return "";
}

std::optional<uint32_t> parse_number(const std::string &text) {
    if (text.empty())
        return std::nullopt;
    const char *begin = text.c_str();
    char *end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned long value = std::strtoul(begin, &end, hex ? 16 : 10);
    if (*end != '\0' || text[0] == '-' || value > 0xFFFFFFFFul)
        return std::nullopt;
    return uint32_t(value);
}

} // namespace

std::string twain_name(NameKind kind, uint32_t value) {
    for (const auto &entry : kNames)
        if (entry.kind == kind && entry.value == value)
            return entry.name;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s0x%04X", prefix_of(kind), unsigned(value));
    return buffer;
}

std::optional<uint32_t> twain_value(NameKind kind, const std::string &name) {
    for (const auto &entry : kNames)
        if (entry.kind == kind && name == entry.name)
            return entry.value;
    return parse_number(name);
}

} // namespace zelvirt

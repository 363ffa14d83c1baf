#include "identity.h"

#include <algorithm>
#include <cstring>

namespace zelvirt {
namespace {

void copy_text(TW_STR32 field, const std::string &text) {
    std::memset(field, 0, sizeof(TW_STR32));
    std::memcpy(field, text.data(), std::min(text.size(), sizeof(TW_STR32) - 1));
}

} // namespace

void describe_source(const SourceSpec &spec, TW_IDENTITY &identity) {
    identity.Version.MajorNum = TW_UINT16(spec.version_major);
    identity.Version.MinorNum = TW_UINT16(spec.version_minor);
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_USA;
    copy_text(identity.Version.Info, spec.version_info);
    identity.ProtocolMajor = spec.twain2 ? 2 : TWON_PROTOCOLMAJOR;
    identity.ProtocolMinor = spec.twain2 ? 4 : TWON_PROTOCOLMINOR;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE | (spec.twain2 ? DF_DS2 : 0);
    copy_text(identity.Manufacturer, spec.manufacturer);
    copy_text(identity.ProductFamily, spec.family);
    copy_text(identity.ProductName, spec.name);
}

} // namespace zelvirt

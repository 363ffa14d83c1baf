// The TW_IDENTITY of a device of the scenario, as the manager lists it and
// the source answers it.
#pragma once

#include "scenario.h"

#include <twain.h>

namespace zelvirt {

// Fills an identity with the device's description, keeping its Id.  A
// device of the "twain2" key says DF_DS2 and protocol 2.4.
void describe_source(const SourceSpec &spec, TW_IDENTITY &identity);

} // namespace zelvirt

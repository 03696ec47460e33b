#pragma once
// Property blobs as the scan keeps them: a blob is an OLE value of the
// catalogue, so it lies in a file of the working folder whose path is the
// value's text.
#include <cstdint>
#include <string>
#include <vector>

#include "format/jet_layout.h"
#include "format/property_blob.h"

namespace tarvex::engine {

// The objects of the blob in the file at `path`; none when the file is
// missing, empty or longer than any blob. `codePage` decodes Jet 3 names.
std::vector<format::PropertyObject> ReadPropertyFile(const std::u16string& path,
                                                     format::JetVersion version,
                                                     uint16_t codePage);

}  // namespace tarvex::engine

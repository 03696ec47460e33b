#pragma once
// The OLE file-name list: every OLE object file a repair wrote, one value
// record (the table data file's record form) per file, so that deleting the
// model can delete the files again.
#include <string>

namespace tarvex::model {

// Appends one record with `path` to the list, creating the list when missing.
// The list is opened, appended to and closed again on every call.
void AppendOleFileName(const std::u16string& path);

}  // namespace tarvex::model

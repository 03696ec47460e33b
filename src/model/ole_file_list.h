#pragma once
// The OLE object files of a repair: every OLE object goes to a file of its own
// in the working folder, and the OLE file-name list names each of them (one
// value record, the table data file's record form, per file), so that deleting
// the model can delete the files again.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::model {

// Appends one record with `path` to the list, creating the list when missing.
// The list is opened, appended to and closed again on every call.
void AppendOleFileName(const std::u16string& path);

// Replaces `bytes` with the content of the OLE object file at `path` (its room is reused); false,
// with the system's reason in `failure`, when the file cannot be opened or read whole.
bool ReadOleObjectFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                       std::string& failure);

}  // namespace tarvex::model

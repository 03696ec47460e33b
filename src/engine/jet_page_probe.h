#pragma once
// Whether a file holds anything of an Access database at all, so that an
// empty file, random bytes or another kind of file is told apart from a
// damaged database before a scan reports "0 tables" as if it had succeeded.
#include <filesystem>

namespace tarvex::engine {

// True when some page of the file, in the Jet 3 or the Jet 4 layout, is a
// header page naming its engine, a data page owned by a page inside the
// file, or a table definition whose counts fit its page. False also when the
// file cannot be read.
bool HasJetPage(const std::filesystem::path& path);

}  // namespace tarvex::engine

#pragma once
// The recovered database model: every table the scan found and the saved-query
// catalogue. It holds the working folder while it lives; deleting it deletes
// its table data files and OLE object files.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "format/database_format.h"
#include "format/index_key.h"
#include "format/property_blob.h"
#include "model/ctlist.h"
#include "model/query_sys_object.h"
#include "model/table_list.h"

namespace tarvex::model {

// The file that lists every OLE object file a repair wrote, one path per record.
std::filesystem::path OleFileNameListPath();

class CAccessData {
 public:
  CAccessData();
  CAccessData(const CAccessData&) = delete;
  CAccessData& operator=(const CAccessData&) = delete;
  ~CAccessData();

  CAccessTableList tableList;
  CTList<CQuerySysObject> queryObjectList;
  // How the source's indexes key characters beyond U+00FF, so that the
  // repaired file's indexes can key them the same way.
  format::TextKeyCodes textKeyCodes;
  // The code page the source's header names (its Jet 3 text is stored in it).
  uint16_t codePage = 1252;
  // The format the source was written in, which the repaired file keeps.
  format::DatabaseFormat sourceFormat = format::DatabaseFormat::kJet4;
  // The properties of the database itself (its name empty) and of its
  // documents (SummaryInfo, UserDefined), as the source stores them.
  std::vector<format::PropertyObject> databaseProperties;
  bool databasePropertiesRead = false;  // the catalogue has the database object's row
  // File offsets of the pages the scan for table data could not read; whose
  // they were is not known.
  std::vector<uint64_t> unreadablePages;
  // What the scan found of the file, so that one that recovers no table can say what it saw.
  struct PagesFound {
    uint64_t pages = 0;        // of the layout's size
    uint64_t dataPages = 0;    // with the data-page signature, whatever their owner
    uint64_t definitions = 0;  // first pages of table definitions
  } pagesFound;

 private:
  void RemoveOleObjectFiles();
};

}  // namespace tarvex::model

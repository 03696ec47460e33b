#include "model/access_data.h"

#include "model/table_data_file.h"
#include "model/working_folder.h"

namespace tarvex::model {

std::filesystem::path OleFileNameListPath() { return WorkingFolder::Path() / "OleFileNameData"; }

CAccessData::CAccessData() { WorkingFolder::Acquire(); }

CAccessData::~CAccessData() {
  tableList = CAccessTableList();
  queryObjectList.Clear();
  RemoveOleObjectFiles();
  WorkingFolder::Release();
}

void CAccessData::RemoveOleObjectFiles() {
  const auto listPath = OleFileNameListPath();
  CDataFileReader list(listPath);
  std::error_code ignored;
  if (list.Open()) {
    const auto folder = WorkingFolder::Path();
    std::u16string name;
    while (list.ReadTextRecord(name)) {
      const std::filesystem::path path(name);
      // Only files of our own folder: the list is ours, but a path is checked before deleting.
      if (path.parent_path() / "" == folder) std::filesystem::remove(path, ignored);
    }
    list.Close();
  }
  std::filesystem::remove(listPath, ignored);
}

}  // namespace tarvex::model

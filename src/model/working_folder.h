#pragma once
// Where a repair keeps its temporary files: the table data files, OLE object
// files and the OLE file-name list. Each process gets a folder of its own
// under the base folder ($TARVEX_WORK_DIR, else $XDG_CACHE_HOME/TarvexforAccess,
// else ~/.cache/TarvexforAccess), so two repairs never share a file. The folder
// lives while any recovered model does and is removed with the last one; the
// process holds a lock on a file in it meanwhile, and a folder is swept as
// abandoned only once nobody holds that lock.
#include <filesystem>
#include <string>

namespace tarvex::model {

class WorkingFolder {
 public:
  // The process's folder, created on first use; the returned path names a
  // folder. When none can be made it names a place where nothing can be
  // created, so that every file a repair would write there fails.
  static std::filesystem::path Path();
  // Whether the process has a folder of its own (made now if need be).
  static bool Available();
  // The base folder under which each process makes its own.
  static std::filesystem::path Base();

  // Models hold the folder: the last release removes it and everything in it.
  static void Acquire();
  static void Release();
};

// Creates every missing level of `path`; levels that exist, and failures, are passed over.
void CreateFolderPath(const std::filesystem::path& path);

// A fresh random GUID in lower-case 8-4-4-4-12 form, no braces.
std::u16string NewGuidText();

// True when the name's first character is not zero (an unnamed column is not).
bool NamePresent(const std::u16string& name);

}  // namespace tarvex::model

#pragma once
// The names of the files the window offers to open and save.
#include <QString>
#include <string>

namespace tarvex::shell {

// The filter of the dialogs that choose a damaged or a template file.
inline const QString kAccessFilesFilter = QStringLiteral("MS Access Files (*.mdb *.accdb)");

// True when the file name ends in ".mdb" or ".accdb", in any case.
bool IsAccessFileName(const QString& path);

// A dialog filter of the form "Description (*.a;*.b)|*.a;*.b||" as a Qt dialog
// filter, "Description (*.a *.b)".
QString DialogFilter(const std::string& filter);

}  // namespace tarvex::shell

#pragma once
// The engine names row locations as the format does.
#include "format/row_pointer.h"

namespace tarvex::dao {

using RowPointer = format::RowPointer;

}  // namespace tarvex::dao

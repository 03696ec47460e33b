#pragma once
// Learning how Access keys text beyond U+00FF: the source's own text indexes
// hold such keys, each next to the place of its row, whose text we can read.
#include "engine/definition_scan.h"
#include "model/access_data.h"

namespace tarvex::engine {

// For every table holding text beyond Latin-1, walks each of its indexes (as
// the definition file holds them) that keys a General-sorted text column, and
// learns from every entry whose row that file still holds. Jet 3 files key
// text otherwise and teach nothing. Each page is read at most once per index.
void LearnTextKeys(const ScanContext& context, model::CAccessData& model);

}  // namespace tarvex::engine

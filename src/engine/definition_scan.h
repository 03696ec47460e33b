#pragma once
// Step 1 and the definition parse: finding table-definition pages in the
// definition file, dropping continuation pages, and reading each definition
// into the model.
#include <filesystem>

#include "engine/page_heads.h"
#include "engine/process_file.h"
#include "engine/table_definition.h"
#include "format/jet_layout.h"
#include "model/access_data.h"
#include "model/job.h"

namespace tarvex::engine {

struct ScanContext {
  const format::JetLayout& layout;
  const ScanSettings& settings;
  model::Job& job;  // tested for a stop, and told the progress
  std::filesystem::path dataFile;
  std::filesystem::path definitionFile;
  NameDecoder decodeJet3Name;
  // Where step 1 keeps the page headers step 2 takes, when both read one file; none: each reads.
  PageHeads* pageHeads = nullptr;
};

bool ScanTableDefinitions(const ScanContext& context, model::CAccessData& model);
bool RemoveContinuationDefinitions(const ScanContext& context, model::CAccessData& model);
bool ParseTableDefinitions(const ScanContext& context, model::CAccessData& model);
bool SortColumns(const model::Job& job, model::CAccessData& model);

}  // namespace tarvex::engine

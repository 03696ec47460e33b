#include "engine/process_file.h"

#include "engine/data_page_scan.h"
#include "engine/definition_scan.h"
#include "engine/record_extraction.h"
#include "engine/step_progress.h"
#include "engine/table_names.h"
#include "engine/text_key_learning.h"
#include "format/code_page.h"
#include "model/complex_columns.h"

namespace tarvex::engine {
namespace {

uint16_t FileCodePage(const std::filesystem::path& path) {
  CDBFileReader reader;
  CErrorHandler error;
  return reader.Open(path, error) ? DatabaseCodePage(reader) : format::kDefaultCodePage;
}

ScanContext Context(const format::JetLayout& layout, const ScanSettings& settings, model::Job& job,
                    const std::filesystem::path& data, const std::filesystem::path& definitions,
                    PageHeads* pageHeads = nullptr) {
  ScanContext context{layout, settings, job, data, definitions, {}, pageHeads};
  if (layout.version == format::JetVersion::kJet3) {
    const uint16_t codePage = FileCodePage(definitions);
    context.decodeJet3Name = [codePage](format::Bytes bytes) {
      return format::DecodeCodePage(bytes, codePage);
    };
  }
  return context;
}

}  // namespace

bool CAccessProcessFileLayout::ScanTableDefinitions(model::CAccessData& model) {
  model.codePage = FileCodePage(definitionFile_);
  return engine::ScanTableDefinitions(
      Context(layout_, settings_, *job_, dataFile_, definitionFile_, &pageHeads_), model);
}

bool CAccessProcessFileLayout::RemoveContinuationDefinitions(model::CAccessData& model) {
  return engine::RemoveContinuationDefinitions(
      Context(layout_, settings_, *job_, dataFile_, definitionFile_), model);
}

bool CAccessProcessFileLayout::ScanDataPages(model::CAccessData& model) {
  const bool scanned = engine::ScanDataPages(
      Context(layout_, settings_, *job_, dataFile_, definitionFile_, &pageHeads_), model);
  pageHeads_.Reset(0);
  return scanned;
}

bool CAccessProcessFileLayout::ParseTableDefinitions(model::CAccessData& model) {
  return engine::ParseTableDefinitions(
      Context(layout_, settings_, *job_, dataFile_, definitionFile_), model);
}

bool CAccessProcessFileLayout::SortColumns(model::CAccessData& model) {
  return engine::SortColumns(*job_, model);
}

bool CAccessProcessFileLayout::ExtractRecords(model::CAccessData& model) {
  const auto context = Context(layout_, settings_, *job_, dataFile_, definitionFile_);
  if (!engine::ExtractRecords(context, model)) return false;
  // Only now is it known which tables hold text that Access keys by codes we must learn.
  LearnTextKeys(context, model);
  return true;
}

bool CAccessProcessFileLayout::RecoverTableNames(model::CAccessData& model) {
  return engine::RecoverTableNames(Context(layout_, settings_, *job_, dataFile_, definitionFile_),
                                   model);
}

bool CAccessProcessFileJet4::PostProcessComplexColumns(model::CAccessData& model) {
  if (!job_->Running()) return false;
  return model::ApplyComplexColumns(model);
}

}  // namespace tarvex::engine

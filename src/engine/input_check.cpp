#include "engine/input_check.h"

#include "engine/db_file_reader.h"
#include "engine/jet_page_probe.h"
#include "format/unicode.h"
#include "model/error_handler.h"

namespace tarvex::engine {

std::optional<std::string> WhyNotRepairable(const std::filesystem::path& path) {
  CDBFileReader reader;
  model::CErrorHandler error;
  if (!reader.Open(path, error)) return format::ToUtf8(error.Message());
  if (!HasJetPage(path)) return "not an Access database: no page of it is a Jet page";
  return std::nullopt;
}

}  // namespace tarvex::engine

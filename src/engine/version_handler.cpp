#include "engine/version_handler.h"

#include <algorithm>
#include <array>

#include "engine/db_file_reader.h"
#include "format/database_header.h"

namespace tarvex::engine {
namespace {

constexpr size_t kHeaderProbeLength = 512;
// Jet 3 definition pages are told by their four-byte signature, which no Jet 4
// page starts with; the system tables' definitions lie among the first pages.
constexpr int kJet3ProbePages = 64;

}  // namespace

bool CAccessVersionHandler::IsJet4Layout(const std::filesystem::path& path,
                                         const StopTest& stopRequested) {
  CDBFileReader reader;
  CErrorHandler error;
  if (!reader.Open(path, error)) return false;
  std::array<uint8_t, kHeaderProbeLength> header{};
  reader.ReadAt(0, header, error);
  const auto named = [&](std::string_view name) {
    return std::equal(name.begin(), name.end(), header.begin() + format::kEngineNameOffset);
  };
  // An intact header decides, even when the first definition pages are lost;
  // a damaged one (zeroed or garbled) cannot, and the pages are asked instead.
  return named(format::kJetEngineName) || named(format::kAceEngineName)
             ? header[format::kVersionOffset] != format::kJet3VersionByte
             : !HasJet3DefinitionPage(path, stopRequested);
}

bool CAccessVersionHandler::HasJet3DefinitionPage(const std::filesystem::path& path,
                                                  const StopTest& stopRequested) {
  const format::JetLayout& jet3 = format::kJet3Layout;
  CDBFileReader reader;
  CErrorHandler error;
  if (!reader.Open(path, error)) return true;
  const uint64_t size = reader.Size();
  bool found = false;
  for (int page = 0; page < kJet3ProbePages && !found; ++page) {
    const uint64_t offset = jet3.PageOffset(static_cast<uint32_t>(page));
    if (size < jet3.pageSize || offset > size - jet3.pageSize) break;
    if (stopRequested && stopRequested()) break;
    std::array<uint8_t, 4> signature{};
    if (!reader.ReadWhole(offset, signature)) break;
    found = std::equal(signature.begin(), signature.end(), jet3.tableDefSignature.begin());
  }
  return found;
}

}  // namespace tarvex::engine

#include "engine/version_handler.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "engine/db_file_reader.h"
#include "engine/jet_page_probe.h"
#include "format/database_header.h"

namespace tarvex::engine {
namespace {

constexpr size_t kHeaderProbeLength = 512;
// Jet 3 definition pages are told by their four-byte signature, which no Jet 4
// page starts with; the system tables' definitions lie among the first pages.
constexpr int kJet3ProbePages = 64;
// The pages show a layout when this many of them hold together in it, and more
// than twice as many as in the other.
constexpr uint32_t kFewestPagesShown = 2;

enum class Layout { kNone, kJet3, kJet4 };

const char* NameOf(Layout layout) {
  return layout == Layout::kJet3 ? "Jet 3 (2048-byte pages)" : "Jet 4 (4096-byte pages)";
}

Layout ShownBy(const LayoutEvidence& pages) {
  if (pages.jet3Pages >= kFewestPagesShown && pages.jet3Pages > 2 * pages.jet4Pages)
    return Layout::kJet3;
  if (pages.jet4Pages >= kFewestPagesShown && pages.jet4Pages > 2 * pages.jet3Pages)
    return Layout::kJet4;
  return Layout::kNone;
}

std::string Hex(uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0x0F];
}

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

LayoutDecision CAccessVersionHandler::DecideLayout(const std::filesystem::path& path,
                                                   const StopTest& stopRequested) {
  CDBFileReader reader;
  CErrorHandler error;
  if (!reader.Open(path, error)) return {};
  std::array<uint8_t, kHeaderProbeLength> header{};
  reader.ReadAt(0, header, error);
  const auto named = [&](std::string_view name) {
    return std::equal(name.begin(), name.end(), header.begin() + format::kEngineNameOffset);
  };
  const uint8_t version = header[format::kVersionOffset];
  // A header without its engine name is garbage, whatever its version byte.
  const bool engineNamed = named(format::kJetEngineName) || named(format::kAceEngineName);
  Layout said = Layout::kNone;
  if (engineNamed && version <= format::kLatestVersionByte)
    said = version == format::kJet3VersionByte ? Layout::kJet3 : Layout::kJet4;
  const LayoutEvidence pages = CountLayoutPages(reader, reader.Size());
  const Layout shown = ShownBy(pages);

  Layout chosen = said;
  std::string why;
  if (said == Layout::kNone || (shown != Layout::kNone && shown != said)) {
    const std::string told = !engineNamed ? "The header names no database engine"
                               : said == Layout::kNone
                                   ? "The header's version byte " + Hex(version) +
                                         " names no known format"
                                   : std::string("The header says ") + NameOf(said) +
                                         " (version byte " + Hex(version) + ")";
    const std::string counted = " (" + std::to_string(pages.jet4Pages) + " pages read as Jet 4, " +
                                std::to_string(pages.jet3Pages) + " as Jet 3)";
    if (shown != Layout::kNone) {
      chosen = shown;
      why = told + ", but the pages are laid out as " + NameOf(shown) + counted +
            ": the file is read as the pages show.";
    } else {
      chosen = HasJet3DefinitionPage(path, stopRequested) ? Layout::kJet3 : Layout::kJet4;
      why = told + " and the pages show no layout clearly" + counted + ": the file is read as " +
            NameOf(chosen) + ".";
    }
  }
  return {chosen == Layout::kJet4, Wide(why)};
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

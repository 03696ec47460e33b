// Page 0: the code page a scan reads its Jet 3 text with, and the checks our
// engine makes before it extends a file. Round trip: a header built for the
// format and code page read decodes to them again.
#include "dao/dao_exception.h"
#include "dao/header_page.h"
#include "format/header_mask.h"
#include "structure_input.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const format::Bytes page(data, size);
  const auto codePage = format::HeaderCodePage(page);
  if (size < format::kJet3Layout.pageSize) return 0;
  format::DatabaseFormat databaseFormat;
  try {
    databaseFormat = dao::CheckHeaderPage(page);
  } catch (const dao::DaoException&) {
    return 0;
  }
  FUZZ_CHECK(codePage.has_value());
  const auto built = dao::BuildHeaderPage(databaseFormat, *codePage);
  FUZZ_CHECK(built.size() == format::LayoutOf(databaseFormat).pageSize);
  FUZZ_CHECK(dao::CheckHeaderPage(built) == databaseFormat);
  FUZZ_CHECK(format::HeaderCodePage(built) == codePage);
  return 0;
}

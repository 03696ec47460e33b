// A property blob, Jet 3 ("KKD", names in a code page) and Jet 4 ("MR2").
// Round trip: the column properties read, written by our engine and read
// again, are the same properties.
#include "dao/dao_exception.h"
#include "dao/property_blob.h"
#include "format/property_blob.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// A few code pages of each kind the blobs of Jet 3 files name their properties in.
constexpr uint16_t kCodePages[] = {1252, 1251, 932, 936, 0, 65001};

std::vector<dao::ColumnProperties> ColumnsOf(const std::vector<format::PropertyObject>& objects) {
  std::vector<dao::ColumnProperties> columns;
  for (const auto& object : objects) {
    if (!object.column || object.properties.empty()) continue;
    dao::ColumnProperties column{object.name, {}};
    for (const auto& p : object.properties)
      column.properties.push_back({p.name, p.type, true, {p.data.begin(), p.data.end()}});
    columns.push_back(std::move(column));
  }
  return columns;
}

bool Same(const std::vector<dao::ColumnProperties>& a, const std::vector<dao::ColumnProperties>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].column != b[i].column || a[i].properties.size() != b[i].properties.size())
      return false;
    for (size_t k = 0; k < a[i].properties.size(); ++k) {
      const auto& p = a[i].properties[k];
      const auto& q = b[i].properties[k];
      if (p.name != q.name || p.type != q.type || p.data != q.data) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto version = in.Byte() & 1 ? format::JetVersion::kJet4 : format::JetVersion::kJet3;
  const uint16_t codePage = kCodePages[in.Byte() % std::size(kCodePages)];
  const format::Bytes blob = in.Rest();
  const auto objects = format::ReadPropertyBlob(blob, version, codePage);
  for (const auto& object : objects)
    for (const auto& p : object.properties)
      FUZZ_CHECK(p.data.data() >= blob.data() && p.data.data() + p.data.size() <= blob.data() + blob.size());

  const auto columns = ColumnsOf(objects);
  std::vector<uint8_t> encoded;
  try {
    encoded = dao::EncodePropertyBlob(columns, {version, codePage});
  } catch (const dao::DaoException&) {
    return 0;  // a name the code page cannot hold again
  }
  FUZZ_CHECK(Same(ColumnsOf(format::ReadPropertyBlob(encoded, version, codePage)), columns));
  return 0;
}

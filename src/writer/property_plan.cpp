#include "writer/property_plan.h"

#include <array>

#include "format/code_page.h"
#include "format/value_text.h"

namespace tarvex::writer {

dao::Property PlanProperty(const format::StoredProperty& stored, format::DatabaseFormat source,
                           uint16_t codePage) {
  dao::Property property{stored.name, stored.type, stored.ddl, {}, {}};
  if (!dao::IsTextProperty(stored.type)) {
    property.bytes = stored.data;
  } else if (source == format::DatabaseFormat::kJet3) {
    property.text = format::DecodeCodePage(stored.data, codePage);
  } else {
    property.text = format::DecodeJet4Text(stored.data);
  }
  return property;
}

int FormatOption(format::DatabaseFormat format) {
  static constexpr std::array<int, 7> kOptions{dao::kDbVersion30,  dao::kDbVersion40,
                                               dao::kDbVersion120, dao::kDbVersion140,
                                               dao::kDbVersion150, dao::kDbVersion160,
                                               dao::kDbVersion170};
  return kOptions[format::VersionByteOf(format)];
}

}  // namespace tarvex::writer

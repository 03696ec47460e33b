#include "format/database_format.h"

#include <array>

namespace tarvex::format {

std::string_view FormatName(DatabaseFormat format) {
  static constexpr std::array<std::string_view, 7> kNames{"JET3",  "JET4",  "ACE12", "ACE14",
                                                          "ACE15", "ACE16", "ACE17"};
  return kNames[VersionByteOf(format)];
}

}  // namespace tarvex::format

// A property blob, Jet 3 ("KKD", names in a code page) and Jet 4 ("MR2").
// Round trip: the properties read, written again and read once more, are the
// same properties.
#include "format/property_blob.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// A few code pages of each kind the blobs of Jet 3 files name their properties in.
constexpr uint16_t kCodePages[] = {1252, 1251, 932, 936, 0, 65001};

// The objects that hold a property: an object without one is not written again.
std::vector<format::PropertyObject> WithProperties(std::vector<format::PropertyObject> objects) {
  std::erase_if(objects, [](const auto& object) { return object.properties.empty(); });
  return objects;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto version = in.Byte() & 1 ? format::JetVersion::kJet4 : format::JetVersion::kJet3;
  const uint16_t codePage = kCodePages[in.Byte() % std::size(kCodePages)];
  const auto objects = WithProperties(format::ReadPropertyBlob(in.Rest(), version, codePage));
  const auto encoded = format::EncodePropertyBlob(objects, version, codePage);
  if (!encoded) return 0;  // a name the code page cannot hold again, or data too long
  FUZZ_CHECK(WithProperties(format::ReadPropertyBlob(*encoded, version, codePage)) == objects);
  return 0;
}

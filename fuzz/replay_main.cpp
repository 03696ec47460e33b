// Replays the kept inputs of the in-memory fuzz targets without libFuzzer, so
// that every build (the sanitized one above all) runs them as tests:
//   fuzz_replay TARGET FOLDER
// runs TARGET on every file in FOLDER. A broken round trip aborts, and the
// sanitizers report what they find, with the input's name printed first.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#define TARVEX_FUZZ_TARGET(name) extern "C" int FuzzTarget_##name(const uint8_t*, size_t);
#include "fuzz_targets.inc"
#undef TARVEX_FUZZ_TARGET

namespace {

struct Target {
  const char* name;
  int (*run)(const uint8_t*, size_t);
};

constexpr Target kTargets[] = {
#define TARVEX_FUZZ_TARGET(name) {#name, FuzzTarget_##name},
#include "fuzz_targets.inc"
#undef TARVEX_FUZZ_TARGET
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_replay TARGET FOLDER\n");
    return 2;
  }
  const auto target = std::find_if(std::begin(kTargets), std::end(kTargets),
                                   [&](const Target& t) { return std::strcmp(t.name, argv[1]) == 0; });
  if (target == std::end(kTargets)) {
    std::fprintf(stderr, "no fuzz target %s\n", argv[1]);
    return 2;
  }
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(argv[2]))
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  for (const auto& path : inputs) {
    std::fprintf(stderr, "%s\n", path.filename().c_str());
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    target->run(bytes.data(), bytes.size());
  }
  std::printf("%s: %zu inputs replayed\n", target->name, inputs.size());
  return inputs.empty() ? 1 : 0;
}

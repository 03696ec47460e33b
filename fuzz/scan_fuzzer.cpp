// libFuzzer target: every input is written to a file and scanned whole, as a
// repair would, so that any crash, hang or sanitizer report in the scanner
// shows up with the bytes that caused it.
#include "fuzz_input.h"

namespace {

std::filesystem::path inputPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  inputPath = tarvex::fuzz::MakeScratchFolder() / "input.mdb";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvex::model::Job job;
  tarvex::engine::CAccessRepair repair(job, tarvex::engine::ScanSettings::WithoutPause());
  tarvex::fuzz::ScanInput(data, size, inputPath, job, repair);
  return 0;
}

#include "engine/repair_file_manager.h"

namespace tarvex::engine {

CMTRepairFileManager::~CMTRepairFileManager() { StopRepair(); }

void CMTRepairFileManager::StartRepair() {
  Wait();
  job_.Start();
  worker_ = std::thread([this] { WorkerBody(); });
}

void CMTRepairFileManager::StopRepair() {
  job_.Stop();
  Wait();
}

void CMTRepairFileManager::Wait() {
  if (worker_.joinable()) worker_.join();
}

void CMTRepairFileManager::WorkerBody() {
  RunRepairJob();
  job_.Stop();
}

bool CMTRepairFileManager::RunRepairJob() {
  lastResult_.reset();
  auto repair = std::make_unique<CAccessRepair>(job_, settings_);
  const auto& definitionPath = mode_.IsTemplateMode() ? templateFile_ : dataFile_;
  repair->Repair(dataFile_, definitionPath);
  if (!job_.Running()) return false;
  lastResult_ = std::move(repair);
  return true;
}

}  // namespace tarvex::engine

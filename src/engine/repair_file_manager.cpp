#include "engine/repair_file_manager.h"

#include "engine/job_status.h"

namespace tarvex::engine {

CMTRepairFileManager::~CMTRepairFileManager() { StopRepair(); }

void CMTRepairFileManager::StartRepair() {
  Wait();
  RepairingFileStatus().Set(true);
  worker_ = std::thread([this] { WorkerBody(); });
}

void CMTRepairFileManager::StopRepair() {
  RepairingFileStatus().Set(false);
  Wait();
}

void CMTRepairFileManager::Wait() {
  if (worker_.joinable()) worker_.join();
}

void CMTRepairFileManager::WorkerBody() {
  RepairThreadCounter().Increment();
  RunRepairJob();
  RepairingFileStatus().Set(false);
  RepairThreadCounter().Decrement();
}

bool CMTRepairFileManager::RunRepairJob() {
  lastResult_.reset();
  auto repair = std::make_unique<CAccessRepair>(settings_);
  const auto& definitionPath = mode_.IsTemplateMode() ? templateFile_ : dataFile_;
  repair->Repair(dataFile_, definitionPath);
  if (!RepairingFileStatus().IsRepairing()) return false;
  lastResult_ = std::move(repair);
  return true;
}

}  // namespace tarvex::engine

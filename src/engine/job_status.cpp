#include "engine/job_status.h"

namespace tarvex::engine {

CRepairingFileStatus& RepairingFileStatus() {
  static CRepairingFileStatus status;
  return status;
}

CProgressStatus& ProgressStatus() {
  static CProgressStatus status;
  return status;
}

CStatusProgress& StatusProgress() {
  static CStatusProgress status;
  return status;
}

CRepairThreadCounter& RepairThreadCounter() {
  static CRepairThreadCounter counter;
  return counter;
}

CSavingStatus& SavingStatus() {
  static CSavingStatus status;
  return status;
}

}  // namespace tarvex::engine

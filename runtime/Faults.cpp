#include "runtime/Faults.h"

#ifdef IE_FAULTS

#include <atomic>

namespace ie {
namespace {

// Plain atomics: the allocator asks before anything else is built.
std::atomic<bool> GArmed{false};
std::atomic<bool> GFired{false};
std::atomic<int64_t> GDue{0};
std::atomic<int64_t> GCalls{0};
std::atomic<TFaultSite> GSite{fsAllocation};

}  // namespace

bool FaultDue(TFaultSite Site) {
  if (!GArmed.load(std::memory_order_relaxed)) return false;
  if (GCalls.fetch_add(1, std::memory_order_relaxed) + 1 != GDue.load()) return false;
  GSite = Site;
  GFired = true;
  return true;
}

void ArmFaults(int64_t N) {
  GArmed = false;
  GCalls = 0;
  GFired = false;
  GDue = N;
  GArmed = true;
}

void DisarmFaults() { GArmed = false; }

int64_t FaultCalls() { return GCalls; }

TFaultSite FiredSite() { return GSite; }

bool FaultFired() { return GFired; }

}  // namespace ie

#endif

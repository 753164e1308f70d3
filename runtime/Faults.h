// Fault injection for the fault build (CMake option IE_FAULTS, `make
// faults`). The runtime asks FaultDue before each file open, read, write
// and close; the fault tests also ask it from their allocator and from the
// host callbacks they install. Armed with N, the Nth of those calls from
// then on answers true, once, and the caller fails the way the system would
// (an open that finds no file, a write to a full disk, an allocation that
// finds no memory, a host that raises). The countdown is process-wide, as
// the allocator is. In an ordinary build FaultDue is a constant false.
#pragma once

#include <cstdint>

namespace ie {

enum TFaultSite : uint8_t {
  fsAllocation,
  fsFileOpen,
  fsFileRead,
  fsFileWrite,
  fsFileClose,
  fsCallback
};

#ifdef IE_FAULTS

bool FaultDue(TFaultSite Site);
// Counts calls of FaultDue from 1 and fails call N; 0 counts without failing.
void ArmFaults(int64_t N);
void DisarmFaults();
// The calls counted since ArmFaults, whether the armed fault came and at
// which site.
int64_t FaultCalls();
bool FaultFired();
TFaultSite FiredSite();

#else

constexpr bool FaultDue(TFaultSite) { return false; }

#endif

}  // namespace ie

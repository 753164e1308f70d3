#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/Owned.h"
#include "runtime/ScopeGuard.h"

namespace ie {
namespace {

// Records its destruction phase, which only Free() runs.
class TRecorded : public TObject {
 public:
  explicit TRecorded(std::vector<std::string>& Log) : FLog(Log) {}
  void BeforeDestruction() override { FLog.push_back("freed"); }

 private:
  std::vector<std::string>& FLog;
};

TEST(Ownership, AHandleFreesWhatItStillHoldsAndHandsOnWhatItReleases) {
  std::vector<std::string> Log;
  { const TOwned<TRecorded> Held = MakeOwned<TRecorded>(Log); }
  EXPECT_EQ(Log, std::vector<std::string>{"freed"});
  TRecorded* Released = nullptr;
  {
    TOwned<TRecorded> Handed = MakeOwned<TRecorded>(Log);
    Released = Handed.release();
  }
  EXPECT_EQ(Log.size(), 1u);
  Released->Free();
  EXPECT_EQ(Log.size(), 2u);
}

TEST(Ownership, AGuardRunsOnEveryExitUnlessDismissed) {
  int Runs = 0;
  {
    const TScopeGuard Count([&] { ++Runs; });
  }
  EXPECT_EQ(Runs, 1);
  EXPECT_THROW(
      {
        const TScopeGuard Count([&] { ++Runs; });
        throw std::runtime_error("work failed");
      },
      std::runtime_error);
  EXPECT_EQ(Runs, 2);
  {
    TScopeGuard Count([&] { ++Runs; });
    Count.Dismiss();
  }
  EXPECT_EQ(Runs, 2);
}

TEST(Ownership, AGuardsFailureReachesTheCallerOnlyWhenNoOtherIsOnItsWay) {
  const auto FailingCleanup = [] { throw std::logic_error("cleanup failed"); };
  EXPECT_THROW({ const TScopeGuard Cleanup(FailingCleanup); }, std::logic_error);
  EXPECT_THROW(
      {
        const TScopeGuard Cleanup(FailingCleanup);
        throw std::runtime_error("work failed");
      },
      std::runtime_error);
}

}  // namespace
}  // namespace ie

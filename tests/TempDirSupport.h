// A fresh temporary directory for tests that touch files.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace ie {

// Made empty, removed with everything in it at the end of the test.
class TTempDir {
 public:
  TTempDir() : FPath(::testing::TempDir() + "ie_test_XXXXXX") {
    if (mkdtemp(FPath.data()) == nullptr) ADD_FAILURE() << "no temporary directory";
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir() { std::filesystem::remove_all(FPath); }

  const std::string& GetPath() const { return FPath; }
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  std::string FPath;
};

// While alive, no file of the process grows beyond Bytes: a write past the
// limit fails with EFBIG instead of raising SIGXFSZ.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &FFormer);
    FFormerHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit Limit = FFormer;
    Limit.rlim_cur = Bytes;
    setrlimit(RLIMIT_FSIZE, &Limit);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FFormer);
    signal(SIGXFSZ, FFormerHandler);
  }

 private:
  rlimit FFormer{};
  sighandler_t FFormerHandler;
};

// The names in Folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& Folder) {
  std::vector<std::string> Names;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
    Names.push_back(Entry.path().filename().string());
  }
  std::sort(Names.begin(), Names.end());
  return Names;
}

}  // namespace ie

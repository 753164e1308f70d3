// A fresh temporary directory for tests that touch files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

}  // namespace ie

// Runs every file of the directories (or the files) named on the command
// line through the fuzz entry once, so the corpus is replayed by an ordinary
// build under the sanitizers without the fuzzing engine.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(int ArgCount, char** Args) {
  std::vector<fs::path> Result;
  for (int I = 1; I < ArgCount; ++I) {
    const fs::path Path = Args[I];
    if (!fs::is_directory(Path)) {
      Result.push_back(Path);
      continue;
    }
    for (const auto& Entry : fs::directory_iterator(Path)) {
      if (Entry.is_regular_file()) Result.push_back(Entry.path());
    }
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

}  // namespace

int main(int ArgCount, char** Args) {
  const std::vector<fs::path> Files = Inputs(ArgCount, Args);
  if (Files.empty()) {
    std::cerr << "no inputs to replay\n";
    return 1;
  }
  for (const fs::path& File : Files) {
    std::ifstream Stream(File, std::ios::binary);
    const std::string Data((std::istreambuf_iterator<char>(Stream)),
                           std::istreambuf_iterator<char>());
    std::cout << File.filename().string() << std::endl;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(Data.data()), Data.size());
  }
  std::cout << Files.size() << " inputs replayed\n";
  return 0;
}

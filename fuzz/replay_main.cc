// Runs a fuzz target over the files given on the command line (a directory
// stands for every regular file in it, in name order), so that a crash file
// reproduces under a debugger or a sanitizer build without libFuzzer.
// Exits 1 when an argument cannot be read or names nothing.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_support.h"

namespace {

bool RunFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so an overread shows under ASan.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int ran = 0;
  bool ok = argc > 1;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(arg, error)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(arg, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      if (files.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", arg.c_str());
        ok = false;
      }
      for (const auto& file : files) {
        ok = RunFile(file) && ok;
        ++ran;
      }
    } else {
      ok = RunFile(arg) && ok;
      ++ran;
    }
  }
  std::printf("replayed %d inputs\n", ran);
  return ok ? 0 : 1;
}

// Replays a fuzz target's corpus without libFuzzer: every file named on the command line, and every
// file under every folder named there, is passed once to LLVMFuzzerTestOneInput. A fault shows as
// a crash, a sanitizer report or a failed check inside the target, so the CTest test fails.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool replayFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // A heap copy of exactly the input's size, so an overread is seen by the sanitizers.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int replayed = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(arg);
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      ok = replayFile(file) && ok;
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  if (replayed == 0) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  return ok ? 0 : 1;
}

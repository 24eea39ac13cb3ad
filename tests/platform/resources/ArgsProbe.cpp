// A command for the runner's tests: args_probe OUT CODE SLEEP_MS [ARG...] writes each ARG to OUT,
// each ended by a NUL, sleeps, and exits with CODE.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 4) return 100;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 101;
  for (int i = 4; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
  std::fclose(out);
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
  return std::atoi(argv[2]);
}

// Runs a fuzz target once on every file of the folders it is given, so that
// the normal build holds the seeds and the saved findings to the target's
// properties: a broken one aborts. A folder without inputs fails, so that a
// moved corpus cannot pass by running nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t total = 0;
  for (int k = 1; k < argc; ++k) {
    std::size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[k])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
      const std::size_t size = bytes.size();
      bytes.push_back('\0');  // never a null pointer, even for an empty input
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), size);
      ++inputs;
    }
    std::printf("%s: %zu inputs\n", argv[k], inputs);
    if (inputs == 0) return 1;
    total += inputs;
  }
  return total > 0 ? 0 : 1;
}

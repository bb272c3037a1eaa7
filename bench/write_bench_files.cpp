// Writes the comparison's coordinate files: FOLDER/img0.crd … img19.crd, 200,000 lines
// "x;y" each with three decimals and CR LF, values within 0–4000. Every image holds the same
// points scaled about the centre by its own factor, with a little measuring noise, so the
// tracks meet near (2000, 2000).
//
//   write_bench_files FOLDER
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_bench_files FOLDER\n");
    return 2;
  }
  constexpr int kImages = 20;
  constexpr int kPoints = 200000;
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> where(0, 4000), noise(-0.05, 0.05);
  std::vector<std::pair<double, double>> base(kPoints);
  for (auto& p : base) p = {where(rng), where(rng)};
  for (int k = 0; k < kImages; ++k) {
    const double scale = 1 - 0.02 * k;
    std::string text;
    char line[64];
    for (const auto& [x, y] : base) {
      const double px = 2000 + (x - 2000) * scale + noise(rng);
      const double py = 2000 + (y - 2000) * scale + noise(rng);
      const int n =
          std::snprintf(line, sizeof line, "%.3f;%.3f\r\n", px < 0 ? 0 : px, py < 0 ? 0 : py);
      text.append(line, static_cast<std::size_t>(n));
    }
    const std::string path = (folder / ("img" + std::to_string(k) + ".crd")).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0) {
      std::fprintf(stderr, "write_bench_files: cannot write %s\n", path.c_str());
      return 1;
    }
  }
}

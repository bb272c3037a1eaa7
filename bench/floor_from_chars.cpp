// The parsing floor of the comparison: every file read whole with one fread into a string,
// every x and y converted with std::from_chars and summed so that nothing is left out, on
// one thread. Checks nothing and keeps nothing.
//
//   floor_from_chars FILE.crd ...
#include <charconv>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  double sum = 0;
  long points = 0;
  for (int k = 1; k < argc; ++k) {
    std::FILE* file = std::fopen(argv[k], "rb");
    if (file == nullptr) return 1;
    std::fseek(file, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::fseek(file, 0, SEEK_SET);
    if (std::fread(text.data(), 1, text.size(), file) != text.size()) return 1;
    std::fclose(file);
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
      double x = 0, y = 0;
      p = std::from_chars(p, end, x).ptr;
      while (p < end && (*p == ' ' || *p == ';')) ++p;
      p = std::from_chars(p, end, y).ptr;
      while (p < end && (*p == '\r' || *p == '\n')) ++p;
      sum += x + y;
      ++points;
    }
  }
  std::printf("%ld points, sum %.6f\n", points, sum);
}

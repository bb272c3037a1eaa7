// The parsing floor of the comparison: every file read whole with one fread into a string,
// every x and y converted with std::from_chars and summed so that nothing is left out, on
// one thread. Checks nothing and keeps nothing.
//
//   floor_from_chars FILE.crd ...
#include <cstdio>
#include <string>

#include "bench/floor_parse.h"

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
    points += SumFromChars(text.data(), text.data() + text.size(), sum);
  }
  std::printf("%ld points, sum %.6f\n", points, sum);
}

#include "boards/board.h"

#include <cstdio>

namespace zirt {
namespace {

struct Named {
  const char* name;
  int size;
};

// OpenCV's predefined dictionaries in the order of their numbers.
constexpr Named kDictionaries[] = {
    {"DICT_4X4_50", 50},        {"DICT_4X4_100", 100},         {"DICT_4X4_250", 250},
    {"DICT_4X4_1000", 1000},    {"DICT_5X5_50", 50},           {"DICT_5X5_100", 100},
    {"DICT_5X5_250", 250},      {"DICT_5X5_1000", 1000},       {"DICT_6X6_50", 50},
    {"DICT_6X6_100", 100},      {"DICT_6X6_250", 250},         {"DICT_6X6_1000", 1000},
    {"DICT_7X7_50", 50},        {"DICT_7X7_100", 100},         {"DICT_7X7_250", 250},
    {"DICT_7X7_1000", 1000},    {"DICT_ARUCO_ORIGINAL", 1024}, {"DICT_APRILTAG_16h5", 30},
    {"DICT_APRILTAG_25h9", 35}, {"DICT_APRILTAG_36h10", 2320}, {"DICT_APRILTAG_36h11", 587},
};
constexpr int kDictionaryCount = sizeof(kDictionaries) / sizeof(kDictionaries[0]);
constexpr int kTag36h11Size = 587;

bool ParseCount(const std::string& text, int low, int& count) {
  if (text.empty() || text.size() > 3) return false;
  count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + (c - '0');
  }
  return count >= low && count <= 100;
}

bool ParseSize(const std::string& text, int low, int& cols, int& rows) {
  const auto x = text.find_first_of("xX");
  return x != std::string::npos && ParseCount(text.substr(0, x), low, cols) &&
         ParseCount(text.substr(x + 1), low, rows);
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

int Board::PointCount() const {
  return kind == BoardKind::kCharuco ? (cols - 1) * (rows - 1) : 4 * cols * rows;
}

int Board::MarkerCount() const {
  return kind == BoardKind::kCharuco ? cols * rows / 2 : cols * rows;
}

BoardXY Board::Point(int n) const {
  if (kind == BoardKind::kCharuco) return {double(n % (cols - 1) + 1), double(n / (cols - 1) + 1)};
  const int c = n % (2 * cols), r = n / (2 * cols);  // r counts up from the bottom edge
  const double pitch = 1 + tag_spacing;
  const double up = (r / 2) * pitch + (r % 2);
  return {tag_spacing + (c / 2) * pitch + (c % 2), rows * pitch - up};
}

BoardXY Board::Extent() const {
  if (kind == BoardKind::kCharuco) return {double(cols), double(rows)};
  // The squares at the outer corners reach a spacing beyond the tags on every side.
  const double pitch = 1 + tag_spacing;
  return {cols * pitch + tag_spacing, rows * pitch + tag_spacing};
}

std::string Board::Describe() const {
  const std::string size = std::to_string(cols) + "x" + std::to_string(rows);
  if (kind == BoardKind::kCharuco) return "charuco " + size + " " + DictionaryName(dictionary);
  return "aprilgrid " + size + " tag36h11 spacing " + Number(tag_spacing);
}

std::optional<Board> ParseCharuco(const std::string& text, std::string& error) {
  Board board;
  board.kind = BoardKind::kCharuco;
  board.dictionary = kDefaultCharucoDictionary;
  const auto colon = text.find(':');
  if (!ParseSize(text.substr(0, colon), 3, board.cols, board.rows)) {
    error = "bad board size " + text.substr(0, colon) + " (COLSxROWS squares, 3 to 100 each)";
    return std::nullopt;
  }
  if (colon != std::string::npos) {
    board.dictionary = DictionaryByName(text.substr(colon + 1));
    if (board.dictionary < 0) {
      error = "unknown dictionary " + text.substr(colon + 1) +
              " (one of OpenCV's, such as DICT_5X5_100)";
      return std::nullopt;
    }
  }
  if (board.MarkerCount() > DictionarySize(board.dictionary)) {
    error = "a " + text.substr(0, colon) + " board needs " + std::to_string(board.MarkerCount()) +
            " markers; " + DictionaryName(board.dictionary) + " has " +
            std::to_string(DictionarySize(board.dictionary));
    return std::nullopt;
  }
  return board;
}

std::optional<Board> ParseAprilGrid(const std::string& text, double tag_spacing,
                                    std::string& error) {
  Board board;
  board.kind = BoardKind::kAprilGrid;
  board.tag_spacing = tag_spacing;
  if (!ParseSize(text, 1, board.cols, board.rows)) {
    error = "bad board size " + text + " (COLSxROWS tags, 1 to 100 each)";
    return std::nullopt;
  }
  if (board.MarkerCount() > kTag36h11Size) {
    error = "a " + text + " grid needs " + std::to_string(board.MarkerCount()) +
            " tags; tag36h11 has " + std::to_string(kTag36h11Size);
    return std::nullopt;
  }
  return board;
}

int DictionaryByName(const std::string& name) {
  for (int k = 0; k < kDictionaryCount; ++k)
    if (name == kDictionaries[k].name) return k;
  return -1;
}

std::string DictionaryName(int dictionary) {
  return dictionary >= 0 && dictionary < kDictionaryCount ? kDictionaries[dictionary].name : "?";
}

int DictionarySize(int dictionary) {
  return dictionary >= 0 && dictionary < kDictionaryCount ? kDictionaries[dictionary].size : 0;
}

}  // namespace zirt

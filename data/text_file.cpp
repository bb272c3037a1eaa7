#include "data/text_file.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zirt {
namespace {

bool IsAscii(const char* data, std::size_t size) {
  // Eight bytes at a time: coordinate files are long and almost always plain ASCII.
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

void AppendEncoded(std::string& out, const std::string& line) {
  if (IsAscii(line.data(), line.size())) {
    out += line;
    return;
  }
  QStringEncoder encoder("windows-1251");
  const QByteArray bytes = encoder(QString::fromStdString(line));
  out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

// The code page maps all 256 bytes one to one, so any file survives a read and a write.
std::string DecodeText(std::string bytes) {
  if (IsAscii(bytes.data(), bytes.size())) return bytes;
  QStringDecoder decoder("windows-1251");
  return QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
      .toStdString();
}

std::string ReadTextFile(const std::string& path) {
  return DecodeText(ReadFileBytes(path));
}

TextLines SplitLines(std::string_view text) {
  TextLines lines;
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TextLines ReadLines(const std::string& path) {
  return SplitLines(ReadTextFile(path));
}

std::string EncodeLines(const TextLines& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    AppendEncoded(bytes, line);
    bytes += "\r\n";
  }
  return bytes;
}

void WriteLines(const std::string& path, const TextLines& lines) {
  WriteFileAtomic(path, EncodeLines(lines));
}

std::string ShortName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace zirt

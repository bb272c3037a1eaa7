#include "data/text_file.h"

#include <QFile>
#include <QSaveFile>
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

// The code page maps all 256 bytes one to one, so any file survives a read and a write.
std::string Decode(std::string bytes) {
  if (IsAscii(bytes.data(), bytes.size())) return bytes;
  QStringDecoder decoder("windows-1251");
  return QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
      .toStdString();
}

void AppendEncoded(QByteArray& out, const std::string& line) {
  if (IsAscii(line.data(), line.size())) {
    out.append(line.data(), static_cast<qsizetype>(line.size()));
    return;
  }
  QStringEncoder encoder("windows-1251");
  out.append(encoder(QString::fromStdString(line)));
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw EFileError("Cannot open file " + path);
  std::string bytes;
  // Read straight into the string; a file whose size is unknown (a pipe) is read in pieces.
  const qint64 size = file.size();
  if (size > 0) {
    bytes.resize(static_cast<std::size_t>(size));
    bytes.resize(static_cast<std::size_t>(std::max<qint64>(0, file.read(bytes.data(), size))));
  }
  for (char chunk[65536];;) {
    const qint64 got = file.read(chunk, sizeof chunk);
    if (got <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  if (file.error() != QFileDevice::NoError) throw EFileError("Cannot read file " + path);
  return Decode(std::move(bytes));
}

TextLines ReadLines(const std::string& path) {
  TextLines lines;
  ForEachLine(ReadTextFile(path), [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void WriteLines(const std::string& path, const TextLines& lines) {
  QByteArray bytes;
  for (const std::string& line : lines) {
    AppendEncoded(bytes, line);
    bytes.append("\r\n", 2);
  }
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw EFileError("Cannot create file " + path);
}

std::string ShortName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace zirt

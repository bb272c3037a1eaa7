#include "data/text_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace zirt {
namespace {

bool IsAscii(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

// The code page maps all 256 bytes one to one, so any file survives a read and a write.
std::string Decode(const QByteArray& bytes) {
  if (IsAscii(bytes.constData(), static_cast<std::size_t>(bytes.size())))
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  QStringDecoder decoder("windows-1251");
  return QString(decoder(bytes)).toStdString();
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
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw EFileError("Cannot read file " + path);
  return Decode(bytes);
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

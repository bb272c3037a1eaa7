// A folder for the fuzz targets' files, made once per process and removed at its end.
#pragma once

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zirt::fuzz {

inline const std::filesystem::path& TempFolder() {
  static const struct Folder {
    Folder() {
      path = std::filesystem::temp_directory_path() / ("zirt-fuzz-" + std::to_string(getpid()));
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
  } folder;
  return folder.path;
}

inline std::string WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = (TempFolder() / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  return path;
}

}  // namespace zirt::fuzz

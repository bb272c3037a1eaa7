#include "measure/measure_outputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "data/posix_file.h"
#include "measure/measure_run.h"

namespace zirt {
namespace {

namespace fs = std::filesystem;

// Outputs that would destroy an image or another image's result; returns whether any.
bool FindClashes(const std::vector<std::string>& images, const std::vector<std::string>& files,
                 std::ostream& err) {
  bool clash = false;
  std::vector<WritePlace> inputs(images.size());
  std::vector<bool> placed(images.size());
  for (std::size_t k = 0; k < images.size(); ++k)
    placed[k] = PlaceOf(images[k], &inputs[k]) == 0 && inputs[k].exists;
  // Outputs whose folder does not exist yet (in an --out to be made) are told apart by name.
  std::map<std::string, std::size_t> by_name;
  std::vector<std::pair<WritePlace, std::size_t>> places;
  for (std::size_t k = 0; k < files.size(); ++k) {
    WritePlace out;
    std::size_t other = files.size();
    if (PlaceOf(files[k], &out) == 0) {
      for (std::size_t i = 0; i < images.size(); ++i) {
        if (placed[i] && out.Overwrites(inputs[i])) {
          err << "zirt-measure: " << files[k] << " is the image " << images[i]
              << "; it would be written over\n";
          clash = true;
        }
      }
      for (const auto& [place, index] : places)
        if (place == out) other = index;
      places.emplace_back(out, k);
    } else {
      const std::string key = fs::absolute(files[k]).lexically_normal().string();
      if (const auto found = by_name.find(key); found != by_name.end()) other = found->second;
      by_name.emplace(key, k);
    }
    if (other != files.size()) {
      err << "zirt-measure: " << images[other] << " and " << images[k] << " would both write "
          << files[k] << "\n";
      clash = true;
    }
  }
  return clash;
}

// `--out`: a folder that exists or is made now. Returns the reason it cannot be, or empty.
std::string PrepareOutFolder(const std::string& out_dir, MadeFolders& made) {
  struct stat info;
  if (::lstat(out_dir.c_str(), &info) == 0) {
    if (::stat(out_dir.c_str(), &info) != 0)
      return SystemReason(errno) + " (a symbolic link to nothing)";
    return S_ISDIR(info.st_mode) ? std::string() : "not a folder";
  }
  if (errno != ENOENT) return SystemReason(errno);
  // Made from the outermost missing folder in, so a failed run can remove them again.
  std::vector<fs::path> missing;
  for (fs::path p = fs::path(out_dir).lexically_normal(); !p.empty() && p != p.root_path();
       p = p.parent_path()) {
    if (::lstat(p.c_str(), &info) == 0) break;
    missing.push_back(p);
    if (!p.has_parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0777) != 0) return SystemReason(errno);
    made.Add(it->string());
  }
  return {};
}

// A folder takes the files: it can be written, and a small file fits (a full disk).
std::string TakesFiles(const std::string& folder) {
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return SystemReason(errno);
  try {
    StagedFiles probe;
    probe.Stage(folder + "/.zirt-measure-probe", std::string(4096, '\n'));
  } catch (const EFileError& e) {
    return e.Reason();
  }
  return {};
}

}  // namespace

void MadeFolders::RemoveEmpty() {
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::rmdir(it->c_str());
  folders_.clear();
}

std::string CoordinateFileFor(const std::string& image, const std::string& out_dir) {
  const fs::path path(image);
  std::string stem = path.filename().string();
  if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  const fs::path folder = out_dir.empty() ? path.parent_path() : fs::path(out_dir);
  return (folder / (stem + ".crd")).string();
}

int PrepareOutputs(const std::vector<std::string>& images, const std::string& out_dir,
                   bool overwrite, std::vector<std::string>& files, MadeFolders& made,
                   std::ostream& err) {
  files.clear();
  for (const std::string& image : images) files.push_back(CoordinateFileFor(image, out_dir));
  if (FindClashes(images, files, err)) {
    err << "zirt-measure: nothing measured\n";
    return kMeasureUsage;
  }
  if (!out_dir.empty()) {
    if (const std::string reason = PrepareOutFolder(out_dir, made); !reason.empty()) {
      err << "zirt-measure: --out " << out_dir << ": " << reason << "; nothing measured\n";
      return kMeasureFailed;
    }
  }
  bool failed = false;
  std::set<std::string> folders;
  for (const std::string& file : files) folders.insert(FolderOf(file));
  for (const std::string& folder : folders) {
    if (const std::string reason = TakesFiles(folder); !reason.empty()) {
      err << "zirt-measure: the folder " << folder << " cannot take the files: " << reason << "\n";
      failed = true;
    }
  }
  if (!overwrite) {
    for (const std::string& file : files) {
      if (NameExists(file)) {
        err << "zirt-measure: " << file << " exists; give --overwrite to replace it\n";
        failed = true;
      }
    }
  }
  if (failed) {
    err << "zirt-measure: nothing measured\n";
    made.RemoveEmpty();
    return kMeasureFailed;
  }
  return kMeasureOk;
}

}  // namespace zirt

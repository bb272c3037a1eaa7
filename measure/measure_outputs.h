// zirt-measure's outputs named and checked before any image is measured: no output lands on an
// input image or on another image's output, the folders take files, existing files are kept.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zirt {

// The folders a run made for its outputs, removed again (while empty) when it fails.
class MadeFolders {
 public:
  void Add(std::string folder) { folders_.push_back(std::move(folder)); }
  void RemoveEmpty();

 private:
  std::vector<std::string> folders_;
};

// Where an image's file goes: STEM.crd (the image's name without its last extension) in
// `out_dir`, or beside the image when `out_dir` is empty.
std::string CoordinateFileFor(const std::string& image, const std::string& out_dir);

// Names the output `files` (files[k] for images[k], see CoordinateFileFor) and checks them and
// the folder `out_dir` (empty: beside the images), making `out_dir` when it is missing. Names
// every fault on `err` and returns the exit code: 2 for an output that is an input or is
// shared by two images, 1 for a folder that cannot take the files or an existing file without
// `overwrite`, 0 when all is well.
int PrepareOutputs(const std::vector<std::string>& images, const std::string& out_dir,
                   bool overwrite, std::vector<std::string>& files, MadeFolders& made,
                   std::ostream& err);

}  // namespace zirt

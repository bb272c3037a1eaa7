// Files replaced where the file system has no hard links (FAT, some network shares): link()
// fails with EPERM, so the old file is moved aside, and chosen renames fail. The linker's
// --wrap puts the failing calls between the file module and the system.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "data/posix_file.h"

extern "C" int __real_link(const char* from, const char* to);
extern "C" int __real_rename(const char* from, const char* to);

namespace {

struct Faults {
  bool no_links = false;
  std::set<int> failing_renames;  // Counted from 1 in the order they are asked for.
  int renames = 0;
} faults;

}  // namespace

extern "C" int __wrap_link(const char* from, const char* to) {
  if (!faults.no_links) return __real_link(from, to);
  errno = EPERM;
  return -1;
}

extern "C" int __wrap_rename(const char* from, const char* to) {
  if (faults.failing_renames.count(++faults.renames) != 0) {
    errno = EIO;
    return -1;
  }
  return __real_rename(from, to);
}

namespace zirt {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

struct Case {
  const char* what;
  bool links;                      // Whether the file system has hard links.
  std::vector<std::string> names;  // Each exists with "old NAME" and is staged "new NAME".
  std::set<int> failing_renames;   // Per old file: its move aside, then the new one's rename.
  bool fails;
  std::vector<std::string> after;    // Every name in the folder, the second names included.
  std::vector<std::string> content;  // Of each of `names` afterwards.
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.what;
}

class NoHardLinks : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirt-links-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    faults = {};
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_P(NoHardLinks, TheOldFileIsNeverLost) {
  const Case& c = GetParam();
  SCOPED_TRACE(c.what);
  StagedFiles staged;
  for (const std::string& name : c.names) {
    std::ofstream(folder_ / name, std::ios::binary) << "old " << name;
    staged.Stage(folder_ / name, "new " + name);
  }
  faults.no_links = !c.links;
  faults.failing_renames = c.failing_renames;
  std::string reason;
  try {
    staged.Commit();
  } catch (const EFileError& e) {
    reason = e.Reason();
  }
  EXPECT_EQ(!reason.empty(), c.fails) << reason;
  std::vector<std::string> after;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    const std::string name = entry.path().filename();
    after.push_back(name.ends_with(".old") ? "*.old" : name);
  }
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, c.after);
  for (std::size_t k = 0; k < c.names.size(); ++k)
    EXPECT_EQ(Read(folder_ / c.names[k]), c.content[k]) << c.names[k];
  // A file left under its second name is the only copy: the message says where it is.
  if (std::count(after.begin(), after.end(), "*.old") != 0) {
    EXPECT_NE(reason.find("kept as"), std::string::npos) << reason;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().extension() == ".old") {
        EXPECT_EQ(Read(entry.path()), "old a.crd");
      }
    }
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    StagedFiles, NoHardLinks,
    ::testing::Values(
        Case{"replaced", false, {"a.crd", "b.crd"}, {}, false,
             {"a.crd", "b.crd"}, {"new a.crd", "new b.crd"}},
        Case{"the new one's rename fails: the old one goes back to its name", false,
             {"a.crd"}, {2}, true, {"a.crd"}, {"old a.crd"}},
        Case{"the second file fails: both keep their old content", false,
             {"a.crd", "b.crd"}, {4}, true, {"a.crd", "b.crd"}, {"old a.crd", "old b.crd"}},
        Case{"with links, the new one's rename fails: no second name stays", true,
             {"a.crd"}, {1}, true, {"a.crd"}, {"old a.crd"}},
        Case{"the way back fails too: the old file stays under its second name", false,
             {"a.crd"}, {2, 3}, true, {"*.old"}, {"<missing>"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });
// clang-format on

}  // namespace
}  // namespace zirt

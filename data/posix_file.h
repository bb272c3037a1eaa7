// Files by their byte paths, as the system names them: reading a regular file whole, and
// replacing a file atomically so that neither a full disk nor a power cut loses its old text.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/exceptions.h"

namespace zirt {

// A file that could not be read or written. The message is the fixed text that names the
// file ("Cannot open file X"); the reason is the system's word on why, for the detail.
class EFileError : public Exception {
 public:
  explicit EFileError(std::string message, std::string reason = {})
      : Exception(std::move(message)), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }
  // The message followed by the reason, for places where only one line is shown.
  std::string Described() const { return reason_.empty() ? Message() : Message() + ": " + reason_; }

 private:
  std::string reason_;
};

// The system's text for an error number, in the language of the regional settings when the
// system has it.
std::string SystemReason(int error);

// Opens `path` for reading when it names a regular file, without waiting on a pipe that has
// no writer: the descriptor, or -1 with `*error` the error number (EISDIR for a folder,
// kNotRegularFile for anything else that is no regular file). `info`, when given, receives
// the file's status.
int OpenRegularFile(const std::string& path, int* error, struct stat* info = nullptr);

// Where ReadRegularFile puts a file's bytes.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Storage for at least `size` bytes whose first `kept` bytes are those given so far.
  virtual char* Room(std::size_t size, std::size_t kept) = 0;
};

// Why ReadRegularFile failed: in opening (a folder, a pipe, a device or no file; error
// kNotRegularFile for the pipe or device) or in reading, with the error number.
struct ReadFailure {
  bool reading = false;
  int error = 0;
};
inline constexpr int kNotRegularFile = -1;

// The one reader of whole files: the regular file at `path` into `sink`, sized once from the
// file and read on in doubling steps only if it grew meanwhile (or reports no size); `size`
// is how many bytes came. Anything but a regular file is refused before it is read, so
// nothing waits for a writer or reads without end. Returns the failure, if any.
std::optional<ReadFailure> ReadRegularFile(const std::string& path, ByteSink& sink,
                                           std::size_t& size);

// The whole content of a regular file, by ReadRegularFile. Raises EFileError "Cannot open file
// PATH" or "Cannot read file PATH" with the reason.
std::string ReadFileBytes(const std::string& path);

// Replaces the file at `path` by `bytes`: a symbolic link is followed to its target (also
// one whose target does not exist yet), the bytes go to a temporary file in the target's
// folder, which gets the old file's permissions (a new file those the umask allows), is
// synced and renamed over the target, and the folder is synced. Every error is checked
// before the rename, so a failed write leaves the old file whole and no temporary behind.
// Raises EFileError "Cannot create file PATH" with the reason.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Whether anything has this name: a file, a folder, or a symbolic link, dangling included.
bool NameExists(const std::string& path);

// Whether the name leads, through any links, to a regular file.
bool IsRegularFile(const std::string& path);

// Where a write to `path` lands, told apart from names that only look different: the folder
// by its device and inode (reached through any links, "." and ".."), the last name after any
// symbolic links at it are followed, and the file there when one exists.
struct WritePlace {
  dev_t folder_device = 0;
  ino_t folder_inode = 0;
  std::string name;
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const WritePlace& other) const {
    return folder_device == other.folder_device && folder_inode == other.folder_inode &&
           name == other.name;
  }
  // Whether writing here would write over the existing file `input`: the same name in the
  // same folder, or another name of the same file (a link).
  bool Overwrites(const WritePlace& input) const {
    return input.exists &&
           (*this == input || (exists && device == input.device && inode == input.inode));
  }
};

// The folder part of `path` ("." for a bare name), as bytes.
std::string FolderOf(const std::string& path);

// The place of `path`, or the error number when its folder cannot be reached (an output
// folder that does not exist yet has no place; its files can clash with nothing).
int PlaceOf(const std::string& path, WritePlace* place);

// Files replaced all or none, in two phases. Stage() writes each file whole to a temporary
// beside its target (links followed, as WriteFileAtomic does) and syncs it; Commit() then
// renames every temporary over its target in one short phase. A file that is replaced is
// first given a second name beside it (a hard link, never a copy in memory), so a failed
// rename can put it back and a kill during the phase leaves it there under that name. Where
// hard links are not had, the old file is renamed aside instead and renamed back on a failure.
// Destroyed without a Commit(), every temporary is removed.
class StagedFiles {
 public:
  StagedFiles() = default;
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;
  ~StagedFiles() { Discard(); }

  // Raises EFileError "Cannot create file PATH" with the reason; the target is not touched.
  void Stage(const std::string& path, std::string_view bytes);
  // Renames every staged file into place. On a failure the files already renamed get their
  // old content back (or are removed when they were new), the rest are discarded, and
  // EFileError names the file that failed.
  void Commit();
  // Removes the temporaries not yet renamed.
  void Discard();
  bool Empty() const { return staged_.empty(); }

 private:
  struct Staged {
    std::string path;    // As given, for messages.
    std::string target;  // Where the links lead.
    std::string temp;
    std::string aside;   // The old file's second name while the phase runs; empty when new.
    bool moved = false;  // The old file was renamed to `aside`, not linked: none at `target`.
  };
  std::vector<Staged> staged_;
};

}  // namespace zirt

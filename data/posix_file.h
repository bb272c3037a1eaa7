// Files by their byte paths, as the system names them: reading a regular file whole, and
// replacing a file atomically so that neither a full disk nor a power cut loses its old text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace zirt

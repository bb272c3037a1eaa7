// Files by their byte paths, as the system names them: reading a regular file whole, and
// replacing a file atomically so that neither a full disk nor a power cut loses its old text.
#pragma once

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

// The whole content of a regular file. Anything else (a folder, a pipe, a device) is refused
// before it is read, so nothing waits for a writer or reads without end. Raises EFileError
// "Cannot open file PATH" or "Cannot read file PATH" with the reason.
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

#include "data/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace zirt {
namespace {

constexpr const char* kNotRegular = "not a regular file";

// Closes a descriptor on every way out; Close() reports the error of a close that matters.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // 0, or the error number of the close: a network or full file system may report a lost
  // write only here.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = ::open(path, flags, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// The name a write lands on: symbolic links followed one by one, also the last one when its
// target does not exist, so the file is created where the link points.
std::string FollowLinks(const std::string& path, int* error) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t got = ::readlink(current.c_str(), target.data(), target.size());
    if (got < 0) {
      *error = errno;
      return {};
    }
    target.resize(static_cast<std::size_t>(got));
    current = target.front() == '/' ? target : FolderOf(current) + "/" + target;
  }
  *error = ELOOP;
  return {};
}

// A new temporary file beside `target`, readable and writable as far as the umask allows.
int CreateTemporary(const std::string& target, std::string* temp_path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  std::string name =
      target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  if (name.size() > 200) name.resize(200);  // Room for the suffix within a name's limit.
  for (int attempt = 0;; ++attempt) {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%x%x%lx.tmp", static_cast<unsigned>(::getpid()),
                  counter.fetch_add(1), static_cast<unsigned long>(now.tv_nsec));
    *temp_path = folder + "/." + name + suffix;
    const int fd = OpenRetrying(temp_path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST || attempt == 100) return fd;
  }
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(fd, bytes.data(), std::min<std::size_t>(bytes.size(), 1u << 30));
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (done == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return 0;
}

int SyncRetrying(int fd) {
  int result;
  do result = ::fsync(fd);
  while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

// Writes `bytes` whole to a new temporary beside `target`, with the old file's permissions,
// and syncs it; 0 or the error number (-1: a device or pipe is at the target).
int WriteTemporary(const std::string& target, std::string_view bytes, std::string* temp) {
  struct stat old;
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) return EISDIR;
  if (replacing && !S_ISREG(old.st_mode)) return -1;  // A device or pipe is never replaced.
  // A file the user may not write stays, although its folder would let it be replaced.
  if (replacing && ::access(target.c_str(), W_OK) != 0) return errno;

  Descriptor file(CreateTemporary(target, temp));
  if (file.Get() < 0) return errno;
  int error = 0;
  if (replacing) {
    // The owner can be kept only by root; the permissions always.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(file.Get(), old.st_uid, old.st_gid);
    }
    if (::fchmod(file.Get(), old.st_mode & 07777) != 0) error = errno;
  }
  if (error == 0) error = WriteAll(file.Get(), bytes);
  if (error == 0) error = SyncRetrying(file.Get());
  const int close_error = file.Close();
  if (error == 0) error = close_error;
  if (error != 0) ::unlink(temp->c_str());
  return error;
}

int SyncFolder(const std::string& path) {
  Descriptor folder(OpenRetrying(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() < 0) return 0;
  const int error = SyncRetrying(folder.Get());
  return error == EINVAL || error == EROFS ? 0 : error;  // Not every file system syncs folders.
}

// The new name must reach the disk too, or a power cut could bring back the old file.
int SyncFolderOf(const std::string& target) {
  return SyncFolder(FolderOf(target));
}

// Writes the temporary file whole and renames it over the target; 0 or the error number.
int Replace(const std::string& target, std::string_view bytes) {
  std::string temp;
  if (const int error = WriteTemporary(target, bytes, &temp); error != 0) return error;
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return error;
  }
  return SyncFolderOf(target);
}

std::string ErrorText(int error) {
  return error < 0 ? kNotRegular : SystemReason(error);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SystemReason(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may or may not be in the buffer.
  return ::strerror_r(error, buffer, sizeof buffer);
}

int OpenRegularFile(const std::string& path, int* error, struct stat* info) {
  // Without O_NONBLOCK, opening a pipe that has no writer would wait forever.
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  struct stat own;
  struct stat& status = info != nullptr ? *info : own;
  *error = ::fstat(fd, &status) != 0  ? errno
           : S_ISDIR(status.st_mode)  ? EISDIR
           : !S_ISREG(status.st_mode) ? kNotRegularFile
                                      : 0;
  if (*error != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::optional<ReadFailure> ReadRegularFile(const std::string& path, ByteSink& sink,
                                           std::size_t& size) {
  size = 0;
  struct stat info;
  int error = 0;
  Descriptor file(OpenRegularFile(path, &error, &info));
  if (file.Get() < 0) return ReadFailure{false, error};

  // A byte more than the size, so that the read that finds the end needs no new room.
  std::size_t capacity = static_cast<std::size_t>(info.st_size) + 1;
  char* data = sink.Room(capacity, 0);
  std::size_t filled = 0;
  while (true) {
    if (filled == capacity) {
      capacity = std::max<std::size_t>(capacity * 2, 65536);
      data = sink.Room(capacity, filled);
    }
    const ssize_t got =
        ::read(file.Get(), data + filled, std::min<std::size_t>(capacity - filled, 1u << 30));
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadFailure{true, errno};
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  size = filled;
  return std::nullopt;
}

std::string ReadFileBytes(const std::string& path) {
  struct StringSink : ByteSink {
    char* Room(std::size_t size, std::size_t) override {
      bytes.resize(size);
      return bytes.data();
    }
    std::string bytes;
  } sink;
  std::size_t size = 0;
  if (const auto failure = ReadRegularFile(path, sink, size)) {
    throw EFileError((failure->reading ? "Cannot read file " : "Cannot open file ") + path,
                     ErrorText(failure->error));
  }
  sink.bytes.resize(size);
  return std::move(sink.bytes);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  int error = 0;
  const std::string target = FollowLinks(path, &error);
  if (error == 0) error = Replace(target, bytes);
  if (error != 0) throw EFileError("Cannot create file " + path, ErrorText(error));
}

bool NameExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

int PlaceOf(const std::string& path, WritePlace* place) {
  int error = 0;
  const std::string target = FollowLinks(path, &error);
  if (error != 0) return error;
  struct stat folder;
  if (::stat(FolderOf(target).c_str(), &folder) != 0) return errno;
  if (!S_ISDIR(folder.st_mode)) return ENOTDIR;
  place->folder_device = folder.st_dev;
  place->folder_inode = folder.st_ino;
  place->name = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  struct stat file;
  place->exists = ::stat(target.c_str(), &file) == 0;
  place->device = place->exists ? file.st_dev : 0;
  place->inode = place->exists ? file.st_ino : 0;
  return 0;
}

void StagedFiles::Stage(const std::string& path, std::string_view bytes) {
  int error = 0;
  Staged staged{path, FollowLinks(path, &error), {}, {}, false};
  if (error == 0) error = WriteTemporary(staged.target, bytes, &staged.temp);
  if (error != 0) throw EFileError("Cannot create file " + path, ErrorText(error));
  staged_.push_back(std::move(staged));
}

void StagedFiles::Commit() {
  std::size_t done = 0;
  int error = 0;
  std::string kept_as;  // Where the old file of the failed one stays, if not at its name.
  for (; done < staged_.size() && error == 0; ++done) {
    Staged& file = staged_[done];
    struct stat old;
    if (::lstat(file.target.c_str(), &old) == 0) {
      // Only a regular file was there when it was staged; anything else came since.
      if (!S_ISREG(old.st_mode)) {
        error = S_ISDIR(old.st_mode) ? EISDIR : EEXIST;
        break;
      }
      // The old file keeps a name of its own until the new one is in place.
      file.aside = file.temp.substr(0, file.temp.size() - 4) + ".old";
      // Where hard links are not had (FAT, some network shares) the old file moves aside.
      if (::link(file.target.c_str(), file.aside.c_str()) != 0) {
        if ((errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) ||
            ::rename(file.target.c_str(), file.aside.c_str()) != 0) {
          error = errno;
          file.aside.clear();
          break;
        }
        file.moved = true;
      }
    }
    if (::rename(file.temp.c_str(), file.target.c_str()) != 0) {
      error = errno;
      // A linked second name goes; a moved file goes back to its name, and when even that
      // fails it stays under the second name: it is the only copy of the user's file.
      if (!file.moved) {
        if (!file.aside.empty()) ::unlink(file.aside.c_str());
      } else if (::rename(file.aside.c_str(), file.target.c_str()) != 0) {
        kept_as = file.aside;
      }
      file.aside.clear();
      break;
    }
  }
  if (error == 0) {
    std::set<std::string> folders;
    for (Staged& file : staged_) {
      if (!file.aside.empty()) ::unlink(file.aside.c_str());
      folders.insert(FolderOf(file.target));
    }
    // The new names must reach the disk, or a power cut could bring back the old files.
    for (const std::string& folder : folders) SyncFolder(folder);
    staged_.clear();
    return;
  }
  // `done` names the file that failed; those before it are put back, latest first.
  const std::string failed = staged_[done].path;
  for (std::size_t k = done; k-- > 0;) {
    Staged& file = staged_[k];
    if (file.aside.empty()) {
      ::unlink(file.target.c_str());
    } else {
      ::rename(file.aside.c_str(), file.target.c_str());
    }
  }
  staged_.erase(staged_.begin(), staged_.begin() + static_cast<std::ptrdiff_t>(done));
  Discard();
  std::string reason = SystemReason(error);
  if (!kept_as.empty()) reason += "; the old file is kept as " + kept_as;
  throw EFileError("Cannot create file " + failed, reason);
}

void StagedFiles::Discard() {
  for (const Staged& file : staged_) ::unlink(file.temp.c_str());
  staged_.clear();
}

}  // namespace zirt

#include "platform/safe_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace fablewick {

namespace {

[[noreturn]] void ThrowFileError(std::string_view what, const std::string& path, int error) {
  throw std::runtime_error(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

// Creates a new, empty file next to target that no other writer uses, and returns its
// descriptor; the name is returned in temp_path. The name starts with "." so that folder
// listings shown to the user do not pick it up while it exists.
int CreateTemporaryFile(const std::string& target, std::string& temp_path) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path target_path(target);
  std::string stem(".");
  stem.append(target_path.filename().string()).append(".");
  stem.append(std::to_string(static_cast<long>(::getpid()))).append(".");
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        target_path.parent_path() / (stem + std::to_string(counter++) + ".tmp");
    temp_path = candidate.string();
    // 0666 lets the umask decide the permissions, as for any other file the program creates.
    const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) ThrowFileError("Cannot create a temporary file for", target, errno);
  }
  ThrowFileError("Cannot create a temporary file for", target, EEXIST);
}

}  // namespace

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  fd_ = CreateTemporaryFile(path_, temp_path_);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
}

void AtomicFileWriter::Write(std::string_view piece) {
  if (fd_ < 0 || !WriteAll(fd_, piece))
    ThrowFileError("Cannot write", path_, fd_ < 0 ? EBADF : errno);
}

void AtomicFileWriter::Commit() {
  int error = fd_ < 0 ? EBADF : 0;
  if (error == 0 && ::fsync(fd_) != 0) error = errno;
  if (fd_ >= 0 && ::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temp_path_.c_str(), path_.c_str()) != 0) error = errno;
  if (error != 0) ThrowFileError("Cannot write", path_, error);
  temp_path_.clear();
}

void WriteTextFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace fablewick

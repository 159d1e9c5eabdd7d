#include "platform/archive_store.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>

#include "platform/safe_file.h"
#include "platform/text.h"

namespace fablewick {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowError(std::string_view what, const fs::path& path, std::string_view reason) {
  throw std::runtime_error(std::string(what) + " \"" + path.string() +
                           "\": " + std::string(reason));
}

[[noreturn]] void ThrowError(std::string_view what, const fs::path& path,
                             const std::error_code& error) {
  ThrowError(what, path, error.message());
}

[[noreturn]] void ThrowErrno(std::string_view what, const fs::path& path, int error) {
  ThrowError(what, path, std::strerror(error));
}

// The whole content of a file, read with the system calls so that a failure carries the
// system's own reason.
std::string ReadWholeFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowErrno("Cannot read", path, errno);
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      ThrowErrno("Cannot read", path, error);
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return content;
}

// Every item directly in `folder`, hidden ones included.
std::vector<fs::path> AllItemsOf(const fs::path& folder) {
  std::vector<fs::path> items;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) ThrowError("Cannot read folder", folder, error);
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    items.push_back(it->path());
  }
  if (error) ThrowError("Cannot read folder", folder, error);
  return items;
}

void DeleteTreeBelow(const fs::path& folder) {
  std::error_code ignored;
  // Removing an entry needs write and search permission on its folder, so a read-only folder is
  // opened up first. When this fails (someone else's folder) the removals below say why.
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  // The items are gathered before any is removed, so the listing never sees its own changes.
  for (const fs::path& item : AllItemsOf(folder)) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(item, error);
    if (error) ThrowError("Cannot delete", item, error);
    if (fs::is_directory(status)) {
      DeleteTreeBelow(item);
    } else if (::unlink(item.c_str()) != 0 && errno != ENOENT) {
      ThrowErrno("Cannot delete", item, errno);
    }
  }
  if (::rmdir(folder.c_str()) != 0) ThrowErrno("Cannot delete folder", folder, errno);
}

}  // namespace

std::optional<std::string> CheckArchiveName(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) {
    return "A name cannot contain a NUL character. Please use a different name.";
  }
  if (name.find_first_of("/\\") != std::string_view::npos) {
    return "A name cannot contain \"/\" or \"\\\". Please use a different name.";
  }
  if (!name.empty() && name.front() == '.') {
    return "A name cannot begin with \".\". Please use a different name.";
  }
  return std::nullopt;
}

std::vector<ArchiveEntry> ListArchiveFolder(const fs::path& folder) {
  std::vector<ArchiveEntry> entries;
  for (const fs::path& item : AllItemsOf(folder)) {
    std::string name = item.filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(item, error))) {
      entries.push_back({std::move(name), true});
    } else if (fs::is_regular_file(fs::status(item, error))) {
      entries.push_back({std::move(name), false});
    }
  }
  std::sort(entries.begin(), entries.end(), [](const ArchiveEntry& a, const ArchiveEntry& b) {
    return LessIgnoreCase(a.name, b.name);
  });
  return entries;
}

fs::path EnsureArchivesFolder(const fs::path& program_folder) {
  const fs::path archives = program_folder / kArchivesFolderName;
  std::error_code error;
  if (fs::is_directory(archives, error)) return archives;
  if (fs::exists(fs::symlink_status(archives, error))) {
    ThrowError("Cannot create folder", archives, "something else has that name");
  }
  if (::mkdir(archives.c_str(), 0777) != 0) ThrowErrno("Cannot create folder", archives, errno);
  return archives;
}

void CopyIntoArchive(const fs::path& source, const fs::path& target) {
  WriteTextFileAtomically(target.string(), ReadWholeFile(source));
}

void CreateArchiveFolder(const fs::path& path) {
  if (::mkdir(path.c_str(), 0777) != 0) ThrowErrno("Cannot create folder", path, errno);
}

void DeleteArchiveFile(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (status.type() == fs::file_type::not_found) return;
  if (fs::is_directory(status)) ThrowError("Cannot delete", path, "it is a folder");
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) ThrowErrno("Cannot delete", path, errno);
}

void DeleteArchiveTree(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (status.type() == fs::file_type::not_found) return;
  if (error) ThrowError("Cannot delete folder", path, error);
  if (!fs::is_directory(status)) ThrowError("Cannot delete folder", path, "it is not a folder");
  DeleteTreeBelow(path);
}

bool ArchiveFolderHasItems(const fs::path& path) {
  std::error_code error;
  const fs::directory_iterator it(path, error);
  if (error) return error != std::errc::no_such_file_or_directory;
  return it != fs::directory_iterator();
}

}  // namespace fablewick

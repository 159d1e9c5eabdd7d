// The archive of saved results: the "Archives" folder tree in the program folder, holding copies
// of results documents in folders of the user's choice. These are the file operations behind
// the archive panel; they know nothing of the window.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

// The archive root's folder name inside the program folder; also the key of the tree's root.
inline constexpr char kArchivesFolderName[] = "Archives";

// Checks a name the user typed for an archived document or a new folder. The name must stay a
// single entry of the folder it is made in: a name holding "/" or "\", a NUL character, or
// beginning with "." (which covers "." and "..", and would make a hidden entry that the archive
// no longer lists) is refused. Returns the message to show the person, nullopt when the name is
// fine. An empty name is the caller's business (it ends the command before any check).
std::optional<std::string> CheckArchiveName(std::string_view name);

// One item of an archive folder.
struct ArchiveEntry {
  std::string name;
  bool is_folder = false;  // a real folder (not a link to one); otherwise a document

  bool operator==(const ArchiveEntry&) const = default;
};

// The items of `folder` as the archive tree shows them, sorted by name case-insensitively.
// Hidden items (names beginning with ".") are left out, and so is everything that is neither a
// folder nor a file: links to folders (which could make the tree endless), broken links, pipes
// and devices. A link to a file is listed as a document. Throws std::runtime_error naming the
// folder and the system's reason when it cannot be read.
std::vector<ArchiveEntry> ListArchiveFolder(const std::filesystem::path& folder);

// Creates program_folder/Archives when it is missing and returns its path. Throws
// std::runtime_error when it cannot be created or something other than a folder has the name.
std::filesystem::path EnsureArchivesFolder(const std::filesystem::path& program_folder);

// Copies the file `source` to `target`, replacing a file already there. The copy is written to a
// temporary file in the target's folder and renamed over the target, so a failure leaves an
// earlier target intact and no half-written file behind. Throws std::runtime_error naming the
// path and the system's reason when the source cannot be read or the target not written.
void CopyIntoArchive(const std::filesystem::path& source, const std::filesystem::path& target);

// Creates the folder `path`; its parent must exist. Throws std::runtime_error when it cannot be
// created, including when anything already has that name.
void CreateArchiveFolder(const std::filesystem::path& path);

// Deletes the document at `path` (for a link, the link itself). A file that is already gone
// counts as deleted. Throws std::runtime_error when it cannot be deleted or is a folder.
void DeleteArchiveFile(const std::filesystem::path& path);

// Deletes the folder `path` with everything below it, hidden and read-only items included:
// folders are made writable for their owner first, since on this system removing an entry needs
// write permission on its folder. Links are removed, never followed. A folder that is already
// gone counts as deleted. Throws std::runtime_error naming the first item that could not be
// deleted (or when `path` is not a folder); items deleted before it stay deleted.
void DeleteArchiveTree(const std::filesystem::path& path);

// True when the folder `path` holds at least one item, hidden ones included. A folder that
// exists but cannot be read counts as holding something, so that callers ask before deleting
// it; a missing one holds nothing.
bool ArchiveFolderHasItems(const std::filesystem::path& path);

}  // namespace fablewick

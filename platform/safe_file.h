// Writing files so that nothing is ever left half written: readers see the old file or the new
// one, and a write that fails says why.
#pragma once

#include <string>
#include <string_view>

namespace fablewick {

// Replaces the file at path with content, so that readers see either the old or the new file,
// never a half-written one: the content goes to a temporary file in the same folder, which is
// then renamed over the target. Throws std::runtime_error naming the path and the system's
// reason when the file cannot be written; the temporary file is removed in that case.
void WriteTextFileAtomically(const std::string& path, std::string_view content);

// Writes all of `content` to the open descriptor `fd`, going on after partial writes and
// interruptions. False, with errno set, when the system refuses.
bool WriteAll(int fd, std::string_view content);

// The same replacement written in pieces: the temporary file is made when the writer is, and
// renamed over the target by Commit. A writer destroyed without Commit removes its temporary
// file and leaves the target as it was. Failures throw std::runtime_error as above.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view piece);
  void Commit();

 private:
  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
};

}  // namespace fablewick

#include "engine/document.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "engine/text.h"

namespace fablewick {

std::string HtmlBodyTag(std::string_view color_fg, std::string_view color_bg) {
  return std::string("<BODY TEXT=\"")
      .append(color_fg)
      .append("\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; ALINK = \"#0000FF\"; BGCOLOR = \"")
      .append(color_bg)
      .append("\">");
}

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kLineEnd;
}

std::string XmlElementName(std::string_view title) { return ReplaceAll(title, " ", "_"); }

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

std::string OutputExtension(int output_type) {
  switch (output_type) {
    case kOutputHtml:
      return "html";
    case kOutputText:
      return "txt";
    case kOutputXml:
      return "xml";
    default:
      return "";
  }
}

std::string ExpandCaretCodes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t caret = text.find('^', pos);
    if (caret == std::string_view::npos) {
      out += text.substr(pos);
      return out;
    }
    out += text.substr(pos, caret - pos);
    const std::string_view code = FirstCodePoint(text.substr(caret + 1));
    if (code == "M") {
      out += kLineEnd;
    } else if (code == "T") {
      out += '\t';
    }
    // The character after the caret is consumed whatever it is: a whole code point, so that
    // a caret before a non-ASCII letter does not leave half a character behind.
    pos = std::min(text.size(), caret + 1 + std::max<std::size_t>(code.size(), 1));
  }
}

std::string ResultsDocumentHead(int output_type, std::string_view title,
                                std::string_view program_folder, std::string_view color_fg,
                                std::string_view color_bg) {
  std::string out;
  if (output_type == kOutputHtml) {
    AppendLine(out, "<HTML>");
    AppendLine(out, "<HEAD>");
    AppendLine(out, std::string("<TITLE>").append(title).append("</TITLE>"));
    AppendLine(out, std::string("<link href=\"")
                        .append(program_folder)
                        .append("/link.css\" type=\"text/css\" rel=\"stylesheet\">"));
    AppendLine(out, "</HEAD>");
    AppendLine(out, HtmlBodyTag(color_fg, color_bg));
  } else if (output_type == kOutputXml) {
    AppendLine(out, "<?xml version=\"1.0\"?>");
    AppendLine(out, "<" + XmlElementName(title) + ">");
    AppendLine(out, "<Generator>Fablewick 4.0</Generator>");
  }
  return out;
}

void AppendResultLines(int output_type, std::string_view result, std::string& out) {
  if (output_type == kOutputHtml) {
    // `result<BR>` and a line `<BR>`.
    out.append(result).append("<BR>").append(kLineEnd).append("<BR>").append(kLineEnd);
  } else if (output_type == kOutputText || output_type == kOutputXml) {
    // The result followed by three empty lines.
    static constexpr std::string_view kFourLineEnds = "\r\n\r\n\r\n\r\n";
    out.append(result).append(kFourLineEnds);
  }
}

std::string ResultsDocumentTail(int output_type, std::string_view title) {
  std::string out;
  if (output_type == kOutputHtml) {
    AppendLine(out, "</BODY>");
    AppendLine(out, "</HTML>");
  } else if (output_type == kOutputXml) {
    AppendLine(out, "</" + XmlElementName(title) + ">");
  }
  return out;
}

std::string BuildResultsDocument(int output_type, std::string_view title,
                                 const std::vector<std::string>& results,
                                 std::string_view program_folder, std::string_view color_fg,
                                 std::string_view color_bg) {
  std::string out = ResultsDocumentHead(output_type, title, program_folder, color_fg, color_bg);
  const std::string tail = ResultsDocumentTail(output_type, title);
  std::size_t size = out.size() + tail.size();
  for (const std::string& result : results) size += result.size() + 12;
  out.reserve(size);
  for (const std::string& result : results) AppendResultLines(output_type, result, out);
  return out += tail;
}

std::string NormaliseDocumentPath(std::string_view address) {
  const std::string_view before_fragment = address.substr(0, address.find('#'));
  // Removing "file://" rather than "file:///" keeps the slash that starts an absolute path.
  return ReplaceAll(ReplaceAll(before_fragment, "%20", " "), "file://", "");
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

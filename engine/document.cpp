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

// A result followed by three empty lines, as the text and XML documents hold them.
void AppendPlainResults(std::string& out, const std::vector<std::string>& results) {
  std::size_t size = out.size();
  for (const std::string& result : results) size += result.size() + 4 * kLineEnd.size();
  out.reserve(size);
  for (const std::string& result : results) {
    AppendLine(out, result);
    out += kLineEnd;
    out += kLineEnd;
    out += kLineEnd;
  }
}

std::string HtmlDocument(std::string_view title, const std::vector<std::string>& results,
                         std::string_view program_folder, std::string_view color_fg,
                         std::string_view color_bg) {
  std::string out;
  AppendLine(out, "<HTML>");
  AppendLine(out, "<HEAD>");
  AppendLine(out, std::string("<TITLE>").append(title).append("</TITLE>"));
  AppendLine(out, std::string("<link href=\"")
                      .append(program_folder)
                      .append("/link.css\" type=\"text/css\" rel=\"stylesheet\">"));
  AppendLine(out, "</HEAD>");
  AppendLine(out, HtmlBodyTag(color_fg, color_bg));
  for (const std::string& result : results) {
    AppendLine(out, result + "<BR>");
    AppendLine(out, "<BR>");
  }
  AppendLine(out, "</BODY>");
  AppendLine(out, "</HTML>");
  return out;
}

std::string TextDocument(const std::vector<std::string>& results) {
  std::string out;
  AppendPlainResults(out, results);
  return out;
}

std::string XmlDocument(std::string_view title, const std::vector<std::string>& results) {
  const std::string element = ReplaceAll(title, " ", "_");
  std::string out;
  AppendLine(out, "<?xml version=\"1.0\"?>");
  AppendLine(out, "<" + element + ">");
  AppendLine(out, "<Generator>Fablewick 4.0</Generator>");
  AppendPlainResults(out, results);
  AppendLine(out, "</" + element + ">");
  return out;
}

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

}  // namespace

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

std::string BuildResultsDocument(int output_type, std::string_view title,
                                 const std::vector<std::string>& results,
                                 std::string_view program_folder, std::string_view color_fg,
                                 std::string_view color_bg) {
  switch (output_type) {
    case kOutputHtml:
      return HtmlDocument(title, results, program_folder, color_fg, color_bg);
    case kOutputText:
      return TextDocument(results);
    case kOutputXml:
      return XmlDocument(title, results);
    default:
      return "";
  }
}

std::string NormaliseDocumentPath(std::string_view address) {
  const std::string_view before_fragment = address.substr(0, address.find('#'));
  // Removing "file://" rather than "file:///" keeps the slash that starts an absolute path.
  return ReplaceAll(ReplaceAll(before_fragment, "%20", " "), "file://", "");
}

void WriteTextFileAtomically(const std::string& path, std::string_view content) {
  std::string temp_path;
  const int fd = CreateTemporaryFile(path, temp_path);
  int error = 0;
  if (!WriteAll(fd, content) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp_path.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp_path.c_str());
    ThrowFileError("Cannot write", path, error);
  }
}

}  // namespace fablewick

// Results documents on disk may have been edited, cut short or replaced by anything. Reading one
// back either fails with a description or gives the results; the link work done on them (patching
// a re-roll link, finding and rewriting a note, removing program links) must cope with whatever
// text they hold; and a document written from the results reads back to the same results, so
// rewriting the document after a re-roll or a note edit loses nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/documents/document.h"
#include "engine/documents/links.h"
#include "fuzz/fuzz_support.h"

namespace fablewick {
namespace {

const std::string& DocumentPath() {
  static const std::string path = (EmptyFolder() / "Temp.html").string();
  return path;
}

void WriteBytes(std::string_view bytes) {
  std::ofstream out(DocumentPath(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> ReadBack() {
  // The address form the results view reports, with a fragment.
  return ReadBackResults("file://" + DocumentPath() + "#fwroll0");
}

void ReadAndPatch(std::string_view bytes) {
  WriteBytes(bytes);
  std::vector<std::string> results;
  try {
    results = ReadBack();
  } catch (const std::runtime_error&) {
    return;
  }

  // Written again as the window writes it, the document gives back the same results.
  WriteBytes(
      BuildResultsDocument(kOutputHtml, "Fuzz", results, "/fablewick", "#000000", "#FFFFFF"));
  const std::vector<std::string> again = ReadBack();
  if (again != results) {
    std::fprintf(stderr, "Results changed on the way through the document\n");
    abort();
  }

  std::size_t touched = 0;
  for (const std::string& result : results) {
    touched += StripProgramLinks(result).size();
    for (std::size_t at = result.find("href=\""); at != std::string::npos;
         at = result.find("href=\"", at + 1)) {
      const std::size_t end = result.find('"', at + 6);
      const ProgramLink link = ParseProgramLink(std::string_view(result).substr(
          at + 6, end == std::string::npos ? std::string::npos : end - at - 6));
      touched += link.rest.size();
      std::vector<std::string> patched = results;
      if (link.kind == ProgramLink::kReroll) {
        ReplaceRerollLink(patched, link.number, link.rest, "new <b>text</b>");
      } else if (link.kind == ProgramLink::kNote) {
        if (std::optional<NoteLink> note = FindNoteLink(patched, link.number)) {
          ReplaceNoteLink(patched, *note, link.number, "a new note");
          ReplaceNoteLink(patched, *note, link.number, "");
        }
      }
      touched += patched.size();
    }
  }
  if (touched == SIZE_MAX) abort();  // keeps the work from being optimised away
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::ReadAndPatch(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

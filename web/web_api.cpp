// The engine as a published web page uses it: a few functions with text in and JSON text out,
// called from the page's script. One engine per page; the page's files live in the module's
// in-memory file system, in a program folder laid out as on disk (Tables/, Data/, link.css,
// Fablewick.cfg). The results document is written as the results come, as fablewick-cli writes
// it; a re-roll or note link reads the results back from it and writes it anew, as the window
// does with its document on disk.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include "config/config_file.h"
#include "engine/addon_loader.h"
#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/documents/links.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "platform/safe_file.h"

// clang-format off: the bodies are JavaScript.
// The page's answers to the engine's boxes, through functions it sets on the module object
// (onMessage, onOkCancel, onYesNo, onInput); without them, messages go to the console and every
// question takes its first answer.
EM_JS(void, fw_page_message, (const char* title, const char* text), {
  if (Module.onMessage) {
    Module.onMessage(UTF8ToString(title), UTF8ToString(text));
  } else {
    console.log("[" + UTF8ToString(title) + "] " + UTF8ToString(text));
  }
});
EM_JS(int, fw_page_ok_cancel, (const char* title, const char* text), {
  return Module.onOkCancel ? (Module.onOkCancel(UTF8ToString(title), UTF8ToString(text)) ? 1 : 0)
                           : 1;
});
EM_JS(int, fw_page_yes_no, (const char* title, const char* text), {
  return Module.onYesNo ? (Module.onYesNo(UTF8ToString(title), UTF8ToString(text)) ? 1 : 0) : 0;
});
// The answer in memory the caller frees, or 0 for Cancel.
EM_JS(char*, fw_page_input, (const char* prompt, const char* title, const char* answer), {
  const given = UTF8ToString(answer);
  const typed =
      Module.onInput ? Module.onInput(UTF8ToString(prompt), UTF8ToString(title), given) : given;
  if (typed == null) return 0;
  const size = lengthBytesUTF8(String(typed)) + 1;
  const buffer = _malloc(size);
  stringToUTF8(String(typed), buffer, size);
  return buffer;
});

// clang-format on

namespace fablewick {
namespace {

using Json = nlohmann::json;

class PageHost : public Host {
 public:
  void MessageBox(const std::string& title, const std::string& text) override {
    fw_page_message(title.c_str(), text.c_str());
  }
  bool OkCancelBox(const std::string& title, const std::string& text) override {
    return fw_page_ok_cancel(title.c_str(), text.c_str()) != 0;
  }
  bool YesNoBox(const std::string& title, const std::string& text) override {
    return fw_page_yes_no(title.c_str(), text.c_str()) != 0;
  }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override {
    char* typed = fw_page_input(prompt.c_str(), title.c_str(), default_answer.c_str());
    if (typed == nullptr) return std::nullopt;
    std::string answer(typed);
    std::free(typed);
    return answer;
  }
  void ShowDebug(const std::string& caption, const std::vector<std::string>&) override {
    MessageBox(caption, "The debug window cannot open in a web page.");
  }
  bool AllowShell(const std::string&, const std::string&) override { return false; }
  bool StartProgram(const std::vector<std::string>&, std::string& error) override {
    error = "A web page cannot start programs.";
    return false;
  }
};

// Add-ons are programs of the machine they were installed on; a page has none.
class NoAddOns : public AddOnLoader {
 public:
  AddOnCallResult CallMember(std::string_view, std::string_view, std::string_view) override {
    AddOnCallResult result;
    result.error = "Add-ons cannot run in a web page.";
    return result;
  }
};

struct Page {
  PageHost host;
  NoAddOns add_ons;
  Engine engine{host};
  Settings settings;
  std::filesystem::path home;
  std::string table;     // the table of the results
  std::string document;  // the results document shown
  std::string reply;     // the last answer, alive until the next call
};

Page& ThePage() {
  static Page page;
  return page;
}

const char* Reply(const Json& answer) {
  Page& page = ThePage();
  page.reply = answer.dump();
  return page.reply.c_str();
}

const char* FailedReply(const std::string& problem) {
  return Reply(Json{{"ok", false}, {"problem", problem}});
}

std::filesystem::path DocumentPath(const Page& page) { return page.home / "Temp.html"; }

// The results the document holds, read back from it as the window reads its own.
std::vector<std::string> ResultsShown(const Page& page) {
  WriteTextFileAtomically(DocumentPath(page).string(), page.document);
  return ReadBackResults(DocumentPath(page).string());
}

void ShowResults(Page& page, const std::vector<std::string>& results) {
  page.document = BuildResultsDocument(kOutputHtml, page.table, results, page.home.string(),
                                       page.settings.ColorFG, page.settings.ColorBG);
}

// Runs one call of the page's, turning what escapes it into a failure the page can show.
template <typename Work>
const char* Guarded(Work work) {
  try {
    return work(ThePage());
  } catch (const EngineError& error) {
    return FailedReply(error.description());
  } catch (const std::exception& error) {
    return FailedReply(error.what());
  }
}

}  // namespace
}  // namespace fablewick

using fablewick::Json;
using fablewick::Page;

extern "C" {

// Opens the program folder `home` and returns the catalogue:
// {"ok":true,"tables":[{"category":"...","table":"..."},...]}.
EMSCRIPTEN_KEEPALIVE const char* fw_open(const char* home) {
  return fablewick::Guarded([&](Page& page) {
    page.home = home;
    page.settings = fablewick::ReadConfigFile(page.home);
    page.engine.SetProgramFolder(page.home);
    page.engine.set_add_on_loader(&page.add_ons);
    page.engine.SetTablesFolder(page.settings.TablesFolder);
    page.engine.set_tab_calls_as_errors(page.settings.bTabCallsAsErrors);
    page.engine.FillCatalog();
    Json tables = Json::array();
    for (const fablewick::CatalogItem& item : page.engine.Catalog().items()) {
      tables.push_back({{"category", item.folder}, {"table", item.name}});
    }
    return fablewick::Reply({{"ok", true}, {"tables", tables}});
  });
}

// Chooses a table as the table list does and returns its parameters at their defaults:
// {"ok":true,"parameters":[{"variable","prompt","list","options","value"},...]}.
EMSCRIPTEN_KEEPALIVE const char* fw_select(const char* table) {
  return fablewick::Guarded([&](Page& page) {
    const fablewick::Engine::Selection chosen = page.engine.SelectTable(table);
    if (chosen.index < 0) return fablewick::FailedReply("The table cannot be loaded.");
    const fablewick::Table& loaded = page.engine.TableAt(chosen.index);
    Json parameters = Json::array();
    const std::vector<std::string>& values = page.engine.parameter_values();
    for (std::size_t i = 0; i < loaded.Params.size(); ++i) {
      const fablewick::TableParameter& parameter = loaded.Params[i];
      parameters.push_back(
          {{"variable", loaded.Vars[static_cast<std::size_t>(parameter.VarIndex)].Name},
           {"prompt", parameter.Prompt},
           {"list", parameter.IsList},
           {"options", parameter.Options},
           {"value", i < values.size() ? values[i] : parameter.DefaultValue}});
    }
    return fablewick::Reply({{"ok", true}, {"parameters", parameters}});
  });
}

// Rolls group Start of `table` `count` times with the parameter values `values` (a JSON array of
// texts) from `seed` ("" to go on with the page's own random numbers), as
// `fablewick-cli --seed SEED roll TABLE -n COUNT` does: {"ok":true,"rolls":N}; the document is
// then fw_document's.
EMSCRIPTEN_KEEPALIVE const char* fw_roll(const char* table, const char* values, const char* count,
                                         const char* seed) {
  return fablewick::Guarded([&](Page& page) {
    const std::string_view seed_text = seed;
    if (!seed_text.empty()) {
      uint64_t number = 0;
      const char* end = seed_text.data() + seed_text.size();
      const std::from_chars_result read = std::from_chars(seed_text.data(), end, number);
      if (read.ec != std::errc() || read.ptr != end) {
        return fablewick::FailedReply(
            "The seed must be a whole number from 0 to 18446744073709551615.");
      }
      page.engine.Seed(number);
    }
    const int16_t rolls = fablewick::ParseRollCount(count);
    page.engine.ClearTableCache();
    if (page.engine.GetTable(table) < 0)
      return fablewick::FailedReply("The table cannot be loaded.");
    page.engine.SetParameterValues(Json::parse(values).get<std::vector<std::string>>());
    page.table = table;
    page.document =
        fablewick::ResultsDocumentHead(fablewick::kOutputHtml, page.table, page.home.string(),
                                       page.settings.ColorFG, page.settings.ColorBG);
    // The sink only reads each result, so the engine writes the next one into its memory.
    const int16_t made =
        fablewick::RollTable(page.engine, page.table, rolls, [&](std::string&& result) {
          fablewick::AppendResultLines(fablewick::kOutputHtml, result, page.document);
        });
    page.document += fablewick::ResultsDocumentTail(fablewick::kOutputHtml, page.table);
    return fablewick::Reply({{"ok", true}, {"rolls", made}});
  });
}

// Follows a link of the results: a re-roll link rolls its part again, a note link gives its
// note for editing; anything else is the page's to follow.
EMSCRIPTEN_KEEPALIVE const char* fw_click(const char* href) {
  return fablewick::Guarded([&](Page& page) {
    const fablewick::ProgramLink link = fablewick::ParseProgramLink(href);
    switch (link.kind) {
      case fablewick::ProgramLink::kReroll: {
        const std::string text = fablewick::RegenerateLinkText(page.engine, link.rest);
        std::vector<std::string> results = fablewick::ResultsShown(page);
        fablewick::ReplaceRerollLink(results, link.number, link.rest, text);
        fablewick::ShowResults(page, results);
        return fablewick::Reply({{"ok", true}, {"kind", "reroll"}});
      }
      case fablewick::ProgramLink::kNote: {
        const std::optional<fablewick::NoteLink> note =
            fablewick::FindNoteLink(fablewick::ResultsShown(page), link.number);
        if (!note) return fablewick::FailedReply("No result holds this note.");
        return fablewick::Reply(
            {{"ok", true}, {"kind", "note"}, {"number", link.number}, {"text", note->text}});
      }
      default:
        return fablewick::Reply({{"ok", true}, {"kind", "other"}});
    }
  });
}

// Writes the typed `text` as note `number`: {"ok":true}, and the document changes.
EMSCRIPTEN_KEEPALIVE const char* fw_set_note(const char* number, const char* text) {
  return fablewick::Guarded([&](Page& page) {
    std::vector<std::string> results = fablewick::ResultsShown(page);
    const std::optional<fablewick::NoteLink> note = fablewick::FindNoteLink(results, number);
    if (!note) return fablewick::FailedReply("No result holds this note.");
    fablewick::ReplaceNoteLink(results, *note, number, text);
    fablewick::ShowResults(page, results);
    return fablewick::Reply({{"ok", true}});
  });
}

// The results document after the last roll, re-roll or note: the whole HTML file, as
// fablewick-cli --format html writes it.
EMSCRIPTEN_KEEPALIVE const char* fw_document() { return fablewick::ThePage().document.c_str(); }

// Its length in bytes, so that the page can decode it at once instead of looking for its end.
EMSCRIPTEN_KEEPALIVE std::size_t fw_document_length() {
  return fablewick::ThePage().document.size();
}

}  // extern "C"

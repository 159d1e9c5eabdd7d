// Entry text from strangers: the input is expanded as entry text of a small fixed table, after a
// roll of its group Start, within a time limit. It is not itself a group entry, so that it cannot
// call itself: recursion without end is still possible, but rare enough not to eat the run. The
// first byte chooses how: bit 0 keeps the bytes as they are instead of decoding them as a table
// file would, bit 1 reports calls of missing groups as errors, and bit 2 rolls the entry a second
// time with the restarting scan (the literal definition of expansion), which must give the same
// text, boxes and variables.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/model/loader.h"
#include "engine/model/table.h"
#include "engine/stack.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr std::chrono::milliseconds kTimeLimit{100};

// Groups whose results are delimiters and half constructs, variables holding constructs, a
// no-repeat group, a parameter, and a second table.
constexpr std::string_view kMainTable =
    "%v%,3\n"
    "%w%,[Gem]\n"
    "%pct%,%\n"
    "%pipe%,|\n"
    "%list%,b,a,c\n"
    "@v,3,How many?\n"
    ":Start\n"
    "1-2,[Gem] and [N2~Gem]\n"
    "3,[Once][Once]\n"
    ";Gem\n"
    "2,ruby\n"
    "1,opal|v+1|\n"
    "1,/[Gem/]\n"
    ";!Once\n"
    "1,first\n"
    "1,second\n"
    ";Pipe\n"
    "1,|\n"
    ";Pct\n"
    "1,/%\n"
    ";Open\n"
    "1,/[\n";
constexpr std::string_view kOtherTable =
    "%v%,other\n"
    ";Gem\n"
    "1,[T.Gem] from afar\n";

struct Outcome {
  std::string text;
  std::string boxes;
  std::string variables;
  bool stopped = false;
};

class RecordingHost : public AnsweringHost {
 public:
  void MessageBox(const std::string& title, const std::string& text) override {
    boxes += "[" + title + "] " + text + "\n";
  }
  bool OkCancelBox(const std::string& title, const std::string& text) override {
    boxes += "[" + title + "] " + text + "\n";
    return true;
  }
  std::string boxes;
};

Outcome Roll(std::string_view entry, bool errors_as_messages, bool restarting, uint64_t seed) {
  RecordingHost host;
  Engine engine(host);
  engine.SetTablesFolder(EmptyFolder());
  engine.SetProgramFolder(EmptyFolder());
  engine.FillCatalog();
  engine.Seed(seed);
  engine.set_tab_calls_as_errors(errors_as_messages);
  engine.UseRestartingScanForVerification(restarting);
  engine.AddTable(ParseTableText("T", kMainTable, host));
  engine.AddTable(ParseTableText("O", kOtherTable, host));

  Outcome outcome;
  Watchdog::Get().Watch(engine, kTimeLimit);
  RunWithLargeStack([&] {
    engine.BeginGeneration();
    engine.ResetNoRepeatGroups();
    outcome.text = engine.RollTopLevel("T", "Start") + "\n";
    outcome.text += engine.ProcessString(entry, kPlainText, "T", 99);
  });
  outcome.stopped = Watchdog::Get().Unwatch() || engine.StopRequested();
  outcome.boxes = std::move(host.boxes);
  for (int t = 0; t < engine.TableCount(); ++t) {
    for (const TableVariable& v : engine.TableAt(t).Vars) outcome.variables += v.Value + "\n";
  }
  return outcome;
}

void Expand(std::string_view input) {
  if (input.empty()) return;
  const uint8_t mode = static_cast<uint8_t>(input[0]);
  input.remove_prefix(1);
  const std::string entry = (mode & 1) != 0 ? std::string(input) : DecodeFileText(input);
  const bool errors_as_messages = (mode & 2) != 0;
  const Outcome linear = Roll(entry, errors_as_messages, false, input.size());
  if ((mode & 4) == 0 || linear.stopped) return;
  // Stopped generations (time up, nesting too deep, Stop) end at different points; only
  // generations that ran to their end must agree.
  const Outcome restarting = Roll(entry, errors_as_messages, true, input.size());
  if (restarting.stopped) return;
  if (linear.text != restarting.text || linear.boxes != restarting.boxes ||
      linear.variables != restarting.variables) {
    std::fprintf(stderr, "The scanners disagree on %s\n", entry.c_str());
    for (const Outcome* o : {&linear, &restarting}) {
      std::fprintf(stderr, "--- %s\ntext: %s\nboxes:\n%svariables:\n%s",
                   o == &linear ? "linear" : "restarting", o->text.c_str(), o->boxes.c_str(),
                   o->variables.c_str());
    }
    abort();
  }
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::Expand(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

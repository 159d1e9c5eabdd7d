// The generation engine: the table cache, the group roller, text expansion and function
// dispatch, with all the state a roll needs. One Engine per window, command line or test; nothing
// is global, so engines can run side by side.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten/stack.h>
#endif

#include "engine/error_text.h"
#include "engine/host.h"
#include "engine/model/catalog.h"
#include "engine/model/table.h"
#include "engine/random.h"
#include "engine/stack.h"

namespace fablewick {

struct XmlDataCache;  // the XML data file named last, kept loaded (fn_data.cpp)
class AddOnLoader;    // creates add-on components and calls their members (engine/addon_loader.h)

// The text the group roller returns for a group that does not exist.
inline constexpr std::string_view kNotFoundMarker = "\u00BC\u00BD\u00BE\u00BF\u00BF\u00B6";

// How deeply expansions may nest (group calls within entries, constructs within constructs,
// results that expand again) before the generation is stopped with an error text.
#ifdef __EMSCRIPTEN__
// A browser gives a page's code a stack of its own of about 1 MB, apart from the module's, and
// ends the page's script when it is full. 1000 levels of recursion through functions take 500 to
// 700 KB of it, 4000 levels more than it has: a page stops at a quarter of the depth.
inline constexpr int kMaxNesting = 1000;
#else
inline constexpr int kMaxNesting = 4000;
#endif

// How much text one construct may produce, and one roll give, before the generation is stopped
// with an error text.
inline constexpr std::size_t kMaxRollOutput = std::size_t{64} << 20;
// How much text one roll may handle in all: every text handed to an expansion and every result
// of a construct counts, so text that travels through several nested constructs counts once for
// each. This bounds the memory held by nested expansions and the time spent copying, so that no
// table can make a roll exhaust memory.
inline constexpr std::size_t kMaxRollWork = 8 * kMaxRollOutput;

enum ExpansionKind : int16_t {
  kPlainText = 0,
  kVariableRead = 1,
  kAssignment = 2,
  kGroupCall = 4,
  kFunctionCall = 5,
};

// Told of every entry the group roller chooses; see Engine::roll_observer.
class RollObserver {
 public:
  virtual ~RollObserver() = default;
  // Called once for every entry chosen, before its text is expanded. `group` belongs to the
  // cached table named `table`; `entry` is the index of the chosen entry in its Entries.
  virtual void EntryChosen(const std::string& table, const Group& group, std::size_t entry) = 0;
};

// How a group call rolls, besides the parameters it passes.
struct CallRoll {
  int16_t modifier = 0;      // added to the roll; with `fixed`, the roll itself
  bool fixed = false;        // "=" in the call
  bool reset_first = false;  // the "R" prefix: a no-repeat group starts afresh
};

class Engine {
 public:
  explicit Engine(Host& host);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Host& host() { return host_; }

  // ---- where tables come from ----
  void SetTablesFolder(const std::filesystem::path& folder);
  const std::filesystem::path& TablesFolder() const { return tables_folder_; }
  // Rebuilds the catalogue from the tables folder.
  void FillCatalog();
  const TableCatalog& Catalog() const { return catalog_; }
  std::string CategoryOfTable(std::string_view name) const;
  // The program folder: data files, results documents and the style sheet live there.
  void SetProgramFolder(const std::filesystem::path& folder) { program_folder_ = folder; }
  const std::filesystem::path& ProgramFolder() const { return program_folder_; }

  // ---- the table cache ----
  int FindTableIndex(std::string_view name) const;
  // Index of the table in the cache, loading it first when needed; -1 when it cannot be loaded
  // (the loader has shown its message).
  int GetTable(const std::string& name);
  // Puts a table that is parsed already into the cache, as loading it would; returns its index.
  int AddTable(std::unique_ptr<Table> table);
  // Empties the cache and starts the link numbers at 0 again.
  void ClearTableCache();
  Table& TableAt(int index) { return *TableCache[static_cast<std::size_t>(index)]; }
  int TableCount() const { return static_cast<int>(TableCache.size()); }

  // ---- choosing a table and its parameters ----
  struct Selection {
    int index = -1;  // the table's index in the cache; -1 when it cannot be loaded
    // The first of the given values that cannot be set, described for a message.
    std::optional<std::string> problem;
  };
  // Chooses a table for rolling, as picking it in the table list does: the cache is emptied
  // (the link numbers start at 0 again), the table loaded, and the current parameter set becomes
  // its parameters at their defaults (a list default that names no option is reported and takes
  // the first option). Then each of `assignments` ("VAR=VALUE": an item number or an option's
  // text for a list parameter) sets the parameters bound to VAR, in order, until one cannot be
  // made. When the table cannot be loaded (the loader has shown its message), the parameter set
  // is empty.
  Selection SelectTable(const std::string& name, const std::vector<std::string>& assignments = {});
  // Replaces the current parameter set, one value per parameter of the chosen table: the text
  // of a text parameter, the item number of a list parameter ("1" the first option).
  void SetParameterValues(std::vector<std::string> values) { g_aParamValues = std::move(values); }
  const std::vector<std::string>& parameter_values() const { return g_aParamValues; }

  // ---- generation ----
  // A top-level roll, as the Roll command makes one: StartTopLevelRoll for the table, then a
  // roll on its group. Returns the expanded entry text, an error block, kNotFoundMarker, or ""
  // when the table cannot be loaded.
  std::string RollTopLevel(const std::string& table_name, const std::string& group_name);
  // A roll on a group within a generation: a group call in table text, a re-roll or a start
  // call. `params`, when not empty, are the values passed in parentheses: they set the called
  // table's parameter variables in order, an empty or missing value standing for the default.
  // Returns as RollTopLevel does.
  std::string RollGroup(const std::string& table_name, const std::string& group_name,
                        const CallRoll& roll = {}, const std::vector<std::string>& params = {});
  // Prepares a top-level roll of the cached table `table_index` without rolling: every loaded
  // table's variables back at their initial values and its arrays emptied, the iteration count
  // and the roll's work at 0, then the current parameter values written into the table's
  // parameter variables.
  void StartTopLevelRoll(int table_index);
  // Takes back the text of a top-level result that the caller is done with: the next top-level
  // roll writes into its memory instead of allocating anew.
  void RecycleResult(std::string&& text) {
    if (text.capacity() > spare_result_.capacity() && text.capacity() <= kMaxSpareResult) {
      spare_result_ = std::move(text);
    }
  }
  // Expands a text: group calls, variables, assignments and functions.
  std::string ProcessString(std::string_view text, int kind, const std::string& table_name,
                            int32_t line);
  // Completes a function call whose content is already expanded.
  std::string ProcessFunction(std::string_view content, const std::string& table_name,
                              int32_t line);
  // The article and capital flags of a group call.
  static std::string ApplyCallFlags(std::string text, bool article, bool capital);
  // Clears the drawn marks of every no-repeat group of every loaded table.
  void ResetNoRepeatGroups();
  // The number of the next re-roll or note link. Each call counts one on (after the largest
  // 32-bit number comes the smallest); ClearTableCache starts the numbers at 0 again.
  int32_t NextLinkNumber() {
    const int32_t number = LinkCounter;
    LinkCounter = static_cast<int32_t>(static_cast<uint32_t>(LinkCounter) + 1u);
    return number;
  }
  // The number the next link will get.
  int32_t link_counter() const { return LinkCounter; }
  // Expansions made since the last top-level roll, as the debug window shows them.
  int32_t iterations() const { return g_nIterations; }

  int32_t RandomBetween(int16_t low, int16_t high) { return random_.Between(low, high); }
  void Seed(uint64_t seed) { random_.Seed(seed); }

  // ---- stopping ----
  // Asks the running generation to stop as the Stop command does. Safe to call from another
  // thread or a signal handler.
  void RequestStop() { stop_requested_.store(true, std::memory_order_relaxed); }
  bool StopRequested() const { return stop_requested_.load(std::memory_order_relaxed); }
  // Halts the running expansion as the "Stop" function does: every expansion gives "" at once
  // until a group roller picks an entry again or a new generation begins.
  void Halt() { g_bKeepRunning = false; }
  // False once the generation was halted or a person cancelled an error box.
  bool keep_running() const { return g_bKeepRunning; }
  // Called when a new generation starts (a roll command or a re-roll).
  void BeginGeneration();
  // Counts `handled` bytes of text towards the running roll's work, for a text that has grown
  // to `text_size` bytes. When the text passes kMaxRollOutput or the roll's work passes
  // kMaxRollWork, stops the generation (the outermost expansion then gives only the error text)
  // and returns false: the caller drops the text instead of keeping it.
  bool CountOutput(std::size_t handled, std::size_t text_size, std::string_view table_name,
                   int32_t line) {
    output_bytes_ += handled;
    if (text_size <= kMaxRollOutput && output_bytes_ <= kMaxRollWork && !output_too_large_) {
      return true;
    }
    return OutputLimitReached(table_name, line);
  }

  // Shows the OK/Cancel error box of an expansion or dispatch boundary; Cancel stops the
  // generation.
  void ShowErrorBox(std::string_view boundary, std::string_view table, int32_t line,
                    std::string_view entry, int number, std::string_view description);

  // ---- settings and helpers ----
  // Whether calls of groups that do not exist give error texts (the "DisplayNonTables" setting)
  // instead of the call itself.
  void set_tab_calls_as_errors(bool on) { bTabCallsAsErrors = on; }
  bool tab_calls_as_errors() const { return bTabCallsAsErrors; }
  // How "Extern" reaches add-ons; without one, every add-on call fails as not creatable.
  void set_add_on_loader(AddOnLoader* loader) { add_on_loader_ = loader; }
  AddOnLoader* add_on_loader() const { return add_on_loader_; }
  // Told of every entry the group roller chooses (outcome statistics); null when no one asks.
  void set_roll_observer(RollObserver* observer) { roll_observer_ = observer; }
  RollObserver* roll_observer() const { return roll_observer_; }
  // The data file of the last "Data" call and its parsed document; created on first use.
  // Defined with the "Data" function (fn_data.cpp).
  XmlDataCache& XmlData();

  // Scans with the literal definition of expansion (restart at the first position after every
  // substitution) instead of the linear scanner. Slow; kept to verify the linear scanner.
  void UseRestartingScanForVerification(bool on) { restarting_scan_ = on; }

 private:
  friend class Scanner;
  friend class RestartingScanner;

  std::string CompleteConstruct(std::string_view scanned, int kind, const std::string& table_name,
                                int32_t line);
  std::string ReadVariable(std::string_view inside, const std::string& table_name, int32_t line);
  std::string Assign(std::string_view inside, const std::string& table_name, int32_t line);
  std::string ExpandGroupCall(std::string_view inside, const std::string& table_name, int32_t line);
  // What a call of a group that does not exist gives: an error text, or the call itself.
  std::string GroupNotFound(const std::string& call, std::string_view table_name,
                            int32_t line) const;
  std::string ExpandControlBlock(std::string_view inside, const std::string& table_name,
                                 int32_t line);
  // Stops the generation because the running roll made too much text; returns false.
  bool OutputLimitReached(std::string_view table_name, int32_t line);
  // Stops the generation because expansions nest too deeply. The message is kept and given once,
  // at the end of the outermost expansion; everything nested returns "" from here on.
  std::string NestingTooDeep(std::string_view table_name, int32_t line);
  std::string ProcessStringNested(std::string_view text, int kind, const std::string& table_name,
                                  int32_t line);
  // Enters one nested expansion of `size` bytes of text: yields now and then, counts the
  // iteration, and checks the stop, the nesting depth, the stack and the roll's work. False when
  // the expansion is to give "" (nothing entered); on true the caller leaves it with a
  // LevelGuard. Inline: every group call enters two expansions (the call and the entry's text).
  bool EnterExpansion(std::size_t size, std::string_view table_name, int32_t line);
  // Leaves, when it goes out of scope, the nested expansion that EnterExpansion entered.
  class LevelGuard {
   public:
    explicit LevelGuard(Engine& engine) : depth_(engine.depth_) {}
    ~LevelGuard() { --depth_; }
    LevelGuard(const LevelGuard&) = delete;
    LevelGuard& operator=(const LevelGuard&) = delete;

   private:
    int& depth_;
  };
  // Ends the outermost expansion, whose text begins at `start` in `out`: the message of a
  // stopped generation is added (the text dropped when it grew too large). True when it was.
  bool FinishOutermost(std::string& out, std::size_t start);
  // Shows the error box of an expansion that failed on `text`. Call it only inside a catch block.
  void ReportFailedExpansion(std::string_view table_name, int32_t line, std::string_view text);

  // ---- the group roller (roller.cpp) ----
  // The functions declared inline here are defined, and used, in roller.cpp only.
  // The roller behind RollTopLevel and RollGroup; a top-level roll starts with
  // StartTopLevelRoll.
  inline std::string Roll(const std::string& table_name, const std::string& group_name,
                          const CallRoll& roll, const std::vector<std::string>& params,
                          bool top_level);
  // Draws the entry of a roll, honouring the no-repeat marks. Throws when a no-repeat group is
  // exhausted, or EngineError when the roll leaves 16 bits.
  inline std::size_t PickEntry(Group& group, int16_t roll_modifier, bool fixed_roll);
  // PickEntry for the rolls that are not ordinary: modified or fixed, or on no-repeat groups.
  std::size_t DrawEntry(Group& group, int16_t roll_modifier, bool fixed_roll);
  // Expands the chosen entry onto the end of `out`, escapes removed. True when what it added is
  // final text: nothing in it opens a construct, pairs an earlier "|" or "%" or escapes what
  // follows it.
  inline bool ExpandChosenEntry(Table& table, const std::string& table_name, Group& group,
                                std::size_t chosen, std::string& out);
  // Removes the escapes from the text that an entry's expansion added to `out` from `start` on.
  // True when what is left is final text.
  bool UnescapeResult(std::string& out, std::size_t start);
  // A call of `group` by bare name, rolled onto the end of `out` as RollGroup would give it.
  // True when what it added is final text.
  inline bool RollBareCall(Table& table, const std::string& table_name, Group& group,
                           std::string& out);
  // Expands an entry planned into `pieces` (engine/expansion/entry_plan.h) onto the end of `out`,
  // exactly as ProcessString would expand its text. True when what it added is final text.
  bool ExpandPlannedEntry(Table& table, const std::string& table_name, const Entry& entry,
                          const PlanPiece* pieces, const PlanPiece* pieces_end, std::string& out);
  // Hands a planned entry over to the scanner after a result that is not final text: `out`
  // holds the entry's text from `start`, the result from `result_begin`; `rest` is the entry's
  // unscanned text. Replaces both with what the scanner makes of them.
  void ResumeScan(const std::string& table_name, int32_t line, std::size_t start,
                  std::size_t result_begin, std::string_view rest, std::string& out);
  // Lets the host yield, at most every 20 ms. Looking at the clock on every expansion would cost
  // more than the expansion itself: EnterExpansion calls this every 256 expansions.
  void YieldNow();

  // ---- state shared by the whole engine, under the names the table language documents ----
  std::vector<std::unique_ptr<Table>> TableCache;
  bool g_bKeepRunning = true;
  int32_t g_nIterations = 0;
  int32_t LinkCounter = 0;
  bool bTabCallsAsErrors = false;
  // The current parameter set: the values applied at every top-level roll.
  std::vector<std::string> g_aParamValues;

  Host& host_;
  AddOnLoader* add_on_loader_ = nullptr;
  RollObserver* roll_observer_ = nullptr;
  std::shared_ptr<XmlDataCache> xml_data_cache_;
  RandomSource random_;
  TableCatalog catalog_;
  std::filesystem::path tables_folder_;
  std::filesystem::path program_folder_;
  std::atomic<bool> stop_requested_{false};
  std::string stop_message_;
  int depth_ = 0;
  std::size_t output_bytes_ = 0;  // text handled by the running roll (CountOutput)
  bool output_too_large_ = false;
  bool restarting_scan_ = false;
  unsigned yield_countdown_ = 0;
  std::uintptr_t stack_floor_ = 0;  // of the thread running the outermost expansion
  std::chrono::steady_clock::time_point last_yield_{};
  // Memory for the next top-level result (RecycleResult); larger texts are not kept.
  std::string spare_result_;
  static constexpr std::size_t kMaxSpareResult = std::size_t{64} << 10;
};

inline bool Engine::EnterExpansion(std::size_t size, std::string_view table_name, int32_t line) {
  if ((++yield_countdown_ & 0xFF) == 0) YieldNow();
  g_nIterations = static_cast<int32_t>(static_cast<uint32_t>(g_nIterations) + 1u);
  if (StopRequested()) g_bKeepRunning = false;
  if (!g_bKeepRunning) return false;
  if (depth_ == 0) stack_floor_ = StackFloor();
  ++depth_;
  // The stack check guards callers that run the engine on an ordinary thread. The frame address,
  // not a local's: with stack-use-after-return checking, locals may live on a separate heap
  // stack.
#ifdef __EMSCRIPTEN__
  const auto here = static_cast<std::uintptr_t>(emscripten_stack_get_current());
#else
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
#endif
  if (depth_ > kMaxNesting || here < stack_floor_ + kStackReserve) {
    NestingTooDeep(table_name, line);
    --depth_;
    return false;
  }
  // Each nested expansion scans a copy of its text: deeply nested long texts count.
  if (!CountOutput(size, size, table_name, line)) {
    --depth_;
    return false;
  }
  return true;
}

}  // namespace fablewick

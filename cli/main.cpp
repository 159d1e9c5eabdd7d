// fablewick-cli: rolls tables without a window. Standard output carries the results document,
// standard error the message boxes; the exit status says whether the rolls were made.
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "addons/addon_library.h"
#include "cli/console_host.h"
#include "cli/publish.h"
#include "config/config_file.h"
#include "config/startup.h"
#include "engine/authoring/checker.h"
#include "engine/authoring/import.h"
#include "engine/authoring/odds.h"
#include "engine/authoring/stats.h"
#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/error_text.h"
#include "engine/numbers.h"
#include "engine/stack.h"
#include "platform/program_folder.h"
#include "platform/safe_file.h"

namespace fablewick {
namespace {

constexpr int kExitLoadFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
  std::optional<std::string> home;
  std::optional<std::string> tables;
  std::optional<uint64_t> seed;
  std::string format = "text";
  std::optional<std::string> output;
  bool errors_as_messages = false;
  bool cancel_on_error = false;
  bool allow_shell = false;
  std::vector<std::string> answers;
  // roll
  std::string table;
  std::string count = "1";
  std::vector<std::string> params;
  // call
  std::string call;
  // check
  std::vector<std::string> check_targets;
  // stats
  std::string stats_call;
  int64_t stats_rolls = 10000;
  std::string stats_by;
  // odds
  std::string odds_call;
  int64_t odds_samples = 100000;
  std::string odds_by;
  std::string odds_format = "text";
  // import
  std::string import_file;
  std::string import_as;
  std::string import_start = "origin";
  std::string import_category = "Imported";
  std::string import_name;
  bool import_force = false;
  // publish
  PublishCommand publish;
};

// The engine that Ctrl-C stops. The first Ctrl-C stops the generation as the Stop command does,
// so the results made so far are still written; a second one ends the program.
std::atomic<Engine*> g_interruptible{nullptr};
std::atomic<int> g_interrupts{0};

extern "C" void OnInterrupt(int) {
  if (g_interrupts.fetch_add(1) > 0) _exit(130);
  if (Engine* engine = g_interruptible.load()) engine->RequestStop();
}

int UsageError(const std::string& message) {
  std::cerr << "fablewick-cli: " << message << "\nRun with --help for more information.\n";
  return kExitUsage;
}

int OutputType(const std::string& format) {
  if (format == "html") return kOutputHtml;
  if (format == "xml") return kOutputXml;
  return kOutputText;
}

class Cli {
 public:
  explicit Cli(Options options)
      : options_(std::move(options)),
        console_(ConsoleHostOptions{options_.cancel_on_error,
                                    options_.allow_shell,
                                    {options_.answers.begin(), options_.answers.end()}},
                 stderr),
        host_(console_),
        engine_(host_) {}

  // Sets up the engine from the program folder, the configuration file and the options.
  void Prepare() {
    program_folder_ = ResolveProgramFolder(options_.home, ExecutablePath());
    settings_ = ReadConfigFile(program_folder_);
    engine_.SetProgramFolder(program_folder_);
    add_on_loader_ = std::make_unique<DynamicAddOnLoader>(AddOnFolders(program_folder_));
    engine_.set_add_on_loader(add_on_loader_.get());
    engine_.SetTablesFolder(options_.tables ? std::filesystem::path(*options_.tables)
                                            : settings_.TablesFolder);
    engine_.set_tab_calls_as_errors(options_.errors_as_messages || settings_.bTabCallsAsErrors);
    if (options_.seed) engine_.Seed(*options_.seed);
    engine_.FillCatalog();
  }

  int List() {
    for (const CatalogItem& item : engine_.Catalog().items()) {
      std::cout << item.folder << '\t' << item.name << '\n';
    }
    return 0;
  }

  int Roll() {
    std::optional<int16_t> count = StartupRollCount(options_.count);
    if (!count) return UsageError("the roll count must be a number from 0 to 32767");
    const Engine::Selection chosen = engine_.SelectTable(options_.table, options_.params);
    if (chosen.index < 0) return kExitLoadFailed;
    if (chosen.problem) return UsageError(*chosen.problem);
    return WriteWhileRolling(options_.table, [&](const ResultSink& take) {
      RollTable(engine_, options_.table, *count, take);
    });
  }

  int Call() {
    const auto [call_text, count_text] = SplitStartupCommand(options_.call);
    std::optional<int16_t> count = StartupRollCount(count_text);
    if (!count) return UsageError("the roll count must be a number from 0 to 32767");
    std::string table;
    try {
      table = TableOfStartCall(call_text);
    } catch (const EngineError& error) {
      ShowRoutineError(host_, "RollStartCall", error.description());
      return kExitUsage;
    }
    engine_.ClearTableCache();
    if (engine_.GetTable(table) < 0) return kExitLoadFailed;
    // Clang 14 cannot capture a structured binding in a lambda.
    const std::string& calls = call_text;
    return WriteWhileRolling(table, [&](const ResultSink& take) {
      RollStartCalls(engine_, calls, *count, nullptr, take);
    });
  }

  // Diagnostics on standard output, a count on standard error; status 1 when one is an error.
  int Check() {
    const std::vector<Diagnostic> diagnostics =
        CheckTables(engine_.Catalog(), engine_.TablesFolder(), options_.check_targets);
    const std::string text = FormatDiagnostics(diagnostics);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    std::cerr << "fablewick-cli: " << DiagnosticSummary(diagnostics) << "\n";
    return HasErrors(diagnostics) ? kExitLoadFailed : 0;
  }

  // The written file's path on standard output; what could not be converted, and what the
  // checker says of the new table, on standard error.
  int Import() {
    ImportRequest request;
    request.source = options_.import_file;
    if (!options_.import_as.empty()) request.format = ImportFormatFromWord(options_.import_as);
    request.start_symbol = options_.import_start;
    request.category = options_.import_category;
    request.table = options_.import_name;
    request.replace = options_.import_force;
    const ImportOutcome outcome = ImportTable(request, engine_.TablesFolder());
    switch (outcome.status) {
      case ImportStatus::kWritten:
        break;
      case ImportStatus::kBadName:
        return UsageError(outcome.message);
      case ImportStatus::kExists:
        std::cerr << "fablewick-cli: " << outcome.message << " Give --force to replace it.\n";
        return kExitLoadFailed;
      case ImportStatus::kFailed:
        std::cerr << "fablewick-cli: " << outcome.message << "\n";
        return kExitLoadFailed;
    }
    const std::string source = request.source.filename().string();
    for (const std::string& line : outcome.report) std::cerr << source << ": " << line << "\n";
    std::cout << outcome.file.string() << "\n";
    const std::vector<Diagnostic> diagnostics =
        CheckTables(engine_.Catalog(), engine_.TablesFolder(), {outcome.file.string()});
    std::cerr << FormatDiagnostics(diagnostics);
    return HasErrors(diagnostics) ? kExitLoadFailed : 0;
  }

  int Publish() {
    return RunPublish(options_.publish, engine_.Catalog(), engine_.TablesFolder(), program_folder_,
                      settings_, options_.errors_as_messages || settings_.bTabCallsAsErrors);
  }

  // The odds of a call; sampled when they cannot be worked out exactly, which the report says.
  int Odds() {
    host_.set_folding(true);
    OddsResult result;
    OddsOptions odds_options;
    odds_options.samples = options_.odds_samples;
    odds_options.by_group = options_.odds_by;
    Generate([&] { result = ComputeOdds(engine_, options_.odds_call, odds_options); });
    for (const auto& [title, times] : host_.Repeated()) {
      std::cerr << "fablewick-cli: [" << title << "] was shown " << times << " times\n";
    }
    switch (result.status) {
      case OddsStatus::kDone:
        break;
      case OddsStatus::kTableNotLoaded:
        return kExitLoadFailed;
      case OddsStatus::kBadCall:
      case OddsStatus::kGroupNotFound:
        return UsageError(result.problem);
    }
    const std::string text = options_.odds_format == "csv"    ? FormatOddsCsv(result.report)
                             : options_.odds_format == "json" ? FormatOddsJson(result.report)
                                                              : FormatOddsText(result.report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
  }

  int Stats() {
    // A faulty table would show the same box in every roll: each is shown once and counted.
    host_.set_folding(true);
    StatsResult result;
    Generate([&] {
      result = CollectStats(engine_, options_.stats_call,
                            StatsOptions{options_.stats_rolls, options_.stats_by});
    });
    for (const auto& [title, times] : host_.Repeated()) {
      std::cerr << "fablewick-cli: [" << title << "] was shown " << times << " times\n";
    }
    switch (result.status) {
      case StatsStatus::kDone:
        break;
      case StatsStatus::kTableNotLoaded:
        return kExitLoadFailed;
      case StatsStatus::kBadCall:
      case StatsStatus::kGroupNotFound:
        return UsageError(result.problem);
    }
    const std::string text = FormatStats(result.stats);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
  }

 private:
  // Runs a generation on a thread with a large stack, interruptible by Ctrl-C.
  void Generate(const std::function<void()>& work) {
    g_interruptible.store(&engine_);
    RunWithLargeStack(work);
    g_interruptible.store(nullptr);
  }

  // Runs `roll` as a generation and writes the results document as the results come: to
  // standard output, or to the --output file, which is replaced only once it is complete.
  int WriteWhileRolling(const std::string& title,
                        const std::function<void(const ResultSink&)>& roll) {
    const int type = OutputType(options_.format);
    std::unique_ptr<AtomicFileWriter> file;
    std::string pending = ResultsDocumentHead(type, title, program_folder_.string(),
                                              settings_.ColorFG, settings_.ColorBG);
    // Room for a whole piece from the start: growing it on the rolling thread would take fresh
    // memory several times over.
    pending.reserve(kFlushSize + 4096);
    // Straight to the descriptor in whole pieces; a document that cannot be written is an
    // error, not a success with nothing to show.
    std::fflush(stdout);
    auto flush = [&] {
      if (file) {
        file->Write(pending);
      } else if (!WriteAll(STDOUT_FILENO, pending)) {
        throw std::runtime_error(std::string("Cannot write the standard output: ") +
                                 std::strerror(errno));
      }
      pending.clear();
    };
    try {
      if (options_.output) file = std::make_unique<AtomicFileWriter>(*options_.output);
      Generate([&] {
        roll([&](std::string&& result) {
          AppendResultLines(type, result, pending);
          if (pending.size() >= kFlushSize) flush();
        });
      });
      pending += ResultsDocumentTail(type, title);
      flush();
      if (file) file->Commit();
    } catch (const std::exception& error) {
      ShowRoutineError(host_, "DisplayResultsFile", error.what());
      return kExitLoadFailed;
    }
    std::fflush(stdout);
    return 0;
  }

  // Results are passed on in pieces of about this size.
  static constexpr std::size_t kFlushSize = std::size_t{64} << 10;

  Options options_;
  ConsoleHost console_;
  RepeatedBoxFilter host_;
  Engine engine_;
  std::unique_ptr<DynamicAddOnLoader> add_on_loader_;
  std::filesystem::path program_folder_;
  Settings settings_;
};

int Main(int argc, char** argv) {
  Options options;
  CLI::App app{
      "Rolls Fablewick tables without a window: the results document goes to standard "
      "output, message boxes to standard error.",
      "fablewick-cli"};
  app.set_version_flag("--version", std::string("fablewick-cli ") + FABLEWICK_VERSION);
  app.fallthrough();
  app.add_option("--home", options.home, "The program folder");
  app.add_option("--tables", options.tables,
                 "The tables folder (default: the Tables setting, else the program folder's "
                 "Tables)");
  app.add_option("--seed", options.seed, "Seed the random generator for repeatable output");
  app.add_option("--format", options.format, "Output type of the results document")
      ->check(CLI::IsMember({"html", "text", "xml"}));
  app.add_option("--output", options.output, "Write the results document to FILE");
  app.add_flag("--errors-as-messages", options.errors_as_messages,
               "Report calls of groups that do not exist as error texts");
  app.add_flag("--cancel-on-error", options.cancel_on_error,
               "Answer Cancel to the first error box, which stops the generation");
  app.add_flag("--allow-shell", options.allow_shell, "Let tables start programs");
  app.add_option("--answer", options.answers, "An answer to an input box (repeatable, in order)")
      ->allow_extra_args(false);

  CLI::App* roll = app.add_subcommand("roll", "Roll group Start of a table COUNT times");
  roll->add_option("TABLE", options.table, "The table's name")->required();
  roll->add_option("-n,--count", options.count, "Number of rolls (default 1)");
  roll->add_option("--param", options.params, "Set a parameter by its variable: VAR=VALUE")
      ->allow_extra_args(false);
  CLI::App* call = app.add_subcommand("call", "Roll a call as at start-up: \"[Table.Group]:3\"");
  call->add_option("CALL", options.call, "The call with its brackets, optionally :COUNT")
      ->required();
  CLI::App* list = app.add_subcommand("list", "List the table catalogue: category, tab, name");
  CLI::App* check = app.add_subcommand(
      "check", "Check tables for mistakes; prints file:line: severity: message lines");
  check->add_option("TABLE", options.check_targets,
                    "Table names or .tab files (default: every table of the catalogue)");
  CLI::App* stats =
      app.add_subcommand("stats", "Roll a call many times and count how often each result comes");
  stats->add_option("CALL", options.stats_call, "The call, as \"[Table.Group]\"")->required();
  stats->add_option("-n,--count", options.stats_rolls, "Number of rolls (default 10000)")
      ->check(CLI::Range(int64_t{1}, int64_t{100000000}));
  stats->add_option("--by", options.stats_by,
                    "Count the entries chosen in GROUP (or TABLE.GROUP) instead of results");
  CLI::App* odds = app.add_subcommand(
      "odds",
      "The chance of every entry and every result of a call, exact where the dice alone decide; "
      "sampled, with 95% intervals, where the roll's state does");
  odds->add_option("CALL", options.odds_call, "The call, as \"[Table.Group]\"")->required();
  odds->add_option("-n,--count", options.odds_samples,
                   "Rolls made when the odds must be sampled (default 100000)")
      ->check(CLI::Range(int64_t{1}, int64_t{100000000}));
  odds->add_option("--by", options.odds_by, "Break down only GROUP (or TABLE.GROUP) by entry");
  odds->add_option("--format", options.odds_format, "text (default), csv or json")
      ->check(CLI::IsMember({"text", "csv", "json"}));
  CLI::App* import_command = app.add_subcommand(
      "import",
      "Import a grammar JSON file, a plain list or a CSV sheet as a new table; prints the table "
      "file, and on standard error what could not be converted. An existing table is never "
      "replaced unless --force is given");
  import_command->add_option("FILE", options.import_file, "The file to import")->required();
  import_command
      ->add_option("--as", options.import_as,
                   "Its format: json (grammar JSON), list (plain list) or csv (default: from the "
                   "file's extension: .json, .csv, anything else a list)")
      ->check(CLI::IsMember({"json", "list", "csv"}));
  import_command->add_option("--start", options.import_start,
                             "Grammar JSON: the symbol that becomes group Start (default origin)");
  import_command->add_option("--category", options.import_category,
                             "The category folder the table goes to (default Imported)");
  import_command->add_option(
      "--name", options.import_name,
      "The new table's name (default: the file's name without its extension)");
  import_command->add_flag("--force", options.import_force,
                           "Replace a table of that name in that category");
  CLI::App* publish = app.add_subcommand(
      "publish",
      "Write one web page that rolls the tables in any browser, from disk, with every table they "
      "call, their data files and the style sheet inside");
  PublishCommand& page = options.publish;
  publish->add_option("TABLE", page.request.tables, "The tables' names");
  publish->add_option("--category", page.request.categories, "Every table of a category")
      ->allow_extra_args(false);
  publish->add_flag("--all", page.request.all, "Every table of the library");
  publish->add_option("-o,--output", page.output, "The page's file (default: standard output)");
  publish->add_option("--title", page.title, "The page's title (default: the table's name)");
  publish->add_option("--engine", page.engine_file,
                      "The web engine (default: Web/fablewick-web.js in the program folder)");
  app.require_subcommand(1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);
    return UsageError(error.what());
  }

  Cli cli(options);
  cli.Prepare();
  std::signal(SIGINT, OnInterrupt);
  if (roll->parsed()) return cli.Roll();
  if (call->parsed()) return cli.Call();
  if (list->parsed()) return cli.List();
  if (check->parsed()) return cli.Check();
  if (stats->parsed()) return cli.Stats();
  if (odds->parsed()) return cli.Odds();
  if (import_command->parsed()) return cli.Import();
  if (publish->parsed()) return cli.Publish();
  return kExitUsage;
}

}  // namespace
}  // namespace fablewick

int main(int argc, char** argv) {
  // Rolls run on a thread of their own while this one waits: with one heap for both, the rolls
  // reuse what loading freed instead of touching fresh memory, where every page costs a fault.
  // (The web build has one heap and no threads.)
#ifdef M_ARENA_MAX
  mallopt(M_ARENA_MAX, 1);
#endif
  const int status = fablewick::Main(argc, argv);
  // What the other commands print goes through the standard library's buffer: a failure to
  // write it fails the command.
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0) {
    std::fprintf(stderr, "fablewick-cli: cannot write the standard output: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return status;
}

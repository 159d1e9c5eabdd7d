#include "engine/model/loader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <system_error>

#include <sys/mman.h>
#include <sys/stat.h>

#include "engine/error.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr int32_t kMaxCount = INT16_MAX;

// Why a line ended the loading.
enum class LineFailure { kMissingValue, kValueTooBig, kUnknown };

struct LoadFailure {
  LineFailure kind;
};

// The entry value N or N-M as a 16-bit number; a part that is not a number is a missing value,
// one outside 16 bits a value too big.
int16_t ParseEntryNumber(std::string_view text) {
  // Most entries are numbered with plain digits: those need no general number parsing.
  if (!text.empty() && text.size() <= 4 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    int16_t value = 0;
    for (char c : text) value = static_cast<int16_t>(value * 10 + (c - '0'));
    return value;
  }
  std::optional<double> number = ParseStrictNumber(text);
  if (!number) throw LoadFailure{LineFailure::kMissingValue};
  try {
    return RoundToInt16(*number);
  } catch (const EngineError&) {
    throw LoadFailure{LineFailure::kValueTooBig};
  }
}

class TableReader {
 public:
  TableReader(const std::string& name, Host& host) : host_(host), table_(new Table) {
    table_->Name = name;
  }

  // Reads the text line by line in place.
  std::unique_ptr<Table> Read(std::string_view text) {
    ForEachTableLine(text, [&](std::string_view line, std::size_t) {
      ++line_number_;
      try {
        ReadLine(line);
        return true;
      } catch (const LoadFailure& failure) {
        Report(failure.kind, line);
        table_->Name = kErrorTableName;
        return false;
      }
    });
    return std::move(table_);
  }

 private:
  void ReadLine(std::string_view line) {
    switch (ClassifyTableLine(line)) {
      case LineKind::kBlank:
      case LineKind::kComment:
      case LineKind::kIgnored:
        return;
      case LineKind::kContinuation:
        return AppendContinuation(line);
      case LineKind::kVariable:
        return DeclareVariable(line);
      case LineKind::kParameter:
        return DeclareParameter(line);
      case LineKind::kGroupHeader:
        return StartGroup(ReadHeaderLine(line));
      case LineKind::kEntry:
        return AddEntry(line);
    }
  }

  void AppendContinuation(std::string_view line) {
    if (current_entry_ == nullptr) {
      Message("Line " + FormatInteger(line_number_) +
              " continues no entry, and will be ignored: \r\r" + std::string(line));
      return;
    }
    current_entry_->Text.append(ContinuationText(line));
  }

  void DeclareVariable(std::string_view line) {
    const VariableLine declared = ReadVariableLine(line);
    if (!declared.well_formed) throw LoadFailure{LineFailure::kUnknown};
    CheckCount(table_->Vars.size());
    TableVariable variable;
    variable.Name = declared.name;
    variable.InitialValue = declared.value;
    variable.Value = variable.InitialValue;
    table_->Vars.push_back(std::move(variable));
  }

  void DeclareParameter(std::string_view line) {
    const std::vector<std::string_view> fields = ParameterFields(line);
    if (fields.size() < 3) throw LoadFailure{LineFailure::kUnknown};
    int index = table_->FindVariable(std::string(fields[0]));
    if (index < 0) {
      Message("Line " + FormatInteger(line_number_) + " declares a parameter for variable '" +
              std::string(fields[0]) +
              "', which is not declared above it; the line will be ignored: \r\r" +
              std::string(line));
      return;
    }
    CheckCount(table_->Params.size());
    TableParameter parameter;
    parameter.VarIndex = static_cast<int16_t>(index);
    parameter.DefaultValue = fields[1];
    parameter.Prompt = fields[2];
    parameter.IsList = fields.size() > 3;
    parameter.Options.assign(fields.begin() + 3, fields.end());
    table_->Vars[static_cast<std::size_t>(index)].InitialValue = parameter.DefaultValue;
    table_->Params.push_back(std::move(parameter));
  }

  void StartGroup(const HeaderLine& header) {
    CheckCount(table_->Groups.size());
    Group group;
    group.NoRepeat = header.no_repeat;
    group.Name = header.name;
    weighted_ = header.weighted;
    table_->Groups.push_back(std::move(group));
    current_entry_ = nullptr;
  }

  void AddEntry(std::string_view raw) {
    const EntryLine line = ReadEntryLine(raw);
    if (!line.has_comma) {
      Message("Line " + FormatInteger(line_number_) +
              " has no initial comma, and will be ignored: \r\r" + std::string(raw));
      return;
    }
    // Entry lines before the first group header belong to no group and are dropped.
    if (table_->Groups.empty()) return;
    const int16_t low = ParseEntryNumber(line.Low());
    const int16_t high = line.IsRange() ? ParseEntryNumber(line.High()) : low;
    Group& group = table_->Groups.back();
    CheckCount(group.Entries.size());
    Entry entry;
    entry.Line = line_number_;
    entry.Text = line.text;
    if (!weighted_) {
      entry.Low = low;
      entry.High = high;
    } else {
      // Weighted entries lie end to end from 1; the weight is the (upper) number.
      int32_t first = group.Entries.empty() ? 1 : int32_t{group.Entries.back().High} + 1;
      int32_t last = first + int32_t{high} - 1;
      if (first > INT16_MAX || last > INT16_MAX) throw LoadFailure{LineFailure::kValueTooBig};
      entry.Low = static_cast<int16_t>(first);
      entry.High = static_cast<int16_t>(last);
    }
    if (entry.Low < group.MinValue) group.MinValue = entry.Low;
    if (entry.High > group.MaxValue) group.MaxValue = entry.High;
    group.Entries.push_back(std::move(entry));
    current_entry_ = &group.Entries.back();
  }

  void CheckCount(std::size_t count) {
    if (count >= kMaxCount) throw LoadFailure{LineFailure::kValueTooBig};
  }

  void Report(LineFailure kind, std::string_view raw) {
    const std::string number = FormatInteger(line_number_);
    const std::string line(raw);
    switch (kind) {
      case LineFailure::kMissingValue:
        return Message("Missing value before comma in line " + number + ":\r\r" + line);
      case LineFailure::kValueTooBig:
        return Message("Value exceeds 32768 in line " + number + ":\r\r" + line);
      case LineFailure::kUnknown:
        return Message("An unknown error occurred in line " + number + ":\r\r" + line);
    }
  }

  void Message(const std::string& text) {
    host_.MessageBox("Error reading table file: " + table_->Name, text);
  }

  Host& host_;
  std::unique_ptr<Table> table_;
  int32_t line_number_ = 0;
  bool weighted_ = false;
  Entry* current_entry_ = nullptr;
};

// The bytes of a file, read in one piece. Large files are read into memory asked for in huge
// pages where the system has them: touching a fresh page costs more than filling it, and a 50 MB
// table would otherwise touch 12,800 of them, each time it is loaded.
class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() {
    if (mapped_ > 0) ::munmap(data_, mapped_);
  }

  // False when the file cannot be opened or read whole.
  bool Read(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool read = ReadOpen(fd);
    ::close(fd);
    return read;
  }

  std::string_view view() const { return {data_, size_}; }

 private:
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;

  bool ReadOpen(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || status.st_size < 0) return false;
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ >= kHugePage) {
      const std::size_t length = (size_ + kHugePage - 1) / kHugePage * kHugePage;
      void* memory =
          ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (memory == MAP_FAILED) return false;
      mapped_ = length;
      data_ = static_cast<char*>(memory);
      ::madvise(memory, length, MADV_HUGEPAGE);  // a hint: without huge pages all still works
    } else {
      small_.reset(new char[std::max<std::size_t>(size_, 1)]);
      data_ = small_.get();
    }
    for (std::size_t done = 0; done < size_;) {
      const ssize_t got = ::read(fd, data_ + done, size_ - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // an error, or the file shrank while it was read
      done += static_cast<std::size_t>(got);
    }
    return true;
  }

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;
  std::unique_ptr<char[]> small_;
};

std::unique_ptr<Table> FailedTable(const std::string& name, Host& host, const std::string& text) {
  host.MessageBox("Error reading table file: " + name, text);
  auto table = std::make_unique<Table>();
  table->Name = kErrorTableName;
  return table;
}

}  // namespace

std::filesystem::path FindFileIgnoringCase(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) return path;
  const std::string wanted = path.filename().string();
  std::filesystem::directory_iterator it(path.parent_path().empty() ? "." : path.parent_path(),
                                         error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (EqualsIgnoreCase(it->path().filename().string(), wanted) && it->is_regular_file(error)) {
      return it->path();
    }
  }
  return {};
}

std::unique_ptr<Table> ParseTableText(const std::string& name, std::string_view text, Host& host) {
  return TableReader(name, host).Read(text);
}

std::unique_ptr<Table> LoadTableFile(const std::string& name, const std::filesystem::path& path,
                                     Host& host) {
  std::error_code error;
  std::filesystem::path found = FindFileIgnoringCase(path);
  if (found.empty()) {
    // A missing folder is an unknown error; a missing file in an existing folder is not found.
    std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
      return FailedTable(name, host, "An unknown error occurred in line 0:\r\r");
    }
    return FailedTable(name, host, "File \"" + name + "\" not found.\r\r");
  }
  // The file is read in one piece. UTF-8 is read in place; other text is converted first, and
  // the raw bytes let go, so that the table is built beside one copy of the text only.
  std::optional<FileBytes> bytes(std::in_place);
  if (!bytes->Read(found))
    return FailedTable(name, host, "An unknown error occurred in line 0:\r\r");
  if (std::optional<std::string_view> text = Utf8FileText(bytes->view())) {
    return ParseTableText(name, *text, host);
  }
  const std::string text = DecodeFileText(bytes->view());
  bytes.reset();
  return ParseTableText(name, text, host);
}

}  // namespace fablewick

#include "platform/system_info.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>

#ifndef __EMSCRIPTEN__
#include <sys/sysinfo.h>
#endif

#include "platform/text.h"

namespace fablewick {
namespace {

// The "Name: value kB" fields of /proc/meminfo that the status needs, in KiB.
std::map<std::string, int64_t, std::less<>> ReadMemInfoFields(std::string_view text) {
  std::map<std::string, int64_t, std::less<>> fields;
  for (const std::string& line : SplitLines(text)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::size_t start = line.find_first_not_of(' ', colon + 1);
    if (start == std::string::npos) continue;
    int64_t value = 0;
    const auto [end, error] =
        std::from_chars(line.data() + start, line.data() + line.size(), value);
    if (error != std::errc()) continue;
    fields.emplace(line.substr(0, colon), value);
  }
  return fields;
}

int64_t FieldOr(const std::map<std::string, int64_t, std::less<>>& fields, std::string_view name,
                int64_t fallback) {
  auto found = fields.find(name);
  return found == fields.end() ? fallback : found->second;
}

// Fills the figures that follow from the totals and what is available.
MemoryStatus StatusFrom(int64_t total, int64_t available, int64_t swap_total, int64_t swap_free) {
  MemoryStatus status;
  status.total_physical_kib = total;
  status.available_physical_kib = std::clamp<int64_t>(available, 0, total);
  status.total_virtual_kib = total + swap_total;
  status.available_virtual_kib = status.available_physical_kib + swap_free;
  if (total > 0) {
    const int64_t used = total - status.available_physical_kib;
    status.memory_load_percent = (used * 100 + total / 2) / total;
  }
  return status;
}

std::optional<MemoryStatus> StatusFromSysinfo() {
#ifdef __EMSCRIPTEN__
  // A web page is told nothing of the machine's memory.
  return std::nullopt;
#else
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return std::nullopt;
  const auto kib = [&](unsigned long amount) {
    return static_cast<int64_t>(amount) * static_cast<int64_t>(info.mem_unit) / 1024;
  };
  return StatusFrom(kib(info.totalram), kib(info.freeram + info.bufferram), kib(info.totalswap),
                    kib(info.freeswap));
#endif
}

std::optional<std::string> ReadWholeFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace

std::optional<MemoryStatus> ParseMemInfo(std::string_view text) {
  const auto fields = ReadMemInfoFields(text);
  const int64_t total = FieldOr(fields, "MemTotal", -1);
  if (total < 0) return std::nullopt;
  const int64_t old_style_available =
      FieldOr(fields, "MemFree", 0) + FieldOr(fields, "Buffers", 0) + FieldOr(fields, "Cached", 0);
  return StatusFrom(total, FieldOr(fields, "MemAvailable", old_style_available),
                    FieldOr(fields, "SwapTotal", 0), FieldOr(fields, "SwapFree", 0));
}

std::optional<MemoryStatus> ReadMemoryStatus() {
  if (std::optional<std::string> text = ReadWholeFile("/proc/meminfo")) {
    if (std::optional<MemoryStatus> status = ParseMemInfo(*text)) return status;
  }
  return StatusFromSysinfo();
}

std::optional<int64_t> ProcessResidentKib() {
  // statm holds sizes in pages: total program size, then the resident set.
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  if (!(statm >> size >> resident)) return std::nullopt;
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return std::nullopt;
  return resident * static_cast<int64_t>(page) / 1024;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace fablewick

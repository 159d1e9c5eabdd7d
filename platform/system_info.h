// Memory figures of the operating system and of this process, for the debug window.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fablewick {

// The system's memory status. Sizes are in KiB, not bytes: in bytes, every machine of today
// would exceed the 32-bit figures the debug window shows.
struct MemoryStatus {
  int64_t available_physical_kib = 0;  // memory that can be given out without swapping
  int64_t available_virtual_kib = 0;   // the same plus free swap space
  int64_t memory_load_percent = 0;     // share of physical memory in use, 0 to 100
  int64_t total_physical_kib = 0;
  int64_t total_virtual_kib = 0;  // physical memory plus swap space
};

// Reads the memory status from the text of /proc/meminfo ("MemTotal:  16318412 kB" lines).
// nullopt when MemTotal is missing. Older kernels without MemAvailable count free memory,
// buffers and the page cache as available.
std::optional<MemoryStatus> ParseMemInfo(std::string_view text);

// The memory status of this machine: /proc/meminfo, else sysinfo(2); nullopt when neither
// tells.
std::optional<MemoryStatus> ReadMemoryStatus();

// The resident set size of this process in KiB, from /proc/self/statm; nullopt when unknown.
std::optional<int64_t> ProcessResidentKib();

// A figure as the debug window writes it: clamped into the signed 32-bit range.
int32_t ClampToInt32(int64_t value);

}  // namespace fablewick

// Sources to import come from strangers too: arbitrary bytes, the first choosing the format, are
// converted; whatever converts must give a table file that loads without a single message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "engine/authoring/import.h"
#include "engine/model/loader.h"
#include "engine/model/table.h"
#include "fuzz/fuzz_support.h"

namespace fablewick {
namespace {

class CountingHost : public AnsweringHost {
 public:
  void MessageBox(const std::string& title, const std::string& text) override {
    AnsweringHost::MessageBox(title, text);
    ++boxes;
  }
  int boxes = 0;
};

void ConvertAndLoad(std::string_view bytes) {
  if (bytes.empty()) return;
  constexpr ImportFormat kFormats[] = {ImportFormat::kGrammarJson, ImportFormat::kPlainList,
                                       ImportFormat::kCsv};
  const ImportFormat format = kFormats[static_cast<unsigned char>(bytes[0]) % 3];
  const Conversion conversion = ConvertToTable(bytes.substr(1), format, "origin", "fuzz");
  if (!conversion.error.empty()) return;
  CountingHost host;
  const std::unique_ptr<Table> table = ParseTableText("Fuzz", conversion.table_text, host);
  if (table->Name == kErrorTableName || host.boxes != 0) abort();
  if (table->Groups.empty() || table->Groups.front().Name != "Start") abort();
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::ConvertAndLoad(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

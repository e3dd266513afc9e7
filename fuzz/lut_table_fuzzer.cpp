// The lookup-table file reader over random files: every column the header
// names can be selected or refused, the rows it reads are within the
// limits, and nothing is read outside the file's data.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_support.h"
#include "params/lut_table_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string asked = in.ConsumeRandomLengthString(16);
  const std::string path = (ecocam::fuzz::ScratchDir() / "table.csv").string();
  ecocam::fuzz::WriteFile(path, in.ConsumeRemainingBytesAsString());

  ecocam::LutTableFile table(path);
  const auto& names = table.ColumnNames();
  FUZZ_CHECK(!table.ColumnName(-1) && !table.ColumnName(static_cast<int>(names.size())), "a column past the header");
  std::vector<std::string> candidates(names.begin(), names.begin() + std::min<std::size_t>(names.size(), 4));
  candidates.push_back(asked);
  for (const std::string& name : candidates) {
    const bool selected = table.SelectColumn(name);
    const int count = table.EntryCount();
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) <= ecocam::LutTableFile::kMaxRows, "row count");
    if (!selected) continue;
    long long sum = 0;
    for (int i = 0; i < count; ++i) sum += table.InputAt(i) ^ table.OutputAt(i);
    FUZZ_CHECK(table.InputAt(count) == 0 && table.OutputAt(-1) == 0, "a row outside the table");
    (void)sum;
  }
  return 0;
}

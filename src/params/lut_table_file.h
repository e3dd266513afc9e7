// A lookup-table file: semicolon-separated text whose first line names the
// output columns (its first cell is ignored) and whose further lines give
// an input value in cell 0 and the output of column k in cell k.
//
// The file is read twice, for the header at construction and for the rows
// in SelectColumn, and is never kept open in between. A carriage return
// before a line end is dropped on every platform, so a file written on
// Windows reads the same everywhere. Numbers are read by atoi rules
// (leading blanks, a sign, the leading digits; 0 when there are none),
// saturating at the limits of a 32-bit integer.
#pragma once

#include <cstddef>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

namespace ecocam {

class LutTableFile {
 public:
  // A header longer than this is not a lookup-table header: the file then
  // has no column names.
  static constexpr std::size_t kMaxHeaderLength = 64 * 1024;
  // At most this many rows are kept; later rows are still checked.
  static constexpr std::size_t kMaxRows = 1 << 20;
  // No more of a file is read: a larger one is no lookup table.
  static constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;

  // Stores the path and reads the column names; a file that cannot be
  // opened, or that is not a regular file (a FIFO, a device, a folder),
  // has none. `maxFileSize` is the size bound (tests make it small).
  explicit LutTableFile(const std::string& path, std::size_t maxFileSize = kMaxFileSize);

  // Reads the rows of the first column named exactly `name` (case and
  // blanks count). False when there is no such column, the file cannot be
  // opened, or a row ends before that column. A file larger than the size
  // bound is reported at level 1 and gives false with no rows.
  bool SelectColumn(const std::string& name);

  // The name of output column `index` (0 is the header's second cell), or
  // nothing when there is no such column.
  std::optional<std::string> ColumnName(int index) const;
  const std::vector<std::string>& ColumnNames() const { return _columnNames; }

  // The number of rows read by the last SelectColumn.
  int EntryCount() const { return static_cast<int>(_outputs.size()); }
  // Input and output of row `index`, or 0 when there is no such row.
  int InputAt(int index) const;
  int OutputAt(int index) const;

  const std::string& Path() const { return _path; }

 private:
  void ReadColumnNames();
  bool ReadRows(std::streambuf& file, std::size_t k);

  std::string _path;
  std::size_t _maxFileSize;
  char _separator = ';';
  std::vector<std::string> _columnNames;
  std::vector<int> _outputs;
  std::vector<int> _inputs;
};

}  // namespace ecocam

// Reading a lookup-table file. Lines are taken character by character, so
// a file with very long lines or no line breaks at all (a binary file, say)
// costs no more memory than its header and its rows' numbers.
#include "params/lut_table_file.h"

#include <fstream>
#include <ios>
#include <streambuf>

#include "params/number_text.h"

namespace ecocam {

namespace {

constexpr int kEndOfLine = -1;

// The lines of a file opened in binary mode. A line ends at a line feed, at
// a carriage return that a line feed or the end of the file follows, or at
// the end of the file.
class LineReader {
 public:
  explicit LineReader(std::streambuf& buffer) : _buffer(buffer) {}

  // Starts the next line; false when the file has no more. A line break
  // after the last line starts no further line.
  bool NextLine() {
    _inLine = _buffer.sgetc() != std::streambuf::traits_type::eof();
    return _inLine;
  }

  // The next character of the current line as an unsigned char, or
  // kEndOfLine (also on every call after the line ended).
  int Next() {
    if (!_inLine) return kEndOfLine;
    using Traits = std::streambuf::traits_type;
    const Traits::int_type c = _buffer.sbumpc();
    if (c == Traits::eof() || c == '\n') return EndLine();
    if (c == '\r') {
      const Traits::int_type after = _buffer.sgetc();
      if (after == Traits::eof()) return EndLine();
      if (after == '\n') {
        _buffer.sbumpc();
        return EndLine();
      }
    }
    return static_cast<unsigned char>(Traits::to_char_type(c));
  }

  void SkipLine() {
    while (Next() != kEndOfLine) {
    }
  }

 private:
  int EndLine() {
    _inLine = false;
    return kEndOfLine;
  }

  std::streambuf& _buffer;
  bool _inLine = false;
};

// A cell's number by atoi rules, fed one character at a time. It keeps a
// short normalised text (sign and significant digits) and lets the shared
// parser decide the value, saturation included.
class CellNumber {
 public:
  void Feed(int c) {
    switch (_state) {
      case State::Leading:
        if (c == ' ' || (c >= '\t' && c <= '\r')) return;  // white space in the "C" locale
        _state = State::Digits;
        if (c == '+' || c == '-') {
          _text += static_cast<char>(c);
          return;
        }
        [[fallthrough]];
      case State::Digits:
        if (c < '0' || c > '9') {
          _state = State::Done;
        } else if (c != '0' || _significant > 0) {
          // More digits than any int has saturate the same way; the text
          // stays short whatever the cell holds.
          if (_significant < kMaxDigits) {
            _text += static_cast<char>(c);
            ++_significant;
          }
        }
        return;
      case State::Done:
        return;
    }
  }

  int Value() const { return ParseLeadingInt(_text.c_str()); }

 private:
  static constexpr int kMaxDigits = 20;
  enum class State { Leading, Digits, Done };
  State _state = State::Leading;
  std::string _text;
  int _significant = 0;
};

bool Open(const std::string& path, std::ifstream& file) {
  file.open(path, std::ios::in | std::ios::binary);
  return file.is_open() && file.rdbuf() != nullptr;
}

}  // namespace

LutTableFile::LutTableFile(const std::string& path) : _path(path) { ReadColumnNames(); }

// The header's cells after the first. A token ends at a separator or at
// the end of the line; a separator at the very end adds no empty token.
void LutTableFile::ReadColumnNames() {
  std::ifstream file;
  if (!Open(_path, file)) return;
  LineReader lines(*file.rdbuf());
  if (!lines.NextLine()) return;

  std::vector<std::string> cells;
  std::string cell;
  bool inCell = false;
  std::size_t length = 0;
  for (int c = lines.Next(); c != kEndOfLine; c = lines.Next()) {
    if (++length > kMaxHeaderLength) return;  // not a header: no names
    inCell = true;
    if (c == _separator) {
      cells.push_back(std::move(cell));
      cell.clear();
      inCell = false;
    } else {
      cell += static_cast<char>(c);
    }
  }
  if (inCell) cells.push_back(std::move(cell));
  if (!cells.empty()) _columnNames.assign(cells.begin() + 1, cells.end());
}

bool LutTableFile::SelectColumn(const std::string& name) {
  _inputs.clear();
  _outputs.clear();
  std::size_t column = 0;
  while (column < _columnNames.size() && _columnNames[column] != name) ++column;
  if (column == _columnNames.size()) return false;
  const std::size_t k = column + 1;  // its cell in the data rows

  std::ifstream file;
  if (!Open(_path, file)) return false;
  LineReader lines(*file.rdbuf());
  if (lines.NextLine()) lines.SkipLine();

  std::size_t rows = 0;
  while (lines.NextLine()) {
    const bool keep = rows++ < kMaxRows;
    std::size_t cellIndex = 0;
    bool cellOpen = false;  // a cell has begun on this line and not yet ended
    CellNumber number;
    // Ends cell `cellIndex`; true when that was cell k, which completes the row.
    auto endCell = [&]() {
      if (cellIndex == 0 && keep) _inputs.push_back(number.Value());
      if (cellIndex == k) {
        if (keep) _outputs.push_back(number.Value());
        return true;
      }
      ++cellIndex;
      number = CellNumber();
      cellOpen = false;
      return false;
    };
    bool complete = false;
    for (int c = lines.Next(); c != kEndOfLine; c = lines.Next()) {
      cellOpen = true;
      if (c == _separator) {
        if ((complete = endCell())) break;
      } else if (cellIndex == 0 || cellIndex == k) {
        number.Feed(c);
      }
    }
    if (!complete && cellOpen) complete = endCell();
    if (!complete) return false;  // the row ends before the column
    lines.SkipLine();             // later cells are not read
  }
  return true;
}

int LutTableFile::InputAt(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < _inputs.size() ? _inputs[index] : 0;
}

int LutTableFile::OutputAt(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < _outputs.size() ? _outputs[index] : 0;
}

std::optional<std::string> LutTableFile::ColumnName(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= _columnNames.size()) return std::nullopt;
  return _columnNames[index];
}

}  // namespace ecocam

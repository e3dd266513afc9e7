// Reading a lookup-table file. Lines are taken character by character, so
// a file with very long lines or no line breaks at all (a binary file, say)
// costs no more memory than its header and its rows' numbers. Only regular
// files are read, and no more of them than the size bound: a path may name
// a FIFO or a device, or a file that keeps growing.
#include "params/lut_table_file.h"

#include <algorithm>
#include <memory>
#include <streambuf>

#include "driver/driver_context.h"
#include "params/number_text.h"
#include "platform/regular_file.h"

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
      case State::Done: return;
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

// A regular file's bytes, as they are (no text-mode translation), up to a
// size bound; past it the file ends and LimitReached() tells.
class BoundedFile : public std::streambuf {
 public:
  explicit BoundedFile(std::size_t limit) : _limit(limit) {}

  bool Open(const std::string& path) { return _file.Open(path.c_str()); }
  bool LimitReached() const { return _limitReached; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    const std::size_t room = _limit - _consumed;
    if (room == 0) {
      // A file of exactly the bound's size is whole; one more byte is not.
      char probe;
      _limitReached = _limitReached || _file.Read(&probe, 1) == 1;
      return traits_type::eof();
    }
    const std::size_t n = _file.Read(_buffer, std::min(sizeof _buffer, room));
    if (n == 0) return traits_type::eof();
    _consumed += n;
    setg(_buffer, _buffer, _buffer + n);
    return traits_type::to_int_type(*gptr());
  }

 private:
  platform::RegularFileReader _file;
  std::size_t _limit;
  std::size_t _consumed = 0;
  bool _limitReached = false;
  char _buffer[64 * 1024];
};

void LogLimitReached(const char* operation, std::size_t limit, const std::string& path) {
  ECOCAM_LOG(1, std::string("LutTableFile::") + operation + ": ERROR: file larger than " + std::to_string(limit) +
                    " bytes, reading stopped, path=" + path);
}

}  // namespace

LutTableFile::LutTableFile(const std::string& path, std::size_t maxFileSize) : _path(path), _maxFileSize(maxFileSize) {
  ReadColumnNames();
}

// The header's cells after the first. A token ends at a separator or at
// the end of the line; a separator at the very end adds no empty token.
void LutTableFile::ReadColumnNames() {
  auto file = std::make_unique<BoundedFile>(_maxFileSize);
  if (!file->Open(_path)) return;
  LineReader lines(*file);
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
  if (file->LimitReached()) {
    LogLimitReached("LutTableFile", _maxFileSize, _path);
    return;
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

  auto file = std::make_unique<BoundedFile>(_maxFileSize);
  if (!file->Open(_path)) return false;
  const bool complete = ReadRows(*file, k);
  if (file->LimitReached()) {
    // The rows read are a part of the file only: none of them is used.
    LogLimitReached("SelectColumn", _maxFileSize, _path);
    _inputs.clear();
    _outputs.clear();
    return false;
  }
  return complete;
}

// Reads every data row's cell 0 and cell k. False when a row ends before
// cell k; the rows before it, and that row's input, stay read.
bool LutTableFile::ReadRows(std::streambuf& file, std::size_t k) {
  LineReader lines(file);
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

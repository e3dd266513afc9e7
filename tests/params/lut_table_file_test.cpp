// The lookup-table file: header, column choice, rows, numbers, line ends,
// and files that are no lookup table at all.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/lut_table_file.h"

namespace ecocam {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LutTableFileTest : public testing::ParamsTest {
 protected:
  std::string Write(const std::string& text) {
    const std::string path = (_dir.path() / "lut.csv").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::vector<int> Inputs(const LutTableFile& f) {
    std::vector<int> v;
    for (int i = 0; i < f.EntryCount(); ++i) v.push_back(f.InputAt(i));
    return v;
  }
  static std::vector<int> Outputs(const LutTableFile& f) {
    std::vector<int> v;
    for (int i = 0; i < f.EntryCount(); ++i) v.push_back(f.OutputAt(i));
    return v;
  }
};

TEST_F(LutTableFileTest, HeaderNamesTheOutputColumns) {
  LutTableFile file(Write("in;A;;B ;\n0;1;2;3\n"));
  EXPECT_THAT(file.ColumnNames(), ElementsAre("A", "", "B "));
  EXPECT_EQ("A", file.ColumnName(0).value());
  EXPECT_FALSE(file.ColumnName(-1).has_value());
  EXPECT_FALSE(file.ColumnName(3).has_value());

  // Exact names only; the header's first cell is no column.
  EXPECT_FALSE(file.SelectColumn("a"));
  EXPECT_FALSE(file.SelectColumn("B"));
  EXPECT_FALSE(file.SelectColumn("in"));
  EXPECT_TRUE(file.SelectColumn("B "));
  EXPECT_THAT(Outputs(file), ElementsAre(3));
  EXPECT_TRUE(LutTableFile(Write("in;in\n7;8\n")).SelectColumn("in"));

  LutTableFile missing((_dir.path() / "none.csv").string());
  EXPECT_THAT(missing.ColumnNames(), IsEmpty());
  EXPECT_FALSE(missing.SelectColumn(""));
}

TEST_F(LutTableFileTest, RowsOfTheSelectedColumn) {
  LutTableFile file(Write("x;first;second\n0;0;255\n1;10;254\n2;12.7;;\n 3; -4x;+5;not a number\n"));
  ASSERT_TRUE(file.SelectColumn("second"));
  EXPECT_THAT(Inputs(file), ElementsAre(0, 1, 2, 3));
  EXPECT_THAT(Outputs(file), ElementsAre(255, 254, 0, 5));
  ASSERT_TRUE(file.SelectColumn("first"));  // a new selection replaces the rows
  EXPECT_THAT(Outputs(file), ElementsAre(0, 10, 12, -4));
  EXPECT_EQ(0, file.OutputAt(4));
  EXPECT_EQ(0, file.InputAt(-1));
}

TEST_F(LutTableFileTest, WindowsLineEndsReadTheSame) {
  LutTableFile file(Write("x;A;B\r\n0;1;2\r\n5;6;7\r\n"));
  EXPECT_THAT(file.ColumnNames(), ElementsAre("A", "B"));
  ASSERT_TRUE(file.SelectColumn("B"));
  EXPECT_THAT(Outputs(file), ElementsAre(2, 7));
  // A row ending in a separator has no further cell, before CR LF too.
  EXPECT_FALSE(LutTableFile(Write("x;A;B\r\n0;1;\r\n")).SelectColumn("B"));
}

TEST_F(LutTableFileTest, ARowWithoutTheColumnFailsTheTable) {
  LutTableFile file(Write("x;A;B\n0;1;2\n1;2\n2;3;4\n"));
  EXPECT_FALSE(file.SelectColumn("B"));
  EXPECT_EQ(1, file.EntryCount());
  EXPECT_THAT(Outputs(file), ElementsAre(2));
  EXPECT_EQ(1, file.InputAt(1));                                             // the failing row's input was read
  EXPECT_FALSE(LutTableFile(Write("x;A\n0;1\n\n1;2\n")).SelectColumn("A"));  // an empty line
  EXPECT_TRUE(LutTableFile(Write("x;A\n0;1\n")).SelectColumn("A"));          // a final line break
}

TEST_F(LutTableFileTest, NumbersThatOverflowSaturate) {
  const std::string zeros(5000, '0');
  LutTableFile file(
      Write("x;A\n99999999999999999999999;-99999999999999999999\n" + zeros + "42;" + std::string(100000, ' ') + "7\n"));
  ASSERT_TRUE(file.SelectColumn("A"));
  EXPECT_THAT(Inputs(file), ElementsAre(2147483647, 42));
  EXPECT_THAT(Outputs(file), ElementsAre(-2147483647 - 1, 7));
}

TEST_F(LutTableFileTest, HugeLinesAndBinaryFilesFailCleanly) {
  std::string binary(3 << 20, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) % 251 + 1);
  for (char& c : binary) {
    if (c == '\n' || c == '\r') c = 'z';
  }
  LutTableFile noHeader(Write(binary));
  EXPECT_THAT(noHeader.ColumnNames(), IsEmpty());
  EXPECT_FALSE(noHeader.SelectColumn("A"));

  // Long cells after the selected column are skipped without being kept.
  LutTableFile longRow(Write("x;A\n1;2;" + binary + "\n3;4\n"));
  ASSERT_TRUE(longRow.SelectColumn("A"));
  EXPECT_THAT(Outputs(longRow), ElementsAre(2, 4));
}

// A file larger than the bound is no lookup table: its rows are dropped
// and the stop is reported once; a file of exactly the bound's size reads.
TEST_F(LutTableFileTest, ReadingStopsAtTheSizeBound) {
  std::string text = "in;out\n";
  while (text.size() < 1000) text += std::to_string(text.size() % 4096) + ";7\n";
  const std::string path = Write(text);
  _log.Take();
  LutTableFile whole(path, text.size());
  ASSERT_TRUE(whole.SelectColumn("out"));
  EXPECT_GT(whole.EntryCount(), 50);
  EXPECT_THAT(_log.Take(), IsEmpty());

  LutTableFile cut(path, text.size() - 1);
  EXPECT_THAT(cut.ColumnNames(), ElementsAre("out"));  // the header is within the bound
  EXPECT_FALSE(cut.SelectColumn("out"));
  EXPECT_EQ(cut.EntryCount(), 0);
  EXPECT_THAT(_log.Take(), ElementsAre("LutTableFile::SelectColumn: ERROR: file larger than " +
                                       std::to_string(text.size() - 1) + " bytes, reading stopped, path=" + path));

  // A header longer than the bound: no column names, and the same report.
  LutTableFile header(Write("in;" + std::string(300, 'a') + "\n0;1\n"), 200);
  EXPECT_THAT(header.ColumnNames(), IsEmpty());
  EXPECT_EQ(_log.Take().size(), 1u);
}

TEST_F(LutTableFileTest, AFolderIsNoTable) {
  LutTableFile folder(_dir.path().string());
  EXPECT_THAT(folder.ColumnNames(), IsEmpty());
  EXPECT_FALSE(folder.SelectColumn(""));
}

}  // namespace
}  // namespace ecocam

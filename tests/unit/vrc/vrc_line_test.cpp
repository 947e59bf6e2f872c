#include "formats/vrc/vrc_line.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/vrc_support.hpp"
#include "text/line_source.hpp"

namespace vc::vrc {
namespace {

using vc::testing::MakeVrcLine;
using vc::testing::ReadVrcLine;
using vc::testing::SplitVrcLine;

std::vector<std::string> FieldsOf(const VrcLine& line) {
  return {line.fields.begin() + 1, line.fields.begin() + 1 + static_cast<long>(line.fieldCount)};
}

bool RestIsEmpty(const VrcLine& line) {
  return std::all_of(line.fields.begin() + 1 + static_cast<long>(line.fieldCount),
                     line.fields.end(), [](const std::string& f) { return f.empty(); });
}

TEST(VrcSplit, SeparatorsAndCleaning) {
  struct Case {
    std::string text;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"RTH\t1\tHOME\t2", {"RTH", "1", "HOME", "2"}},
      {"RTH,1,HOME,2", {"RTH", "1", "HOME", "2"}},
      {"RTH\t1,HOME\t2", {"RTH", "1", "HOME", "2"}},
      {"TRH\t5\t", {"TRH", "5", ""}},
      {"", {""}},
      {"\t\t", {"", "", ""}},
      {" a \t b ", {" a ", " b "}},
      // Spreadsheet cells: ="12" reads as 12; an equals sign inside goes too.
      {"TRH\t=\"12\"\ta=b", {"TRH", "12", "ab"}},
      // No quoting: a comma inside quotes still separates.
      {"\"a,b\"", {"a", "b"}},
      {"\"\"==", {""}},
  };
  for (const Case& c : cases) {
    const VrcLine line = SplitVrcLine(c.text);
    EXPECT_EQ(FieldsOf(line), c.fields) << c.text;
    EXPECT_EQ(line.fields[0], "") << c.text;
    EXPECT_TRUE(RestIsEmpty(line)) << c.text;
  }
}

TEST(VrcSplit, KeepsFirst255Fields) {
  std::string text = "WPT";
  for (int i = 2; i <= 300; ++i) text += "\t" + std::to_string(i);
  const VrcLine line = SplitVrcLine(text);
  EXPECT_EQ(line.fieldCount, kVrcMaxFields);
  EXPECT_EQ(line.fields[255], "255");
}

TEST(VrcSplit, ReusedLineLosesOldFields) {
  std::string full = "WPT";
  for (int i = 2; i <= 300; ++i) full += "\t" + std::to_string(i);
  // Each line before the short one leaves text in fields the short one does
  // not reach: a line of every field, a waypoint line, the end of the file.
  for (const std::string& before : {full, std::string("WPT\tD\tWGS84\tN\t35\t139")}) {
    VrcLine line;
    SplitVrcLine(before, line);
    SplitVrcLine("RTH,1", line);
    EXPECT_EQ(FieldsOf(line), (std::vector<std::string>{"RTH", "1"}));
    EXPECT_EQ(line.fields[0], "");
    EXPECT_TRUE(RestIsEmpty(line));
  }
  text::StringLineSource empty("");
  VrcLine line;
  ReadVrcLine(empty, line);
  SplitVrcLine("TRH", line);
  EXPECT_EQ(line.fields[0], "");
}

TEST(VrcRead, LinesThenEof) {
  text::StringLineSource source("TRH\t1\tTrue\t\tT1\r\nTRP,D,WGS84,35.5,139.75\r\n");
  EXPECT_EQ(FieldsOf(ReadVrcLine(source)),
            (std::vector<std::string>{"TRH", "1", "True", "", "T1"}));
  VrcLine line;
  ReadVrcLine(source, line);
  EXPECT_EQ(line.fields[0], "");
  EXPECT_EQ(line.fields[5], "139.75");
  for (int i = 0; i < 2; ++i) {
    ReadVrcLine(source, line);
    EXPECT_EQ(line.fields[0], "EOF");
    EXPECT_EQ(line.fieldCount, 0u);
    EXPECT_TRUE(RestIsEmpty(line));
  }
}

TEST(VrcMake, ColumnCountsByKind) {
  struct Case {
    std::string kind;
    std::size_t tabs;
  };
  const Case cases[] = {{"WPT", 43}, {"RTH", 3},  {"RTP", 63}, {"TRH", 4},
                        {"TRP", 9},  {"wpt", 43}, {"Trp", 9}};
  for (const Case& c : cases) {
    VrcFields fields;
    fields[1] = c.kind;
    fields[255] = "never written";
    const std::string line = MakeVrcLine(fields);
    EXPECT_EQ(static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')), c.tabs)
        << c.kind;
    EXPECT_EQ(line.substr(0, c.kind.size()), c.kind);
  }
}

TEST(VrcMake, UnknownKindGivesEmptyLine) {
  for (const std::string kind : {"", " WPT", "XYZ", "WPTX"}) {
    VrcFields fields;
    fields[1] = kind;
    fields[2] = "x";
    EXPECT_EQ(MakeVrcLine(fields), "") << kind;
  }
}

TEST(VrcMake, WaypointColumnsAppended) {
  VrcFields fields;
  fields[1] = "WPT";
  fields[4] = "SUMMIT";
  fields[39] = "SUMMIT";
  fields[45] = "beyond";
  std::string text = "RTH\t1\tR\t1\r\n";
  AppendVrcLine(text, fields);
  EXPECT_EQ(text, "RTH\t1\tR\t1\r\nWPT\t\t\tSUMMIT" + std::string(35, '\t') + "SUMMIT" +
                      std::string(5, '\t'));
}

}  // namespace
}  // namespace vc::vrc

#include "prep/prep.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "io/helper_threads.h"
#include "support/child_run.h"
#include "support/json_reader.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::fileExists;
using support::readFile;
using support::ScratchDir;
using support::writeFile;

// Record texts of a small mesh: 10-column integer fields.
std::string ints(std::initializer_list<long> values) {
  std::string s;
  for (long v : values) {
    std::string f = std::to_string(v);
    s += std::string(10 - f.size(), ' ') + f;
  }
  return s + "\n";
}

// The line with a CR before its LF.
std::string crLf(const std::string& line) {
  return line.substr(0, line.size() - 1) + "\r\n";
}

const std::string kCoordinates =
    "   0.0000000000000000D+00   0.0000000000000000D+00   "
    "0.0000000000000000D+00\n";

// Nodes 11..16 of one node dataset.
std::string nodes(int first = 11, int count = 6) {
  std::string s = "    -1\n  2411\n";
  for (int k = 0; k < count; ++k) {
    s += ints({first + k, 1, 1, 11}) + kCoordinates;
  }
  return s + "    -1\n";
}

const std::string kHeader = "    -1\n   151\nmesh.unv\n    -1\n";

struct Case {
  std::string name;
  std::string input;
  std::vector<std::string> args;  // options before the two file names
  int status;
  std::string output;  // whole output file
  std::string err;     // a line the summary must hold
};

// A 6-node triangle (FE 92), a linear triangle (91) and a beam (21).
const std::string kElements = "    -1\n  2412\n" + ints({1, 92, 2, 1, 7, 6}) +
                              ints({11, 12, 13, 14, 15, 16}) +
                              ints({2, 91, 2, 1, 7, 3}) + ints({11, 13, 15}) +
                              ints({3, 21, 2, 1, 7, 2}) + ints({0, 1, 1}) +
                              ints({11, 12}) + "    -1\n";
// The same with the triangle reduced on corners 1, 3, 5.
const std::string kReduced = "    -1\n  2412\n" + ints({1, 91, 2, 1, 7, 3}) +
                             ints({11, 13, 15}) + ints({2, 91, 2, 1, 7, 3}) +
                             ints({11, 13, 15}) + ints({3, 21, 2, 1, 7, 2}) +
                             ints({0, 1, 1}) + ints({11, 12}) + "    -1\n";

std::string groups2435(std::initializer_list<std::string> groups) {
  std::string s = "    -1\n  2435\n";
  for (const std::string& g : groups) s += g;
  return s + "    -1\n";
}

// A node dataset whose second record has a delimiter line for coordinates,
// then lines that the scanner passes over (had the dataset ended at that
// line, they would be a group dataset).
const std::string kDelimiterAsCoordinates =
    std::string("    -1\n  2411\n") + ints({1, 1, 1, 11}) + kCoordinates +
    ints({2, 1, 1, 11}) + "    -1\n" + ints({3, 1, 1, 11}) + kCoordinates +
    "    -1\n  2477\n" + ints({1, 0, 0, 0, 0, 0, 0, 1}) + "G\n" +
    ints({7, 1, 0, 0}) + "    -1\n";

std::vector<Case> cases() {
  return {
      {"NodeAndElementEntitiesOfA2477GroupBecomeSortedNodes",
       kHeader + nodes() + kElements + "    -1\n  2477\n" +
           ints({5, 0, 0, 0, 0, 0, 0, 3}) + "corner\n" + ints({7, 16, 0, 0}) +
           ints({8, 1, 0, 0, 8, 3, 0, 0}) + "    -1\n",
       {},
       0,
       kHeader + nodes() + kReduced +
           groups2435({ints({5, 0, 0, 0, 0, 0, 0, 5}) + "corner\n" +
                       ints({7, 11, 0, 0, 7, 12, 0, 0}) +
                       ints({7, 13, 0, 0, 7, 15, 0, 0}) + ints({7, 16, 0, 0})}),
       "  group 5 \"corner\" -> region \"corner  \": 5 vertices from 1 node, "
       "2 elements\n"},
      {"GroupDatasetsOfEveryKindMergeInOrderAtTheEnd",
       "    -1\n  2430\n" + ints({1, 0, 0, 0, 0, 0, 0, 2}) + "A\n" +
           ints({7, 12, 7, 11}) + "    -1\n" + nodes() + "    -1\n  2417\n" +
           ints({2, 0, 0, 0, 0, 0, 1}) + "B\n" + ints({8, 2}) + "    -1\n" +
           kElements + "    -1\n  2467\n" + ints({3, 0, 0, 0, 0, 0, 0, 0}) +
           "EMPTY\n\n" + ints({4, 0, 0, 0, 0, 0, 0, 1}) + "D\n" +
           ints({7, 14, 0, 0}) + "    -1\n",
       {},
       0,
       nodes() + kReduced +
           groups2435(
               {ints({1, 0, 0, 0, 0, 0, 0, 2}) + "A\n" +
                    ints({7, 11, 0, 0, 7, 12, 0, 0}),
                ints({2, 0, 0, 0, 0, 0, 0, 3}) + "B\n" +
                    ints({7, 11, 0, 0, 7, 13, 0, 0}) + ints({7, 15, 0, 0}),
                ints({3, 0, 0, 0, 0, 0, 0, 0}) + "EMPTY\n",
                ints({4, 0, 0, 0, 0, 0, 0, 1}) + "D\n" + ints({7, 14, 0, 0})}),
       "group datasets merged: 2430 x1 (1 group) 2417 x1 (1 group) 2467 x1 "
       "(2 groups)\n"},
      {"CrLfLinesKeepTheirEnds",
       "    -1\r\n  2412\r\n" + crLf(ints({1, 42, 2, 1, 7, 6})) +
           crLf(ints({1, 2, 3, 4, 5, 6})) + "    -1\r\n",
       {"--dim", "2"},
       0,
       "    -1\r\n  2412\r\n" + crLf(ints({1, 91, 2, 1, 7, 3})) +
           crLf(ints({1, 3, 5})) + "    -1\r\n",
       "elements reduced: FE 42 (plane stress parabolic triangle) -> FE 91 "
       "x1\n"},
      {"TagsThatNoDatasetHoldsAreLeftOut",
       nodes() + kElements + "    -1\n  2452\n" +
           ints({9, 0, 0, 0, 0, 0, 0, 4}) + "LONG_NAME_OF_GROUP_CUT_HERE\n" +
           ints({8, 501, 0, 0, 7, 99, 0, 0}) + ints({3, 2, 0, 0, 8, 2, 0, 0}) +
           "    -1\n",
       {},
       1,
       nodes() + kReduced +
           groups2435({ints({9, 0, 0, 0, 0, 0, 0, 3}) +
                       "LONG_NAME_OF_GROUP_C\n" +
                       ints({7, 11, 0, 0, 7, 13, 0, 0}) + ints({7, 15, 0, 0})}),
       "left out: group 9 \"LONG_NAME_OF_GROUP_CUT_HERE\": 1 element tag that "
       "no "
       "element dataset holds (501)\n"},
      {"SharedRegionIdsAreRenamedOnRequest",
       nodes() + "    -1\n  2477\n" + ints({1, 0, 0, 0, 0, 0, 0, 1}) +
           "PhysicalSurface1\n" + ints({7, 11, 0, 0}) +
           ints({2, 0, 0, 0, 0, 0, 0, 1}) + "PhysicalSurface2\n" +
           ints({7, 12, 0, 0}) + "    -1\n",
       {"--unique-ids"},
       0,
       nodes() + groups2435({ints({1, 0, 0, 0, 0, 0, 0, 1}) + "Physica1\n" +
                                 ints({7, 11, 0, 0}),
                             ints({2, 0, 0, 0, 0, 0, 0, 1}) + "Physica2\n" +
                                 ints({7, 12, 0, 0})}),
       "renamed: \"PhysicalSurface2\" -> \"Physica2\"\n"},
      // A 2435 group whose first record holds one entity: the converter
      // would read its second record as the next group's record and pass
      // over the node dataset after it; unvprep reads the records as they
      // hold their entities, and the node dataset is one.
      {"Group2435RecordsReadAsTheyHoldTheirEntities",
       "    -1\n  2435\n" + ints({1, 0, 0, 0, 0, 0, 0, 2}) + "G\n" +
           ints({7, 11, 0, 0}) + ints({7, 12, 0, 0}) + "    -1\n" + nodes(),
       {},
       0,
       nodes() + groups2435({ints({1, 0, 0, 0, 0, 0, 0, 2}) + "G\n" +
                             ints({7, 11, 0, 0, 7, 12, 0, 0})}),
       "  group 1 \"G\" -> region \"G       \": 2 vertices from 2 nodes\n"},
      // No group names a node, so the node records are passed over to the
      // delimiter where a record's first line would be; one where the
      // coordinates are is a coordinate line, as the converter reads it.
      {"NodeRecordsPassedWholeToTheirClosingDelimiter",
       kDelimiterAsCoordinates,
       {},
       0,
       kDelimiterAsCoordinates,
       "group datasets merged: none\n"},
      // 2435 is read up to its closing delimiter; the lines after it are
      // passed over. Kept behind the delimiter that closes 9999 they would
      // read as the dataset 2435 whose number they hold.
      {"LinesThatWouldReadAsADatasetAreLeftOut",
       "    -1\n  9999\nfoo\n    -1\n    -1\n  2435\n" +
           ints({1, 0, 0, 0, 0, 0, 0, 1}) + "G\n" + ints({7, 11, 0, 0}) +
           "    -1\n!   -1\n  2435\n" + ints({2, 0, 0, 0, 0, 0, 0, 1}) + "X\n" +
           ints({7, 99, 0, 0}) + "    -1\n",
       {},
       1,
       "    -1\n  9999\nfoo\n    -1\n    -1\n" +
           groups2435({ints({1, 0, 0, 0, 0, 0, 0, 0}) + "G\n"}),
       "left out: 5 lines between datasets from line 11: after a group "
       "dataset taken out they would read as a dataset\n"},
      // The other group datasets are passed over, so their closing
      // delimiter opens the next dataset: here a 2435 after a further
      // delimiter, then a 2412 with no delimiter of its own.
      {"ClosingDelimiterOfAPassedOverGroupDatasetOpensTheNext",
       nodes() + "    -1\n  2477\n" + ints({1, 0, 0, 0, 0, 0, 0, 1}) + "G\n" +
           ints({7, 11, 0, 0}) + "    -1\n!   -1\n  2435\n" +
           ints({2, 0, 0, 0, 0, 0, 0, 1}) + "X\n" + ints({7, 12, 0, 0}) +
           "    -1\n    -1\n  2452\n" + ints({3, 0, 0, 0, 0, 0, 0, 1}) + "Y\n" +
           ints({7, 13, 0, 0}) + "    -1\n  2412\n" +
           ints({2, 91, 2, 1, 7, 3}) + ints({11, 13, 15}) + "    -1\n",
       {},
       0,
       nodes() + "    -1\n  2412\n" + ints({2, 91, 2, 1, 7, 3}) +
           ints({11, 13, 15}) + "    -1\n" +
           groups2435(
               {ints({1, 0, 0, 0, 0, 0, 0, 1}) + "G\n" + ints({7, 11, 0, 0}),
                ints({2, 0, 0, 0, 0, 0, 0, 1}) + "X\n" + ints({7, 12, 0, 0}),
                ints({3, 0, 0, 0, 0, 0, 0, 1}) + "Y\n" + ints({7, 13, 0, 0})}),
       "group datasets merged: 2477 x1 (1 group) 2435 x1 (1 group) 2452 x1 "
       "(1 group)\n"},
  };
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// gmsh's complete higher-order elements under the written kinds' ids: a
// 27-node brick, and a 16-node quadrilateral followed by an empty line.
const std::string kHigherOrder =
    "    -1\n  2412\n" + ints({1, 115, 1, 0, 7, 27}) +
    ints({11, 12, 13, 14, 15, 16, 17, 18}) +
    ints({19, 20, 21, 22, 23, 24, 25, 26}) +
    ints({27, 28, 29, 30, 31, 32, 33, 34}) + ints({35, 36, 37}) +
    ints({2, 94, 1, 0, 7, 16}) + ints({11, 12, 13, 14, 19, 20, 21, 22}) +
    ints({23, 24, 25, 26, 27, 28, 29, 30}) + "\n" + "    -1\n";

// Written on their corners (the first 8 and 4 labels) as two records each,
// the empty line left out; the groups of element entities hold the corners.
TEST(PrepHigherOrder, ElementsReduceToTheirCornersAndEmptyLinesAreLeftOut) {
  ScratchDir dir;
  writeFile("in.unv", nodes(11, 27) + kHigherOrder + "    -1\n  2477\n" +
                          ints({1, 0, 0, 0, 0, 0, 0, 1}) + "FACE\n" +
                          ints({8, 2, 0, 0}) + ints({2, 0, 0, 0, 0, 0, 0, 1}) +
                          "BOX\n" + ints({8, 1, 0, 0}) + "    -1\n");
  std::string out, err;
  ASSERT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 0) << err;
  EXPECT_EQ(readFile("out.unv"),
            nodes(11, 27) + "    -1\n  2412\n" + ints({1, 115, 1, 0, 7, 8}) +
                ints({11, 12, 13, 14, 15, 16, 17, 18}) +
                ints({2, 94, 1, 0, 7, 4}) + ints({11, 12, 13, 14}) +
                "    -1\n" +
                groups2435({ints({1, 0, 0, 0, 0, 0, 0, 4}) + "FACE\n" +
                                ints({7, 11, 0, 0, 7, 12, 0, 0}) +
                                ints({7, 13, 0, 0, 7, 14, 0, 0}),
                            ints({2, 0, 0, 0, 0, 0, 0, 8}) + "BOX\n" +
                                ints({7, 11, 0, 0, 7, 12, 0, 0}) +
                                ints({7, 13, 0, 0, 7, 14, 0, 0}) +
                                ints({7, 15, 0, 0, 7, 16, 0, 0}) +
                                ints({7, 17, 0, 0, 7, 18, 0, 0})}));
  const std::string summary = err.substr(err.find('\n') + 1);
  EXPECT_EQ(summary,
            "group datasets merged: 2477 x1 (2 groups)\n"
            "groups written: 2 groups in one 2435 dataset at the end\n"
            "  group 1 \"FACE\" -> region \"FACE    \": 4 vertices from 1 "
            "element\n"
            "  group 2 \"BOX\" -> region \"BOX     \": 8 vertices from 1 "
            "element\n"
            "element entities resolved: 2 of 2\n"
            "elements reduced: FE 94 (thin shell linear quadrilateral) with 16 "
            "nodes -> FE 94 x1\n"
            "elements reduced: FE 115 (solid linear brick) with 27 nodes -> FE "
            "115 x1\n"
            "empty lines between element records not copied: 1 (the converter "
            "would read each as an element)\n"
            "elements the 3D grid (chosen from the elements) will still drop: "
            "FE 94 (thin shell linear quadrilateral) x1\n");
  ASSERT_EQ(runUnvprep({"--json", "in.unv", "out.unv"}, &out, &err), 0);
  EXPECT_NE(out.find(",\"reduced\":{},\"reduced_higher_order\":[{\"fe_id\":"
                     "94,\"nodes\":16,\"count\":1},{\"fe_id\":115,\"nodes\":"
                     "27,\"count\":1}],\"empty_lines_left_out\":1,"),
            std::string::npos)
      << out;
}

class PrepCases : public ::testing::TestWithParam<Case> {};

TEST_P(PrepCases, WritesTheWholeOutput) {
  const Case& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", c.input);
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {"in.unv", "out.unv"});
  std::string out, err;
  EXPECT_EQ(runUnvprep(args, &out, &err), c.status) << err;
  EXPECT_EQ(readFile("out.unv"), c.output);
  EXPECT_NE(err.find(c.err), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Prep, PrepCases, ::testing::ValuesIn(cases()),
                         support::ByName());

// Element records of many forms, over and over, to several times the size
// of the reader's buffer, all in one group: records of the common form
// (10-column fields and an LF, one node record) and every kind of
// exception to it.
std::string mixedElements(int count, bool blankAfterDescriptors) {
  const std::string eol = blankAfterDescriptors ? " \n" : "\n";
  auto descriptor = [&](long label, long feId, long nodes) {
    std::string d = ints({label, feId, 2, 1, 7, nodes});
    d.pop_back();  // the LF
    return d + eol;
  };
  std::string s = "    -1\n  2412\n";
  for (long label = 1; label <= count; ++label) {
    const long n = 100 + label % 50;  // node labels
    switch (label % 12) {
      case 0:  // brick
        s += descriptor(label, 115, 8) +
             ints({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7});
        break;
      case 1:  // tetrahedron: a record of four fields
        s += descriptor(label, 111, 4) + ints({n, n + 2, n + 4, n + 6});
        break;
      case 2:  // triangle, or a quadrilateral of a kind that is renamed
        s += label % 24 == 2
                 ? descriptor(label, 91, 3) + ints({n + 1, n + 3, n + 5})
                 : descriptor(label, 44, 4) + ints({n, n + 1, n + 2, n + 3});
        break;
      case 3:  // reduced: 10-node tetrahedron on two records
        s += descriptor(label, 118, 10) +
             ints({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7}) +
             ints({n + 8, n + 9});
        break;
      case 4:  // beam: an orientation record (of two fields) first
        s += descriptor(label, 21, 2) + ints({0, 1}) + ints({n, n + 9});
        break;
      case 5: {  // a kind no grid writes: its node count; fields 3 to 5
                 // that are not integers
        std::string d = descriptor(label, 101, 6);
        d.replace(20, 30, "    -5  x !  property?  color ");
        s += d + ints({n, n + 1, n + 2, n + 3, n + 4, n + 5});
        break;
      }
      case 6:  // a node count past one record
        s += descriptor(label, 96, 12) +
             ints({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7}) +
             ints({n + 8, n + 9, n + 10, n + 11});
        if (label % 24 == 18) {  // reduced: a 16-node quadrilateral of
                                 // gmsh's, then an empty line
          s += descriptor(label + 1000000, 94, 16) +
               ints({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7}) +
               ints({n + 8, n + 9, n + 10, n + 11, n + 12, n + 13, n + 14,
                     n + 15}) +
               "\n";
        }
        break;
      case 7: {  // CR LF
        s += descriptor(label, 94, 4) + crLf(ints({n, n + 1, n + 2, n + 3}));
        break;
      }
      case 8:  // a blank after the node fields
        s += descriptor(label, 115, 8) +
             ints({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7})
                 .substr(0, 80) +
             " \n";
        break;
      case 9:  // a brick with fewer node fields than vertices
        s += descriptor(label, 115, 6) +
             ints({n, n + 1, n + 2, n + 3, n + 4, n + 5});
        break;
      case 10:  // an id no table holds, and one past the ids looked up
        s += descriptor(label, label % 24 == 10 ? 200 : 900, 2) +
             ints({n, n + 7});
        break;
      default:  // a node label of nine digits
        s += descriptor(label, 111, 4) + ints({n, 123456789, n + 2, n + 3});
        break;
    }
  }
  return s + "    -1\n";
}

std::string allElementsGroup(int count) {
  std::string s =
      "    -1\n  2477\n" + ints({1, 0, 0, 0, 0, 0, 0, count}) + "ALL\n";
  for (long label = 1; label <= count; label += 2) {
    s += label < count ? ints({8, label, 0, 0, 8, label + 1, 0, 0})
                       : ints({8, label, 0, 0});
  }
  return s + "    -1\n";
}

// Where two long texts first differ, with what follows there in each ("" when
// they are the same).
std::string firstDifference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return "at byte " + std::to_string(at) + ": \"" + a.substr(at, 90) +
         "\" against \"" + b.substr(at, 90) + "\"";
}

// The text with the blank that ends a line of 61 characters taken out.
std::string withoutBlankAfterDescriptors(const std::string& text) {
  std::string out;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string_view line(text.data() + from, end - from);
    if (line.size() == 62 && line[60] == ' ' && line[61] == '\n') {
      out.append(line.substr(0, 60)).push_back('\n');
    } else {
      out.append(line);
    }
    from = end;
  }
  return out;
}

// Most elements of a large mesh are taken whole from the reader's buffer;
// the rest are read line by line. A blank after each descriptor makes every
// element one that is read line by line: the output must be the same but
// for those blanks, and the summary the same.
TEST(PrepElements, ElementsTakenWholeAndLineByLineGiveTheSameOutput) {
  constexpr int kCount = 40000;  // about 5 MB
  std::string outputs[2], summaries[2];
  for (const bool lineByLine : {false, true}) {
    ScratchDir dir;
    const std::string elements = mixedElements(kCount, lineByLine);
    ASSERT_GT(elements.size(), std::size_t{4} << 20);
    writeFile("in.unv", elements + allElementsGroup(kCount));
    std::string out, err;
    ASSERT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 0) << err;
    outputs[lineByLine] = readFile("out.unv");
    summaries[lineByLine] = err.substr(err.find('\n'));  // after the names
  }
  EXPECT_EQ(
      firstDifference(outputs[0], withoutBlankAfterDescriptors(outputs[1])),
      "");
  EXPECT_EQ(summaries[0], summaries[1]);
  // Groups hold the nine-digit label, read line by line.
  EXPECT_NE(outputs[0].find("123456789"), std::string::npos);
}

// A failure after many elements taken whole from the buffer names its line.
TEST(PrepElements, FailureAfterElementsTakenWholeNamesItsLine) {
  constexpr int kCount = 40000;
  std::string elements = mixedElements(kCount, false);
  // The node record of brick 36000 (a multiple of 12).
  const std::string record = ints({100, 101, 102, 103, 104, 105, 106, 107});
  const std::size_t descriptor = elements.find(ints({36000, 115, 2, 1, 7, 8}));
  ASSERT_NE(descriptor, std::string::npos);
  const std::size_t at = descriptor + 61;
  ASSERT_EQ(elements.substr(at, record.size()), record);
  elements[at + 25] = 'x';
  const auto line = std::count(elements.begin(),
                               elements.begin() + static_cast<long>(at), '\n') +
                    1;
  ScratchDir dir;
  writeFile("in.unv", elements + allElementsGroup(kCount));
  std::string out, err;
  EXPECT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 2);
  EXPECT_EQ(err, "unvprep: in.unv:" + std::to_string(line) +
                     ": element node record: a node label is not an "
                     "integer\n");
}

// Group datasets of every entity layout, with records of the common form
// (eight 10-column fields and an LF) and every exception to it; with
// `blankAfterRecords`, every entity record ends in a blank, which makes it
// one read line by line.
std::string mixedGroups(bool blankAfterRecords) {
  auto record = [&](std::initializer_list<long> fields) {
    std::string r = ints(fields);
    r.pop_back();  // the LF
    return r + (blankAfterRecords ? " \n" : "\n");
  };
  std::string s;
  // Two entities a record: nodes and elements in runs past the buffer.
  s += "    -1\n  2477\n" + ints({1, 0, 0, 0, 0, 0, 0, 30001}) + "RUNS\n";
  for (long k = 0; k < 15000; ++k) {
    const bool node = k % 3 == 0;
    s += record({node ? 7 : 8, node ? 11 + k % 6 : 1 + k % 3, 0, 0, 8,
                 1 + k % 3, 0, 0});
  }
  s += record({7, 12, 0, 0});  // one entity: a record in mid-group
  // Other entity types, fields that are not plain, a count of one.
  s += ints({2, 0, 0, 0, 0, 0, 0, 7}) + "OTHER\n" +
       record({7, 11, 0, 0, 3, 4, 0, 0}) + record({8, 2, 0, 0, 7, 13, 9, 0}) +
       record({8, 3, 0, 0, 7, 14, 0, -1}) + record({7, 15, 0, 0});
  s += ints({3, 0, 0, 0, 0, 0, 0, 1}) + "ONE\n" + record({8, 1, 0, 0});
  s += "    -1\n";
  // Four entities a record.
  s += "    -1\n  2430\n" + ints({4, 0, 0, 0, 0, 0, 0, 9}) + "FOUR\n" +
       record({7, 11, 7, 12, 8, 1, 8, 2}) +
       record({7, 13, 7, 14, 8, 3, 7, 15}) + record({7, 16});
  s += "    -1\n";
  return s;
}

// Most entity records are taken whole from the reader's buffer; the rest are
// read line by line. The groups must be the same either way.
TEST(PrepGroups, RecordsTakenWholeAndLineByLineGiveTheSameGroups) {
  std::string outputs[2], summaries[2];
  for (const bool lineByLine : {false, true}) {
    ScratchDir dir;
    writeFile("in.unv", nodes() + kElements + mixedGroups(lineByLine));
    std::string out, err;
    ASSERT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 1) << err;
    outputs[lineByLine] = readFile("out.unv");
    summaries[lineByLine] = err.substr(err.find('\n'));  // after the names
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_EQ(summaries[0], summaries[1]);
  EXPECT_NE(summaries[0].find("group 1 \"RUNS\" -> region \"RUNS    \": 5 "
                              "vertices from 5001 nodes, 25000 elements"),
            std::string::npos)
      << summaries[0];
}

// The JSON summary, field by field: group datasets, groups, reductions and
// what is left out.
TEST(PrepJson, SummaryFieldByField) {
  ScratchDir dir;
  writeFile("in.unv", nodes() + kElements + "    -1\n  2477\n" +
                          ints({5, 0, 0, 0, 0, 0, 0, 3}) + "inlet_side_a\n" +
                          ints({7, 16, 0, 0, 8, 1, 0, 0}) +
                          ints({8, 99, 0, 0}) + ints({6, 0, 0, 0, 0, 0, 0, 2}) +
                          "inlet_side_b\n" + ints({7, 77, 0, 0, 3, 5, 0, 0}) +
                          "    -1\n    -1\n  2467\n" +
                          ints({7, 0, 0, 0, 0, 0, 0, 1}) + "walls\n" +
                          ints({7, 11, 0, 0}) + "    -1\n");
  std::string out, err;
  ASSERT_EQ(runUnvprep({"--json", "in.unv", "out.unv"}, &out, &err), 1) << err;
  EXPECT_EQ(err, "");
  const support::JsonValue j = support::parseJson(out);
  EXPECT_EQ(j["input"].text, "in.unv");
  EXPECT_EQ(j["output"].text, "out.unv");
  EXPECT_EQ(j["answers"].kind, support::JsonValue::kNull);
  const support::JsonValue& sets = j["group_datasets"];
  ASSERT_EQ(sets.items.size(), 2u);
  EXPECT_EQ(sets[0]["dataset"].text + " " +
                std::to_string(sets[0]["count"].number) + " " +
                std::to_string(sets[0]["groups"].number),
            "2477 1 2");
  EXPECT_EQ(sets[1]["dataset"].text + " " +
                std::to_string(sets[1]["count"].number) + " " +
                std::to_string(sets[1]["groups"].number),
            "2467 1 1");
  // number, name, written name, region ID, dataset, line, vertices, node,
  // element and other entities, node and element tags missing
  struct Group {
    long long number;
    const char* name;
    const char* regionId;
    const char* dataset;
    long long line, vertices, nodes, elements, others, missingNodes,
        missingElements;
  };
  const Group groups[] = {
      {5, "inlet_side_a", "inlet_si", "2477", 28, 4, 1, 2, 0, 0, 1},
      {6, "inlet_side_b", "inlet_si", "2477", 32, 0, 1, 0, 1, 1, 0},
      {7, "walls", "walls   ", "2467", 38, 1, 1, 0, 0, 0, 0},
  };
  ASSERT_EQ(j["groups"].items.size(), std::size(groups));
  for (std::size_t k = 0; k < std::size(groups); ++k) {
    const Group& want = groups[k];
    const support::JsonValue& g = j["groups"][k];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(g["number"].number, want.number);
    EXPECT_EQ(g["name"].text, want.name);
    EXPECT_EQ(g["written_name"].text, want.name);
    EXPECT_EQ(g["region_id"].text, want.regionId);
    EXPECT_EQ(g["dataset"].text, want.dataset);
    EXPECT_EQ(g["line"].number, want.line);
    EXPECT_EQ(g["vertices"].number, want.vertices);
    EXPECT_EQ(g["node_entities"].number, want.nodes);
    EXPECT_EQ(g["element_entities"].number, want.elements);
    EXPECT_EQ(g["other_entities"].number, want.others);
    EXPECT_EQ(g["missing_node_tags"].number, want.missingNodes);
    EXPECT_EQ(g["missing_element_tags"].number, want.missingElements);
  }
  ASSERT_EQ(j["shared_region_ids"].items.size(), 1u);
  EXPECT_EQ(j["shared_region_ids"][0][0].text, "inlet_side_a");
  EXPECT_EQ(j["shared_region_ids"][0][1].text, "inlet_side_b");
  EXPECT_EQ(j["element_entities"].number, 2);
  EXPECT_EQ(j["element_entities_resolved"].number, 1);
  EXPECT_EQ(j["reduced"].members.size(), 1u);
  EXPECT_EQ(j["reduced"]["92"].number, 1);
  EXPECT_EQ(j["elements_written"].members.size(), 2u);
  EXPECT_EQ(j["elements_written"]["91"].number, 2);
  EXPECT_EQ(j["elements_written"]["21"].number, 1);
  EXPECT_EQ(j["dim"].number, 2);
  EXPECT_EQ(j["dropped_by_grid"].members.size(), 1u);
  EXPECT_EQ(j["dropped_by_grid"]["21"].number, 1);
  EXPECT_EQ(j["stray_lines_left_out"].number, 0);
  EXPECT_TRUE(j["left_out"].boolean);
}

// A failure with --json: its line on the error stream, and a JSON document
// that carries it.
TEST(PrepJson, FailureIsADocumentToo) {
  ScratchDir dir;
  writeFile("in.unv", "");
  std::string out, err;
  ASSERT_EQ(runUnvprep({"--json", "in.unv", "out.unv"}, &out, &err), 2);
  EXPECT_EQ(err, "unvprep: in.unv: the file is empty\n");
  EXPECT_EQ(out,
            "{\"error\":{\"file\":\"in.unv\",\"line\":0,\"column\":0,"
            "\"message\":\"the file is empty\"}}\n");
}

struct FailureCase {
  std::string name;
  std::string input;
  std::string err;  // the whole error stream
};

// An element of a reduced kind with the wrong node count (line 3).
const std::string kBadElements = "    -1\n  2412\n" +
                                 ints({1, 118, 2, 1, 7, 4}) +
                                 ints({1, 2, 3, 4}) + "    -1\n";
// A node dataset whose second label is not an integer (line 5): only a pass
// that needs every label reads it.
const std::string kBadLabel =
    "    -1\n  2411\n" + ints({11, 1, 1, 11}) + kCoordinates +
    "        1x         1         1        11\n" + kCoordinates + "    -1\n";
const std::string kNodeGroup = "    -1\n  2477\n" +
                               ints({5, 0, 0, 0, 0, 0, 0, 1}) + "G\n" +
                               ints({7, 11, 0, 0}) + "    -1\n";

std::vector<FailureCase> failures() {
  const std::string group = "    -1\n  2477\n" +
                            ints({5, 0, 0, 0, 0, 0, 0, 3}) + "G\n" +
                            ints({7, 11, 0, 0, 7, 12, 0, 0});
  return {
      {"EmptyFile", "", "unvprep: in.unv: the file is empty\n"},
      {"NoDataset",
       "\x7f"
       "ELF\x01\x02\nbinary\n",
       "unvprep: in.unv:2: no dataset (a delimiter line \"    -1\" and a "
       "dataset number): not a universal file\n"},
      {"TruncatedGroupDataset", group,
       "unvprep: in.unv:5: end of file in group dataset 2477 begun at line "
       "1\n"},
      {"CountLargerThanRecords", group + "    -1\n",
       "unvprep: in.unv:6: group 5 \"G\": entity count 3 is larger than its "
       "records (2 entities before the closing delimiter)\n"},
      {"RecordWithMoreEntitiesThanTheCountLeaves",
       "    -1\n  2477\n" + ints({5, 0, 0, 0, 0, 0, 0, 3}) + "G\n" +
           ints({7, 11, 0, 0, 7, 12, 0, 0}) + ints({7, 13, 0, 0, 7, 14, 0, 0}) +
           "    -1\n",
       "unvprep: in.unv:6: entity record holds 2 entities where the group's "
       "count leaves 1\n"},
      {"EntityFieldNotAnInteger",
       "    -1\n  2477\n" + ints({5, 0, 0, 0, 0, 0, 0, 1}) + "G\n" +
           "         7       1x2\n    -1\n",
       "unvprep: in.unv:5: entity record: field 2 (columns 11-20) is not an "
       "integer\n"},
      {"ElementDatasetWithoutClosingDelimiter",
       nodes(11, 1) + "    -1\n  2412\n" + ints({1, 111, 2, 1, 7, 4}) +
           ints({11, 11, 11, 11}),
       "unvprep: in.unv:9: end of file in element dataset 2412 begun at line "
       "6\n"},
      {"NodeDatasetWithoutClosingDelimiter",
       std::string("    -1\n  2411\n") + ints({1, 1, 1, 11}) + kCoordinates +
           ints({2, 1, 1, 11}) + kCoordinates,
       "unvprep: in.unv:6: end of file in node dataset 2411 begun at line "
       "1\n"},
      // The groups are read while the output is written; a failure is
      // still the one that passes run one after the other would meet.
      {"GroupFailureBeforeAnElementFailureOfAnEarlierLine",
       kBadElements + group,
       "unvprep: in.unv:10: end of file in group dataset 2477 begun at line "
       "6\n"},
      {"NodeLabelThatOnlyANodeGroupNeedsBeforeAnElementFailure",
       kBadLabel + kBadElements + kNodeGroup,
       "unvprep: in.unv:5: node record 1: the node label is not an "
       "integer\n"},
      {"ElementFailureBeforeANodeLabelThatOnlyANodeGroupNeeds",
       kBadElements + kBadLabel + kNodeGroup,
       "unvprep: in.unv:3: FE 118 element 1 has a node count of 4; the kind "
       "has 10\n"},
      {"NodeLabelThatOnlyANodeGroupNeeds", kBadLabel + kNodeGroup,
       "unvprep: in.unv:5: node record 1: the node label is not an "
       "integer\n"},
      {"ReducedKindWithAnotherNodeCount",
       "    -1\n  2412\n" + ints({1, 118, 2, 1, 7, 4}) + ints({1, 2, 3, 4}) +
           "    -1\n",
       "unvprep: in.unv:3: FE 118 element 1 has a node count of 4; the kind "
       "has 10\n"},
  };
}

void PrintTo(const FailureCase& f, std::ostream* os) { *os << f.name; }

class PrepFailures : public ::testing::TestWithParam<FailureCase> {};

// Keeps the calling thread, and the threads it starts, on the first `cpus`
// CPUs while it lives: on one, unvprep reads the groups before it writes
// rather than beside it, and reads and writes on no thread of its own.
class PinnedCpus {
 public:
  explicit PinnedCpus(int cpus)
      : saved_(::sched_getaffinity(0, sizeof before_, &before_) == 0),
        pinned_(saved_ && support::keepCpus(cpus)) {}
  ~PinnedCpus() {
    if (pinned_) ::sched_setaffinity(0, sizeof before_, &before_);
  }
  bool pinned() const { return pinned_; }

 private:
  cpu_set_t before_;
  bool saved_;
  bool pinned_;
};

// The CPU counts to run on: one, and two where there are.
std::vector<int> cpuCounts() {
  if (support::usableCpus() < 2) return {1};
  return {1, 2};
}

TEST_P(PrepFailures, OneLineAndNoOutput) {
  const FailureCase& f = GetParam();
  for (const int cpus : cpuCounts()) {
    SCOPED_TRACE(std::to_string(cpus) + " CPU(s)");
    PinnedCpus pin(cpus);
    ASSERT_TRUE(pin.pinned());
    ScratchDir dir;
    writeFile("in.unv", f.input);
    writeFile("old.unv", "earlier\n");
    std::string out, err;
    resetThreadCounts();
    EXPECT_EQ(
        runUnvprep({"in.unv", "old.unv", "--answers", "a.txt"}, &out, &err), 2);
    EXPECT_EQ(err, f.err);
    EXPECT_EQ(readFile("old.unv"), "earlier\n");
    EXPECT_FALSE(fileExists("a.txt"));
    // Only the input and the earlier output: no temporary file is left.
    const auto files = std::distance(std::filesystem::directory_iterator("."),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 2);
    // The group passes ran beside the writing one, and the input was read
    // ahead, on two CPUs only.
    const ThreadCounts counts = threadCounts();
    EXPECT_EQ(counts.threadsStarted > 0, cpus == 2);
    EXPECT_EQ(counts.passesBeside > 0, cpus == 2);
    EXPECT_EQ(counts.blocksReadAhead > 0, cpus == 2);
  }
}

// unvprep takes elements of the common form straight from its buffer as
// long as the buffer holds them whole: an 8-node element (142 bytes) whose
// line end is the buffer's last byte is taken so, one whose line end is the
// first byte after the buffer is read line by line. On one CPU (the reader
// reads the file itself, through a buffer of 1 MiB); a read past the buffer
// shows under the sanitizer build.
TEST(PrepElements, ElementsAtTheEndOfTheBuffer) {
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  const std::string element =
      ints({1, 115, 2, 1, 7, 8}) + ints({11, 12, 13, 14, 15, 16, 11, 12});
  ASSERT_EQ(element.size(), 142u);
  PinnedCpus pin(1);
  ASSERT_TRUE(pin.pinned());
  for (const std::size_t lineEnd : {kBuffer - 1, kBuffer}) {
    SCOPED_TRACE(lineEnd);
    auto prefix = [](std::size_t pad) {
      return "    -1\n   151\n" + std::string(pad, 'c') + "\n    -1\n" +
             nodes() + "    -1\n  2412\n";
    };
    // The elements start where one of them ends its node record at
    // `lineEnd`.
    const std::size_t base = prefix(0).size();
    const std::size_t pad =
        (lineEnd + 1 - element.size() + 142 * 1000 - base) % 142;
    std::string input = prefix(pad);
    while (input.size() < kBuffer + 1000) input += element;
    input += "    -1\n";
    ASSERT_EQ((lineEnd + 1 - input.find(element)) % 142, 0u);
    ScratchDir dir;
    writeFile("in.unv", input);
    std::string out, err;
    ASSERT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 0) << err;
    EXPECT_TRUE(readFile("out.unv") == input);
  }
}

// A mesh of several blocks through unvprep on one CPU and on two: the same
// output and summary, and the threads ran on two CPUs only.
TEST(PrepThreads, OneCpuAndTwoWriteTheSame) {
  if (support::usableCpus() < 2) {
    GTEST_SKIP() << "one CPU: unvprep uses no thread of its own here";
  }
  constexpr int kCount = 40000;  // about 5 MB
  ScratchDir dir;
  writeFile("in.unv", mixedElements(kCount, false) + allElementsGroup(kCount));
  std::string outputs[2], summaries[2];
  ThreadCounts counts[2];
  for (const int cpus : {1, 2}) {
    PinnedCpus pin(cpus);
    ASSERT_TRUE(pin.pinned());
    std::string out, err;
    resetThreadCounts();
    ASSERT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &err), 0) << err;
    counts[cpus - 1] = threadCounts();
    outputs[cpus - 1] = readFile("out.unv");
    summaries[cpus - 1] = err;
  }
  EXPECT_EQ(firstDifference(outputs[0], outputs[1]), "");
  EXPECT_EQ(summaries[0], summaries[1]);
  EXPECT_EQ(counts[0].threadsStarted, 0u);
  EXPECT_EQ(counts[0].blocksReadAhead, 0u);
  EXPECT_EQ(counts[0].buffersWrittenBehind, 0u);
  EXPECT_EQ(counts[0].passesBeside, 0u);
  EXPECT_GT(counts[1].blocksReadAhead, 0u);
  EXPECT_GT(counts[1].buffersWrittenBehind, 0u);
  EXPECT_EQ(counts[1].passesBeside, 1u);
}

INSTANTIATE_TEST_SUITE_P(Prep, PrepFailures, ::testing::ValuesIn(failures()),
                         support::ByName());

}  // namespace
}  // namespace unv2tessal

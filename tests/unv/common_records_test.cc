// The common form of each record kind (unv/mesh_records.h,
// unv/fe_descriptors.h, unv/group_records.h), which the converter's loops,
// its helper thread and unvprep take without the plain rules, against the
// plain field rules (codecs/record_io.h by the records' layouts): where the
// common rule takes a record it reads what the plain rules read, and it
// takes the records exporters write.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codecs/record_io.h"
#include "unv/fe_descriptors.h"
#include "unv/group_records.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

// Fields of the common form (half of them), and fields near it: digits
// and blanks in any place, a sign, a letter, nine digits, cut short.
std::string commonField(std::mt19937& random, std::size_t width) {
  const std::string digits = std::to_string(random() % 100000000);
  return std::string(width - digits.size(), ' ') + digits;
}
std::string nearlyAField(std::mt19937& random, std::size_t width) {
  static const std::string kChars = "          0123456789+-x";
  if (random() % 2 == 0) return commonField(random, width);
  std::string field;
  const std::size_t length = random() % 8 == 0 ? random() % (width + 1) : width;
  for (std::size_t k = 0; k < length; ++k) {
    field += random() % 3 == 0
                 ? kChars[random() % kChars.size()]
                 : (k + 4 < width ? ' ' : "0123456789"[random() % 10]);
  }
  return field;
}

TEST(CommonRecords, NodeLabelIsThePlainField) {
  struct Row {
    std::string line;
    bool valid;
    std::int32_t label;
  };
  const Row rows[] = {
      {"         1", true, 1},
      {"  12345678         0         0        11", true, 12345678},
      {" 123456789", true, 123456789},  // nine digits: the plain rule
      {"     +1500", true, 1500},
      {"    15  00", true, 1500},  // blanks after a digit are dropped
      {"   -1", true, -1},         // short
      {"", true, 0},
      {"        1x", false, 0},
      {"2147483648", false, 0},
  };
  for (const Row& r : rows) {
    std::int32_t label = 0;
    EXPECT_EQ(readNodeLabel(r.line, &label), r.valid) << "'" << r.line << "'";
    if (r.valid) {
      EXPECT_EQ(label, r.label) << "'" << r.line << "'";
    }
  }
  std::mt19937 random(7);
  for (int k = 0; k < 200000; ++k) {
    const std::string line = nearlyAField(random, 10) + "         0";
    std::int32_t fast = 0, plain = 0;
    RecordReader reader(line, kNodeLabelRecord);
    const bool valid = reader.read(plain);
    ASSERT_EQ(readNodeLabel(line, &fast), valid) << "'" << line << "'";
    if (valid) {
      ASSERT_EQ(fast, plain) << "'" << line << "'";
    }
  }
}

TEST(CommonRecords, CoordinateFieldsAreThePlainColumns) {
  const std::string x(25, 'x'), y(25, 'y');
  for (const std::string& line :
       {x + y + "zzz", x + y, x + "yy", x, std::string("x")}) {
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t col = columnOf(kNodeCoordinateRecord, k);
      const std::string_view want = col < line.size()
                                        ? std::string_view(line).substr(col, 25)
                                        : std::string_view();
      EXPECT_EQ(coordinateField(line, k), want) << line.size() << " " << k;
    }
  }
}

// A descriptor: label, FE id, three fields, node count.
std::string descriptor(
    const std::string& label, const std::string& id, const std::string& count,
    const std::string& middle = "         1         1         7") {
  return label + id + middle + count;
}

TEST(CommonRecords, ElementDescriptorIsThePlainRecord) {
  std::mt19937 random(11);
  const char* const ids[] = {"        91", "       115", "        11",
                             "        21", "       118", "       999",
                             "         0"};
  int common = 0;
  for (int k = 0; k < 200000; ++k) {
    const std::string line =
        descriptor(nearlyAField(random, 10),
                   random() % 2 == 0 ? ids[random() % std::size(ids)]
                                     : nearlyAField(random, 10),
                   nearlyAField(random, 10));
    std::int32_t label = 0, id = 0;
    RecordReader reader(line, kDescriptorRecord);
    const bool valid = reader.read(label) && reader.read(id);
    std::int32_t gotLabel = 0, gotId = 0;
    ASSERT_EQ(readDescriptorIds(line, &gotLabel, &gotId), valid) << line;
    if (valid) {
      ASSERT_EQ(gotLabel, label) << line;
      ASSERT_EQ(gotId, id) << line;
    }
    CommonElement e;
    if (!readCommonElement(line, &e)) continue;
    ++common;
    ASSERT_TRUE(valid) << line;
    EXPECT_EQ(e.label, label) << line;
    EXPECT_EQ(e.feId, id) << line;
    EXPECT_EQ(e.kind, &feDescriptor(id)) << line;
    EXPECT_FALSE(e.kind->hasOrientationRecord()) << line;
    EXPECT_EQ(e.nodes, nodeCountOf(line)) << line;
    EXPECT_EQ(continuationRecords(line), 0) << line;
  }
  EXPECT_GT(common, 10000);
}

TEST(CommonRecords, ElementsAsExportersWriteThem) {
  struct Row {
    std::string line;
    bool common;
    std::int32_t nodes;
  };
  const std::string label = "      1234", brick = "       115";
  const Row rows[] = {
      {descriptor(label, brick, "         8"), true, 8},
      {descriptor(label, "        91", "         3"), true, 3},
      {descriptor(label, brick, "          "), true, 0},   // blank count
      {descriptor(label, brick, ""), true, 0},             // no count
      {descriptor(label, brick, "        +8"), true, 8},   // the plain rule
      {descriptor(label, brick, "         9"), false, 0},  // continues
      {descriptor(label, brick, "        27"), false, 0},
      {descriptor(label, "        21", "         2"), false, 0},  // a beam
      {descriptor("     +1234", brick, "         8"), false, 0},
      {descriptor(label, " 115", "         8"), false, 0},
      {label + "       1", false, 0},  // cut before the id ends
  };
  for (const Row& r : rows) {
    CommonElement e;
    EXPECT_EQ(readCommonElement(r.line, &e), r.common) << r.line;
    if (r.common) {
      EXPECT_EQ(e.label, 1234) << r.line;
      EXPECT_EQ(e.nodes, r.nodes) << r.line;
    }
  }
}

TEST(CommonRecords, EntityRecordIsThePlainRecord) {
  std::mt19937 random(13);
  const GroupDatasetKind* kinds[] = {groupDatasetKind("2435"),
                                     groupDatasetKind("2430")};
  const char* const types[] = {"         7", "         8", "         0",
                               "        12", "          "};
  int common = 0;
  for (int k = 0; k < 100000; ++k) {
    const GroupDatasetKind& kind = *kinds[random() % 2];
    std::string line;
    for (std::size_t f = 0; f < kEntityRecordFields; ++f) {
      const bool type = f % kind.fieldsPerEntity() == 0;
      line += type && random() % 2 == 0 ? std::string(types[random() % 5])
              : random() % 4 != 0       ? commonField(random, 10)
                                        : nearlyAField(random, 10);
    }
    line.resize(80, ' ');
    std::array<std::int32_t, kEntityRecordFields> fields{}, plain{};
    if (!readCommonEntityRecord(line.data(), kind, fields.data())) continue;
    ++common;
    RecordReader reader(line, kEntityRecord);
    for (std::int32_t& f : plain) ASSERT_TRUE(reader.read(f)) << line;
    EXPECT_EQ(fields, plain) << line;
    EXPECT_EQ(entitiesOnRecord(line, kind), kind.entitiesPerRecord) << line;
    for (std::size_t e = 0; e < kind.entitiesPerRecord; ++e) {
      const std::int32_t type = plain[kind.typeField(e)];
      EXPECT_TRUE(type == kNodeEntity || type == kElementEntity) << line;
    }
  }
  EXPECT_GT(common, 500);
  // As exporters write them: and a node entity, an element, another kind.
  const std::string node = "         7        12         0         0";
  const std::string element = "         8       340         0         0";
  const std::string other = "        12         1         0         0";
  std::array<std::int32_t, kEntityRecordFields> f{};
  const GroupDatasetKind& permanent = *groupDatasetKind("2435");
  EXPECT_TRUE(
      readCommonEntityRecord((node + element).data(), permanent, f.data()));
  EXPECT_EQ(f[5], 340);
  EXPECT_FALSE(
      readCommonEntityRecord((node + other).data(), permanent, f.data()));
}

}  // namespace
}  // namespace unv2tessal

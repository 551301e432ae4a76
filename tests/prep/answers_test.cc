#include "prep/answers.h"

#include <gtest/gtest.h>

#include <string>

namespace unv2tessal {
namespace {

TEST(Answers, OneReplyPerQuestionInTheConvertersOrder) {
  EXPECT_EQ(answersText("out.unv",
                        {Asking::kNodesRenumbering, Asking::kElements,
                         Asking::kNodes, Asking::kElements, Asking::kGroups},
                        3, "mesh"),
            "out.unv\n"
            "mesh.xyz\nY\n"
            "3\nmesh.cnc\n"
            "mesh.xyz\n"
            "3\nmesh.cnc\n"
            "mesh.inp\n");
  EXPECT_EQ(answersText("a.unv", {}, 2, "a"), "a.unv\n");
}

TEST(Answers, NamesThatTheConverterWouldChangeAreRefused) {
  struct Row {
    std::string name;
    const char* why;  // nullptr: accepted
  };
  const Row rows[] = {
      {"out.xyz", nullptr},
      {std::string(64, 'a'), nullptr},
      {std::string(65, 'a'), "is 65 characters long; the converter reads 64"},
      {"", "is empty"},
      {" out.xyz", "begins or ends with a blank, which the converter drops"},
      {"out.xyz ", "begins or ends with a blank, which the converter drops"},
      {"out\n.xyz", "holds a line break"},
  };
  for (const Row& row : rows) {
    std::string why;
    EXPECT_EQ(fitsReply(row.name, &why), row.why == nullptr) << row.name;
    EXPECT_EQ(why, row.why != nullptr ? row.why : "") << row.name;
  }
}

TEST(Answers, DefaultPrefixDropsTheUnvSuffixOnly) {
  EXPECT_EQ(defaultPrefix("dir/mesh.unv"), "dir/mesh");
  EXPECT_EQ(defaultPrefix("mesh.UNV"), "mesh.UNV");
  EXPECT_EQ(defaultPrefix(".unv"), ".unv");
}

}  // namespace
}  // namespace unv2tessal

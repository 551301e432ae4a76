#include "prep/regions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace unv2tessal {
namespace {

GroupTable tableOf(std::vector<std::string> names) {
  GroupTable t;
  for (std::string& n : names) {
    GroupEntry g;
    g.name = std::move(n);
    t.groups.push_back(g);
  }
  return t;
}

std::vector<std::string> written(const std::vector<PreparedGroup>& groups) {
  std::vector<std::string> names;
  for (const PreparedGroup& g : groups) names.push_back(g.written);
  return names;
}

TEST(Regions, SharedIdsAreListedAndRenamedOnlyOnRequest) {
  const GroupTable t =
      tableOf({"PhysicalSurface1", "inlet", "PhysicalSurface2", "Physica2",
               "wall", "wall", "PhysicalSurface3", "outlet_long_name"});
  std::vector<std::vector<std::size_t>> shared;
  EXPECT_EQ(written(nameGroups(t, false, &shared)),
            (std::vector<std::string>{
                "PhysicalSurface1", "inlet", "PhysicalSurface2", "Physica2",
                "wall", "wall", "PhysicalSurface3", "outlet_long_name"}));
  EXPECT_EQ(shared, (std::vector<std::vector<std::size_t>>{{0, 2, 6}, {4, 5}}));
  // "Physica2" is taken by a group of its own, so the second number is 3.
  const std::vector<PreparedGroup> renamed = nameGroups(t, true, &shared);
  EXPECT_EQ(written(renamed),
            (std::vector<std::string>{"Physica1", "inlet", "Physica3",
                                      "Physica2", "wall1", "wall2", "Physica4",
                                      "outlet_long_name"}));
  EXPECT_EQ(renamed[4].regionId, "wall1   ");
}

TEST(Regions, RegionIdIsTheFirstEightCharactersBlankPadded) {
  EXPECT_EQ(regionIdOf("DROI_NO"), "DROI_NO ");
  EXPECT_EQ(regionIdOf(" lead"), " lead   ");
  EXPECT_EQ(regionIdOf("perfil_bueno_de_victor"), "perfil_b");
}

}  // namespace
}  // namespace unv2tessal

#include "prep/regions.h"

#include <map>
#include <set>

namespace unv2tessal {
namespace {

std::string renamed(std::string_view name, int number) {
  const std::string digits = std::to_string(number);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  const std::size_t keep = kRegionIdLength - digits.size();
  return std::string(name.substr(0, keep)) + digits;
}

}  // namespace

std::string regionIdOf(std::string_view name) {
  std::string id(name.substr(0, kRegionIdLength));
  id.resize(kRegionIdLength, ' ');
  return id;
}

std::vector<PreparedGroup> nameGroups(
    const GroupTable& table, bool unique,
    std::vector<std::vector<std::size_t>>* shared) {
  std::vector<PreparedGroup> groups;
  groups.reserve(table.groups.size());
  std::map<std::string, std::size_t> firstWithId;  // -> index into *shared
  std::vector<std::vector<std::size_t>> byId;
  for (const GroupEntry& g : table.groups) {
    PreparedGroup p;
    p.number = g.number;
    p.name = g.name;
    p.written = g.name;
    p.regionId = regionIdOf(g.name);
    p.kind = g.kind;
    p.line = g.line;
    p.nodeEntities = static_cast<std::int64_t>(g.nodeEnd - g.nodeBegin);
    p.elementEntities =
        static_cast<std::int64_t>(g.elementEnd - g.elementBegin);
    p.otherEntities = g.otherEntities;
    const auto [it, fresh] = firstWithId.emplace(p.regionId, byId.size());
    if (fresh) byId.emplace_back();
    byId[it->second].push_back(groups.size());
    groups.push_back(std::move(p));
  }
  shared->clear();
  std::set<std::string> taken;
  for (const auto& list : byId) {
    if (list.size() > 1) {
      shared->push_back(list);
    } else {
      taken.insert(groups[list.front()].regionId);
    }
  }
  if (!unique) return groups;
  for (const auto& list : *shared) {
    int number = 1;
    for (std::size_t index : list) {
      PreparedGroup& g = groups[index];
      std::string name = renamed(g.name, number++);
      while (taken.count(regionIdOf(name)) != 0)
        name = renamed(g.name, number++);
      g.written = name;
      g.regionId = regionIdOf(name);
      taken.insert(g.regionId);
    }
  }
  return groups;
}

}  // namespace unv2tessal

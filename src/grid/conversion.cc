#include "grid/conversion.h"

#include <string_view>
#include <utility>

#include "elements/read_elem.h"
#include "groups/grid_header.h"
#include "groups/read_groups.h"
#include "io/console.h"
#include "nodes/read_nodes.h"
#include "unv/framing.h"
#include "unv/group_records.h"
#include "unv/run_state.h"

namespace unv2tessal {
namespace {

constexpr int kInputUnit = 10;
constexpr int kFileUnits[kGridFiles] = {21, 22, 23, 24};

// The converter's console with no one at it: each question is answered as
// the plan says, file names by a blank reply (the units are bound to the
// plan's files, whatever the name), and what it prints is dropped but for
// its reports of fields written as asterisks, which are counted.
class Autopilot : public ConsoleIo {
 public:
  Autopilot(const ConversionPlan& plan, ConversionResult* result)
      : plan_(plan), result_(result) {}

  void writeOut(std::string_view text) override { last_.assign(text); }

  void writeErr(std::string_view text) override {
    // "forrtl: error (63): output conversion error, unit 21, file ..."
    for (std::size_t k = 0; k < kGridFiles; ++k) {
      std::string unit(", unit ");
      unit += std::to_string(kFileUnits[k]);
      unit += ',';
      if (text.find(unit) != std::string_view::npos) ++result_->asterisks[k];
    }
  }

  bool readLine(std::string* line) override {
    line->clear();
    if (last_.find("Enter grid dimension") != std::string::npos) {
      const int dim = plan_.dimension();
      if (dim == 0) return false;
      line->push_back(static_cast<char>('0' + dim));
    } else if (last_.find("[Y/N]") != std::string::npos) {
      line->push_back(plan_.renumber() ? 'Y' : 'N');
    }
    return true;
  }

 private:
  const ConversionPlan& plan_;
  ConversionResult* result_;
  std::string last_;  // the console line written last: the question
};

// A second node or element dataset: the conversion stops before it.
struct SecondDataset {
  std::string number;
};

}  // namespace

ConversionResult convertStream(const ConversionPlan& plan) {
  ConversionResult result;
  Autopilot io(plan, &result);
  Run run(io, {});
  Channels& c = run.state.CHANNELS;
  c.verbose = true;
  c.unvUnit = kInputUnit;
  c.xyzUnit = kFileUnits[0];
  c.cncUnit = kFileUnits[1];
  c.inpUnit = kFileUnits[2];
  c.mapUnit = kFileUnits[3];
  run.units.bindUnit(kInputUnit, plan.input, plan.inputName);
  for (std::size_t k = 0; k < kGridFiles; ++k) {
    run.units.bindUnit(kFileUnits[k], plan.fds[k], plan.names[k]);
  }
  try {
    run.units.openUnit(kInputUnit, "", Units::Missing::kFail);
    scanDatasets(run.units, kInputUnit, [&](std::string_view number) {
      result.datasetLine = run.units.lineNumber(kInputUnit);
      if (number == "2411") {
        if (result.nodesMet) throw SecondDataset{std::string(number)};
        result.nodesMet = true;
        result.place = StreamPlace::kNodes;
        READ_NODES(run);
      } else if (number == "2412") {
        if (result.elementsMet) throw SecondDataset{std::string(number)};
        result.elementsMet = true;
        result.place = StreamPlace::kElements;
        READ_ELEM(run);
      } else if (number == kPermanentGroups.number) {
        result.groupsMet = true;
        result.place = StreamPlace::kGroups;
        READ_GROUPS(run);
      } else {
        result.place = StreamPlace::kOther;
      }
    });
    result.place = StreamPlace::kNone;
    run.units.closeUnit(kInputUnit);
    if (!result.groupsMet) {
      writeGridHeader(run);
      run.units.closeUnit(c.inpUnit);
    }
  } catch (const RunFailure& thrown) {
    result.failed = true;
    // A write behind the conversion that failed first ends it instead.
    result.failure = run.units.settleFailure(thrown);
    if (run.units.isOpen(kInputUnit)) {
      result.failedLine = run.units.lineNumber(kInputUnit);
    }
  } catch (const SecondDataset& second) {
    result.secondDataset = second.number;
    result.failedLine = result.datasetLine;
  }
  run.units.closeAll();
  const Offsets& o = run.state.OFFSETS;
  result.vertexCount = o.vertexCount;
  result.elementCount = o.elementCount;
  result.nodeOffset = o.nodeOffset;
  result.elementOffset = o.elementOffset;
  result.is2D = run.state.DIM.is2D;
  return result;
}

}  // namespace unv2tessal

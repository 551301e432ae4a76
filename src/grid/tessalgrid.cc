#include "grid/tessalgrid.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "codecs/record_io.h"
#include "codecs/words.h"
#include "elements/numbering.h"
#include "grid/conversion.h"
#include "grid/grid_summary.h"
#include "grid/locate.h"
#include "grid/mesh_survey.h"
#include "grid/vertex_filter.h"
#include "io/helper_threads.h"
#include "io/line_pipe.h"
#include "io/mutex.h"
#include "io/safe_output.h"
#include "io/shell.h"
#include "prep/prep.h"
#include "unv/fe_descriptors.h"
#include "view/tessal2vtk.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kProgram = "tessalgrid";

// The survey's result, made on a thread of its own and waited for where
// the dimension or the used labels are first needed.
class SurveyResult {
 public:
  MeshSurvey survey;  // written by the survey before finish()

  void finish(std::exception_ptr failure) EXCLUDES(mutex_) {
    {
      MutexLock lock(&mutex_);
      failure_ = std::move(failure);
      done_ = true;
    }
    changed_.signalAll();
  }
  /// Waits for the survey: nullptr when it failed.
  const MeshSurvey* wait() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    while (!done_) changed_.wait();
    return failure_ ? nullptr : &survey;
  }
  std::exception_ptr failure() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    return failure_;
  }

 private:
  Mutex mutex_;
  CondVar changed_{&mutex_};
  bool done_ GUARDED_BY(mutex_) = false;
  std::exception_ptr failure_ GUARDED_BY(mutex_);
};

// The vertices keep the converter's numbers (label minus the first label
// less one) when the used labels run without a gap from the file's first
// node; otherwise they are renumbered by rank.
bool numberedAsConverter(const MeshSurvey& s) {
  return !s.used.empty() && s.used.contiguous() && s.anyNode &&
         s.firstNodeLabel == s.used.lowest();
}

std::string defaultPrefix(const std::string& input) {
  std::string base = input.substr(input.rfind('/') + 1);
  for (const char* suffix : {".unv", ".UNV"}) {
    const std::size_t n = std::strlen(suffix);
    if (base.size() > n && base.compare(base.size() - n, n, suffix) == 0) {
      base.resize(base.size() - n);
      break;
    }
  }
  return base;
}

std::uint64_t sizeOf(const SafeOutput& output) {
  struct stat st {};
  if (output.fd() >= 0 && ::fstat(output.fd(), &st) == 0) {
    return static_cast<std::uint64_t>(st.st_size);
  }
  return output.size();
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The vertex map: each vertex whose number is not its node label, as the
// renumbering map lists an element (header, then label and number).
void writeVertexMap(const UsedLabels& used, const VertexFilter& filter,
                    SafeOutput& out) {
  char line[64];
  auto record = [&](const RecordLayout& layout, auto... items) {
    RecordWriter w(layout, line);
    (w.write(items), ...);
    const std::size_t n = w.columns();
    line[n] = '\r';
    line[n + 1] = '\n';
    out.write(std::string_view(line, n + 2));
  };
  record(kMapHeaderRecord, std::string_view("Original"),
         std::string_view("New"));
  std::int32_t rank = 0;
  used.forEach([&](std::int32_t label) {
    ++rank;
    if (rank != label && filter.found(rank)) record(kMapRecord, label, rank);
  });
}

// The converter's input in the default mode, chosen where it first reads:
// unvprep's pass itself when the survey finds nothing to cut, else the
// filter's output.
class ChosenSource final : public BlockSource {
 public:
  ChosenSource(SurveyResult& survey, LinePipe& prepared, LinePipe& filtered)
      : survey_(survey), prepared_(prepared), filtered_(filtered) {}
  Block next() override {
    if (chosen_ == nullptr) chosen_ = &pipe();
    return chosen_->next();
  }
  /// The pipe read (once chosen).
  LinePipe& pipe() {
    const MeshSurvey* s = survey_.wait();
    return s != nullptr && s->nothingToCut ? prepared_ : filtered_;
  }

 private:
  SurveyResult& survey_;
  LinePipe& prepared_;
  LinePipe& filtered_;
  LinePipe* chosen_ = nullptr;
};

class GridRun {
 public:
  GridRun(const GridOptions& options, std::string* out, std::string* err)
      : o_(options), out_(out), err_(err) {}

  int run(bool* summaryWritten) {
    const FileIdentity input = fileIdentity(o_.input);
    if (!input.set) throw Failure(o_.input, std::strerror(errno));
    const std::string prefix =
        o_.prefix.empty() ? defaultPrefix(o_.input) : o_.prefix;
    const char* suffixes[kGridFiles] = {".xyz", ".cnc", ".inp", ".map"};
    for (std::size_t k = 0; k < kGridFiles; ++k) {
      names_[k] = prefix + suffixes[k];
      if (names_[k] == o_.vtu) {
        throw Failure(o_.vtu, "is one of the grid's files (--vtu)");
      }
    }
    vmapName_ = prefix + ".vmap";
    if (vmapName_ == o_.vtu) {
      throw Failure(o_.vtu, "is one of the grid's files (--vtu)");
    }
    if (!o_.vtu.empty()) {
      const FileIdentity vtu = fileIdentity(o_.vtu);
      if (vtu.set && vtu.device == input.device && vtu.inode == input.inode) {
        throw Failure(o_.vtu, "is the input file");
      }
    }
    for (std::size_t k = 0; k < kGridFiles; ++k) {
      files_[k].open(names_[k], input);
    }
    convert();
    return finish(input, summaryWritten);
  }

 private:
  // unvprep's pass, the survey and (by default) the filter on threads of
  // their own (TaskThread); the converter on this one.
  void convert() {
    const bool surveyed = !o_.keepNodes || o_.dim == 0;
    {
      std::optional<TaskThread> surveyTask, prepTask, filterTask;
      if (surveyed) {
        surveyTask.emplace();
        surveyTask->post([this] { survey(); });
      }
      prepTask.emplace();
      prepTask->post([this] { prepare(); });
      if (!o_.keepNodes) {
        filterTask.emplace();
        filterTask->post([this] { filterVertices(); });
      }
      ConversionPlan plan;
      ChosenSource chosen(survey_, prepared_, filtered_);
      plan.input =
          o_.keepNodes ? static_cast<BlockSource*>(&prepared_) : &chosen;
      plan.inputName = o_.input;
      for (std::size_t k = 0; k < kGridFiles; ++k) {
        plan.fds[k] = ::dup(files_[k].fd());
        plan.names[k] = names_[k];
      }
      plan.dimension = [this] {
        if (o_.dim != 0) return o_.dim;
        const MeshSurvey* s = survey_.wait();
        return s != nullptr ? s->dim : 0;
      };
      plan.renumber = [this] {
        if (o_.keepNodes) return true;
        const MeshSurvey* s = survey_.wait();
        return s != nullptr && numberedAsConverter(*s);
      };
      try {
        result_ = convertStream(plan);
      } catch (...) {
        converting_ = std::current_exception();
      }
      // The converter reads nothing more; the passes run to their end, so
      // that a fault they meet further on is the one reported, as in a run
      // of unvprep before the converter.
      (o_.keepNodes ? prepared_ : chosen.pipe()).abandon();
      // Each task runs to its end; one whose thread has not begun it is
      // run here: the survey first (the filter waits for it), then the
      // filter (unvprep's pass may wait for room in the filter's pipe).
      if (surveyTask && !surveyTask->wait()) survey();
      if (filterTask && !filterTask->wait()) filterVertices();
      if (!prepTask->wait()) prepare();
    }
    if (prepFailure_) std::rethrow_exception(prepFailure_);
    if (surveyed) {
      if (std::exception_ptr failure = survey_.failure()) {
        std::rethrow_exception(failure);
      }
    }
    if (filterFailure_) std::rethrow_exception(filterFailure_);
    if (converting_) std::rethrow_exception(converting_);
    if (result_.failed || !result_.secondDataset.empty()) {
      StreamShape shape;
      shape.input = o_.input;
      if (!o_.keepNodes) shape.used = &survey_.survey.used;
      for (std::size_t g = 0; g < mesh_.summary.groups.size(); ++g) {
        const PreparedGroup& group = mesh_.summary.groups[g];
        shape.groupEntities.push_back(filter_ &&
                                              g < filter_->groupsAfter().size()
                                          ? filter_->groupsAfter()[g]
                                          : group.vertices);
        shape.groupLines.push_back(group.line);
        shape.groupNames.push_back(quoted(group.name));
      }
      throw locateFailure(result_, shape, names_);
    }
  }

  void survey() {
    try {
      SurveyRequest request;
      request.input = o_.input;
      request.dim = o_.dim;
      request.usedLabels = !o_.keepNodes;
      surveyMesh(request, &survey_.survey);
      survey_.finish(nullptr);
    } catch (...) {
      survey_.finish(std::current_exception());
    }
  }

  void prepare() {
    try {
      SafeOutput stream;
      stream.openPipe(prepared_, o_.input);
      PrepOptions options;
      options.input = o_.input;
      options.dim = o_.dim;
      options.uniqueIds = o_.uniqueIds;
      prepareMesh(options, stream, &mesh_);
      stream.finish();
    } catch (...) {
      prepFailure_ = std::current_exception();
    }
  }

  void filterVertices() {
    try {
      SafeOutput stream;
      stream.openPipe(filtered_, o_.input);
      const MeshSurvey* s = survey_.wait();
      if (s == nullptr) {
        prepared_.abandon();
        return;  // the converter gets an error; the survey's is told
      }
      if (s->nothingToCut) return;  // the converter reads unvprep's pass
      filter_ = std::make_unique<VertexFilter>(
          s->used, !numberedAsConverter(*s), s->dim == 2);
      // Stopped by an error in unvprep's text: nothing more is read of it.
      if (!filter_->run(prepared_, stream)) prepared_.abandon();
    } catch (...) {
      filterFailure_ = std::current_exception();
      prepared_.abandon();
    }
  }

  int finish(const FileIdentity& input, bool* summaryWritten) {
    GridSummary s = summarize();
    std::vector<SafeOutput*> set{&files_[0], &files_[1]};
    std::vector<std::string> stale;
    constexpr std::uint64_t kMapHeaderBytes = columnOf(kMapHeaderRecord, 2) + 2;
    const std::size_t map = static_cast<std::size_t>(GridFile::kMap);
    if (sizeOf(files_[map]) > kMapHeaderBytes) {
      set.push_back(&files_[map]);
    } else if (isRegularFile(names_[map])) {
      stale.push_back(names_[map]);
    }
    SafeOutput vmap;
    if (s.renumbered && anyRenumbered()) {
      vmap.open(vmapName_, input);
      writeVertexMap(survey_.survey.used, *filter_, vmap);
      set.push_back(&vmap);
    } else if (isRegularFile(vmapName_)) {
      stale.push_back(vmapName_);
    }
    SafeOutput vtu;
    if (!o_.vtu.empty()) {
      vtu.open(o_.vtu, input);
      const std::size_t inp = static_cast<std::size_t>(GridFile::kGridCommands);
      const std::size_t xyz = static_cast<std::size_t>(GridFile::kVertices);
      const std::size_t cnc = static_cast<std::size_t>(GridFile::kConnectivity);
      std::string findings;
      if (writeGridVtu({files_[inp].writtenPath(), files_[xyz].writtenPath(),
                        files_[cnc].writtenPath()},
                       {names_[inp], names_[xyz], names_[cnc]}, vtu,
                       &findings) != 0) {
        s.warnings.push_back("tessal2vtk's checks of the grid found faults: " +
                             findings);
      }
      set.push_back(&vtu);
    }
    set.push_back(&files_[static_cast<std::size_t>(GridFile::kGridCommands)]);
    for (SafeOutput* f : set) f->finish();
    for (SafeOutput* f : set) s.files.push_back({f->path(), sizeOfFile(*f)});
    if (o_.json && o_.jsonToStandardOutput) {
      *summaryWritten = true;
      if (const int error = writeStandardOutput(gridSummaryJson(s))) {
        throw Failure(std::string(kStandardOutput), std::strerror(error));
      }
    } else if (o_.json) {
      *out_ += gridSummaryJson(s);
    }
    commitOutputs(set, stale);
    if (!o_.json) *err_ += gridSummaryText(s);
    return s.status();
  }

  static std::uint64_t sizeOfFile(const SafeOutput& f) {
    struct stat st {};
    return ::stat(f.writtenPath().c_str(), &st) == 0
               ? static_cast<std::uint64_t>(st.st_size)
               : 0;
  }

  bool anyRenumbered() const {
    bool any = false;
    std::int32_t rank = 0;
    survey_.survey.used.forEach([&](std::int32_t label) {
      ++rank;
      any = any || (rank != label && filter_->found(rank));
    });
    return any;
  }

  GridSummary summarize() {
    const PrepSummary& p = mesh_.summary;
    GridSummary s;
    s.input = o_.input;
    s.dim = result_.is2D ? 2 : 3;
    s.dimGiven = o_.dim != 0;
    s.keepNodes = o_.keepNodes;
    s.vertices = result_.vertexCount;
    s.nodeOffset = result_.nodeOffset;
    s.elements = result_.elementCount;
    s.elementOffset = result_.elementOffset;
    for (const auto& [id, n] : p.written) {
      if (findShape(false, id) != nullptr) s.solids += n;
      (findShape(s.dim == 2, id) != nullptr ? s.written : s.dropped)[id] = n;
    }
    s.reduced = p.reduced;
    s.reducedHigherOrder = p.reducedHigherOrder;
    s.emptyLines = p.emptyLines;
    if (filter_) {
      s.nodesDropped = filter_->nodesDropped();
      s.renumbered = !numberedAsConverter(survey_.survey);
    }
    for (std::size_t g = 0; g < p.groups.size(); ++g) {
      const PreparedGroup& group = p.groups[g];
      RegionSummary r{group.number, group.name, group.regionId, group.vertices,
                      0};
      if (filter_ && g < filter_->groupsAfter().size()) {
        r.vertices = filter_->groupsAfter()[g];
        r.lost = filter_->groupsBefore()[g] - r.vertices;
      }
      s.regions.push_back(std::move(r));
    }
    warn(p, &s);
    return s;
  }

  void warn(const PrepSummary& p, GridSummary* s) {
    std::vector<std::string>& w = s->warnings;
    if (p.strayLines > 0) {
      w.push_back(counted(p.strayLines, "line") +
                  " between datasets from line " +
                  std::to_string(p.firstStrayLine) +
                  " left out: after a group dataset taken out they would "
                  "read as a dataset");
    }
    for (const PreparedGroup& g : p.groups) {
      const std::string group =
          "group " + std::to_string(g.number) + " " + quoted(g.name);
      if (g.missingElements > 0) {
        w.push_back(group + ": " + counted(g.missingElements, "element tag") +
                    " that no element dataset holds");
      }
      if (g.missingNodes > 0) {
        w.push_back(group + ": " + counted(g.missingNodes, "node tag") +
                    " that no node dataset holds");
      }
      if (g.otherEntities > 0) {
        w.push_back(group + ": " +
                    counted(g.otherEntities, "entity", "entities") +
                    " neither node (7) nor element (8)");
      }
    }
    for (const auto& list : p.sharedIds) {
      std::string names;
      for (std::size_t i : list) {
        names += (names.empty() ? "" : ", ") + quoted(p.groups[i].name);
      }
      if (o_.uniqueIds) continue;
      w.push_back("region ID " + quoted(p.groups[list.front()].regionId) +
                  " is shared by " +
                  counted(static_cast<std::int64_t>(list.size()), "group") +
                  ": " + names + " (--unique-ids gives each its own)");
    }
    const auto lost = meaningfulDrops(s->dropped, s->dim);
    if (!lost.empty()) {
      w.push_back(
          "elements that no grid writes, of the grid's dimension or "
          "above it: " +
          feList(lost));
    }
    for (std::size_t k = 0; k < kGridFiles; ++k) {
      if (result_.asterisks[k] > 0) {
        w.push_back(names_[k] + ": " + counted(result_.asterisks[k], "field") +
                    " too wide for its columns, written as asterisks");
      }
    }
    if (filter_) {
      std::int64_t found = 0;
      for (std::int32_t r = 1; r <= survey_.survey.used.size(); ++r) {
        found += filter_->found(r) ? 1 : 0;
      }
      const std::int64_t missing = survey_.survey.used.size() - found;
      if (missing > 0) {
        w.push_back(counted(missing, "node label") +
                    " that written elements use, in no node dataset");
      }
    }
  }

  const GridOptions& o_;
  std::string* out_;
  std::string* err_;
  std::string names_[kGridFiles];
  std::string vmapName_;
  SafeOutput files_[kGridFiles];
  LinePipe prepared_;  // unvprep's pass to the filter or the converter
  LinePipe filtered_;  // the filter to the converter
  SurveyResult survey_;
  PreparedMesh mesh_;
  std::exception_ptr prepFailure_, filterFailure_, converting_;
  std::unique_ptr<VertexFilter> filter_;
  ConversionResult result_;
};

}  // namespace

int runGrid(const GridOptions& options, std::string* out, std::string* err) {
  return runReportingFailures(
      kProgram, options.json, options.input, out, err,
      [&](bool* summaryWritten) {
        return GridRun(options, out, err).run(summaryWritten);
      });
}

}  // namespace unv2tessal

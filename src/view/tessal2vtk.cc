#include "view/tessal2vtk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

#include "codecs/words.h"
#include "io/line_io.h"
#include "io/safe_output.h"
#include "io/shell.h"
#include "unv/fe_descriptors.h"
#include "view/findings.h"
#include "view/tessal_lines.h"
#include "view/vertex_map.h"
#include "view/vtk_cells.h"
#include "view/vtu_writer.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kHelp =
    "Usage: tessal2vtk [--check] GRID.INP VERTEX_FILE CONNECTIVITY_FILE "
    "OUTPUT.vtu\n"
    "Writes the grid of a TESSAL grid command file, vertex file and\n"
    "connectivity file as a VTK XML unstructured grid (.vtu) for ParaView:\n"
    "the cells with the element number and shape code, the points with the\n"
    "vertex number and a 0/1 array for each region.\n"
    "\n"
    "  --check        check the files, write nothing (OUTPUT.vtu may be left "
    "out)\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "\n"
    "Findings (a vertex number that the vertex file does not hold, a shape\n"
    "code that disagrees with its vertex count, a region ID used twice,\n"
    "counts that disagree with the grid command file) go to standard error.\n"
    "Exit status: 0 clean, 1 written with findings, 2 nothing written.\n";

std::string systemError(int error) { return std::strerror(error); }

// One input file read line by line.
class InputFile {
 public:
  explicit InputFile(const std::string& name) : InputFile(name, name) {}
  /// Reads the file at `path` and names it `name` in findings.
  InputFile(const std::string& path, const std::string& name)
      : path_(path),
        name_(name),
        fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) throw Failure{name, 0, "cannot open: " + systemError(errno)};
    reader_.emplace(fd_);
  }
  ~InputFile() { ::close(fd_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// The next line, false at the end of the file.
  bool next(std::string_view* line) {
    const LineReader::Status status = reader_->next(line);
    if (status == LineReader::Status::kError) {
      throw Failure{name_, reader_->lineNumber() + 1,
                    "cannot read: " + systemError(reader_->lastError())};
    }
    return status == LineReader::Status::kLine;
  }
  void stepBack() { reader_->stepBack(); }
  std::size_t line() const { return reader_->lineNumber(); }
  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  /// `e`, a failure of the line last read, with the file and line named.
  Failure located(Failure e) const {
    e.file = name_;
    e.line = line();
    return e;
  }
  /// The file's size in bytes (0 when it cannot be told).
  std::uint64_t size() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }
  bool sameFileAs(const struct stat& st) const {
    struct stat mine {};
    return ::fstat(fd_, &mine) == 0 && mine.st_dev == st.st_dev &&
           mine.st_ino == st.st_ino;
  }

 private:
  std::string path_;
  std::string name_;
  int fd_;
  std::optional<LineReader> reader_;
};

// The counts of the grid command file's header, with their lines.
struct GridHeader {
  bool is2D = false;
  std::int32_t elements = 0;
  std::int32_t vertices = 0;
  std::size_t verticesLine = 0;
};

// The region being read from the grid command file.
struct Region {
  std::string id;  // the 8-character ID, trailing blanks dropped
  std::size_t line;
  std::int32_t count;
  std::int64_t listed = 0;
};

class Viewer {
 public:
  /// Writes to `output` (nowhere when it is null): its descriptor, and
  /// files of its own in its folder.
  Viewer(InputFile& inp, InputFile& xyz, InputFile& cnc,
         const SafeOutput* output, std::string* err)
      : inp_(inp),
        xyz_(xyz),
        cnc_(cnc),
        vtu_(output != nullptr ? output->fd() : -1,
             output != nullptr ? output->path() : std::string()),
        tempDir_(output != nullptr ? output->folder() : std::string()),
        discard_(output == nullptr),
        findings_(err) {}

  /// Reads the three files and writes the grid; returns the exit status.
  int run() {
    readHeader();
    std::vector<VtuArray> arrays{
        {"Points", "Float64", "coordinates", 3},
        {"PointData", "Int32", "vertex number"},
    };
    for (const std::string& name : nameRegions()) {
      arrays.push_back({"PointData", "UInt8", name});
    }
    firstCellArray_ = arrays.size();
    for (VtuArray a : std::initializer_list<VtuArray>{
             {"Cells", "Int32", "connectivity"},
             {"Cells", "Int64", "offsets"},
             {"Cells", "UInt8", "types"},
             {"CellData", "Int32", "element number"},
             {"CellData", "UInt8", "shape code"}}) {
      arrays.push_back(a);
    }
    vtu_.begin(arrays);
    convertVertices();
    writeVertexNumbers();
    convertRegions();
    const std::uint64_t cells = convertElements();
    vtu_.finish(map_.size(), cells);
    checkCounts();
    findings_.summary();
    return findings_.total() == 0 ? 0 : 1;
  }

 private:
  // The header, up to the first region command (or the end of the file).
  void readHeader() {
    std::string_view line;
    if (!inp_.next(&line)) {
      throw Failure{inp_.name(), 1, "the grid command file is empty"};
    }
    const GridLine grid = kindOf(line);
    if (grid != GridLine::kGrid2D && grid != GridLine::kGrid3D) {
      throw Failure{inp_.name(), 1, "not a grid command file: no GRID record"};
    }
    header_.is2D = grid == GridLine::kGrid2D;
    header_.elements = headerNumber(line, grid);
    expect(GridLine::kVertexCount, "the vertex count record");
    header_.verticesLine = inp_.line();
    header_.vertices = headerNumber(lastLine_, GridLine::kVertexCount);
    expect(GridLine::kConnectivity, "the CONNectivity record");
    expect(GridLine::kCoordinates, "the COOR record");
    // The offset comments, when present, then the region commands.
    for (GridLine next : {GridLine::kElementOffset, GridLine::kNodeOffset}) {
      if (!inp_.next(&line)) return;
      if (kindOf(line) == next) {
        headerNumber(line, next);
      } else {
        inp_.stepBack();
      }
    }
    if (!inp_.next(&line)) return;
    if (kindOf(line) != GridLine::kRegion) {
      throw Failure{inp_.name(), inp_.line(),
                    "not a header record nor a region command"};
    }
    inp_.stepBack();
  }

  void expect(GridLine kind, std::string_view what) {
    if (!inp_.next(&lastLine_)) {
      throw Failure{inp_.name(), inp_.line() + 1,
                    "the grid command file ends before " + std::string(what)};
    }
    if (kindOf(lastLine_) != kind) {
      throw Failure{inp_.name(), inp_.line(), "not " + std::string(what)};
    }
  }

  std::int32_t headerNumber(std::string_view line, GridLine kind) {
    try {
      return readHeaderNumber(line, kind);
    } catch (const Failure& e) {
      throw inp_.located(e);
    }
  }

  // The array names of the regions, read ahead from the region commands
  // (the grid's header lists every array before the data): the region ID
  // without trailing blanks, "#2", "#3" ... added to an ID used again.
  std::vector<std::string> nameRegions() {
    std::vector<std::string> names;
    std::map<std::string, std::size_t> firstLine;
    std::map<std::string, int> uses;
    std::string_view line;
    while (inp_.next(&line)) {
      if (kindOf(line) != GridLine::kRegion) continue;
      std::string id;
      try {
        id = std::string(stripTrailing(readRegionCommand(line).id));
      } catch (const Failure& e) {
        throw inp_.located(e);
      }
      if (id.empty()) id = "(blank)";
      const auto [first, fresh] = firstLine.try_emplace(id, inp_.line());
      std::string name = id;
      if (!fresh) {
        name.append("#").append(std::to_string(++uses[id] + 1));
        findings_.add(FindingKind::kRegionAgain, inp_.name(), inp_.line(),
                      "region ID " + id + " is used again (first at line " +
                          std::to_string(first->second) +
                          "); its array is named " + name);
      }
      names.push_back(name);
    }
    return names;
  }

  static std::string_view stripTrailing(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  }

  // Points: the coordinates of each vertex record, in the order of the
  // file; the vertex numbers go to the map.
  void convertVertices() {
    vtu_.beginArray(0);
    // A vertex record and its line end take at least 63 bytes.
    map_.reserve(
        static_cast<std::size_t>(xyz_.size() / (kVertexLineWidth + 1)));
    TextSink& out = vtu_.sink();
    std::string_view line;
    while (xyz_.next(&line)) {
      try {
        const std::int32_t number = readVertexNumber(line);
        for (std::size_t k = 0; k < 3; ++k) {
          out.putRaw(readCoordinate(line, k));
        }
        if (map_.size() == std::numeric_limits<std::int32_t>::max()) {
          throw Failure({}, "more vertices than 32-bit indexes can number");
        }
        map_.add(number);
      } catch (const Failure& e) {
        throw xyz_.located(e);
      }
    }
    for (const VertexMap::Duplicate& d : map_.finish()) {
      const std::int32_t number =
          map_.numbers()[static_cast<std::size_t>(d.index)];
      findings_.add(FindingKind::kVertexAgain, xyz_.name(),
                    static_cast<std::size_t>(d.index) + 1,
                    "vertex " + std::to_string(number) +
                        " is listed again (first at line " +
                        std::to_string(d.first + 1) + "); the first is used");
    }
  }

  void writeVertexNumbers() {
    vtu_.beginArray(1);
    putBytes(map_.numbers().data(), map_.size() * sizeof(std::int32_t));
  }

  void putBytes(const void* data, std::size_t n) {
    vtu_.sink().put({static_cast<const char*>(data), n});
  }

  // One 0/1 array for each region command, in the order of the file, read
  // again from the file's start.
  void convertRegions() {
    InputFile inp(inp_.path(), inp_.name());
    flags_.assign(map_.size(), 0);
    std::optional<Region> region;
    std::string_view line;
    std::size_t array = 2;
    while (inp.next(&line)) {
      try {
        const GridLine kind = kindOf(line);
        if (kind == GridLine::kRegion) {
          if (region) writeRegion(*region, array++);
          const RegionCommand command = readRegionCommand(line);
          region = Region{std::string(stripTrailing(command.id)), inp.line(),
                          command.count};
        } else if (region) {
          std::array<std::int32_t, 8> v{};
          const std::size_t n = readRegionVertices(line, v);
          region->listed += static_cast<std::int64_t>(n);
          for (std::size_t k = 0; k < n; ++k) {
            markRegionVertex(inp, *region, v[k]);
          }
        }
      } catch (const Failure& e) {
        throw inp.located(e);
      }
    }
    if (region) writeRegion(*region, array);
  }

  void markRegionVertex(const InputFile& inp, const Region& region,
                        std::int32_t number) {
    const std::int32_t index = map_.indexOf(number);
    if (index == VertexMap::kAbsent) {
      findings_.add(FindingKind::kRegionVertexMissing, inp.name(), inp.line(),
                    "region " + region.id + " uses vertex " +
                        std::to_string(number) +
                        ", which the vertex file does not hold");
      return;
    }
    flags_[static_cast<std::size_t>(index)] = 1;
  }

  void writeRegion(const Region& region, std::size_t array) {
    if (region.listed != region.count) {
      findings_.add(FindingKind::kRegionCount, inp_.name(), region.line,
                    "region " + region.id + " lists " +
                        counted(region.listed, "vertex", "vertices") +
                        "; its command says " + std::to_string(region.count));
    }
    vtu_.beginArray(array);
    putBytes(flags_.data(), flags_.size());
    std::fill(flags_.begin(), flags_.end(), std::uint8_t{0});
  }

  // Cells: the connectivity is written as the file is read; the offsets,
  // types, element numbers and shape codes go to spill arrays that follow.
  std::uint64_t convertElements() {
    vtu_.beginArray(firstCellArray_);
    const std::string& name = vtu_.sink().name();
    SpillArray offsets(tempDir_, discard_, name);
    SpillArray types(tempDir_, discard_, name);
    SpillArray numbers(tempDir_, discard_, name);
    SpillArray codes(tempDir_, discard_, name);
    std::uint64_t cells = 0;
    std::int64_t offset = 0;
    std::string_view line;
    while (cnc_.next(&line)) {
      ++elementLines_;
      try {
        const ElementHead head = readElementHead(line);
        const VtkCell* cell = drawable(head, line);
        if (cell == nullptr) continue;
        offset += head.vertices;
        offsets.sink().putRaw(offset);
        types.sink().putRaw(cell->type);
        numbers.sink().putRaw(head.number);
        codes.sink().putRaw(static_cast<std::uint8_t>(head.code));
        ++cells;
      } catch (const Failure& e) {
        throw cnc_.located(e);
      }
    }
    std::size_t array = firstCellArray_;
    for (SpillArray* spill : {&offsets, &types, &numbers, &codes}) {
      vtu_.beginArray(++array);
      spill->copyTo(vtu_.sink());
    }
    return cells;
  }

  // Checks the element and writes its connectivity; returns its VTK cell,
  // or nullptr when it cannot be drawn (nothing is then written).
  const VtkCell* drawable(const ElementHead& head, std::string_view line) {
    const auto element = [&head] {
      return "element " + std::to_string(head.number);
    };
    const WrittenShape* shape = writtenShapeOfCode(head.code);
    const VtkCell* cell = vtkCellOf(head.code);
    if (shape == nullptr || cell == nullptr) {
      elementFinding(FindingKind::kUnknownShape,
                     element() + " has shape code " +
                         std::to_string(head.code) +
                         ", which no element kind has; not drawn");
      return nullptr;
    }
    if (shape->shape.vertices != head.vertices) {
      elementFinding(FindingKind::kShapeCount,
                     element() + " has shape code " +
                         std::to_string(head.code) + " and " +
                         counted(head.vertices, "vertex", "vertices") +
                         "; shape code " + std::to_string(head.code) + " has " +
                         std::to_string(shape->shape.vertices) + "; not drawn");
      return nullptr;
    }
    if (shape->in2D != header_.is2D) {
      elementFinding(FindingKind::kOtherDimension,
                     element() + " is a " + std::string(cell->name) +
                         " (shape code " + std::to_string(head.code) +
                         ") in a " + (header_.is2D ? "2D" : "3D") + " grid");
    }
    std::array<std::int32_t, kMaxElementVertices> index{};
    const std::size_t count = static_cast<std::size_t>(head.vertices);
    for (std::size_t k = 0; k < count; ++k) {
      const std::int32_t number = readElementVertex(line, k);
      index[k] = map_.indexOf(number);
      if (index[k] == VertexMap::kAbsent) {
        elementFinding(FindingKind::kElementVertexMissing,
                       element() + " uses vertex " + std::to_string(number) +
                           ", which the vertex file does not hold; not drawn");
        return nullptr;
      }
    }
    std::array<std::int32_t, kMaxElementVertices> ordered{};
    for (std::size_t k = 0; k < count; ++k) {
      ordered[k] = index[static_cast<std::size_t>(cell->vertex[k])];
    }
    putBytes(ordered.data(), count * sizeof(std::int32_t));
    return cell;
  }

  void elementFinding(FindingKind kind, const std::string& what) {
    findings_.add(kind, cnc_.name(), cnc_.line(), what);
  }

  void checkCounts() {
    if (header_.elements != static_cast<std::int64_t>(elementLines_)) {
      findings_.add(FindingKind::kHeaderCount, inp_.name(), 1,
                    "the GRID record says " +
                        counted(header_.elements, "element", "elements") +
                        "; the connectivity file holds " +
                        std::to_string(elementLines_));
    }
    if (header_.vertices != static_cast<std::int64_t>(map_.size())) {
      findings_.add(
          FindingKind::kHeaderCount, inp_.name(), header_.verticesLine,
          "the vertex count record says " +
              counted(header_.vertices, "vertex", "vertices") +
              "; the vertex file holds " + std::to_string(map_.size()));
    }
  }

  InputFile& inp_;
  InputFile& xyz_;
  InputFile& cnc_;
  VtuWriter vtu_;
  std::string tempDir_;
  bool discard_;
  Findings findings_;
  GridHeader header_;
  std::string_view lastLine_;
  VertexMap map_;
  std::vector<std::uint8_t> flags_;
  std::size_t firstCellArray_ = 0;
  std::uint64_t elementLines_ = 0;
};

struct Options {
  bool check = false;
  std::vector<std::string> files;
};

int viewFiles(const Options& o, std::string* err) {
  InputFile inp(o.files[0]);
  InputFile xyz(o.files[1]);
  InputFile cnc(o.files[2]);
  if (o.check) return Viewer(inp, xyz, cnc, nullptr, err).run();
  const std::string& target = o.files[3];
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (inp.sameFileAs(st) || xyz.sameFileAs(st) || cnc.sameFileAs(st)) {
      throw Failure(target, "is one of the input files");
    }
    // The grid replaces the file by a rename: a device, a pipe or a
    // folder is left alone.
    if (!S_ISREG(st.st_mode)) {
      throw Failure(target, "is not a regular file");
    }
  }
  SafeOutput output;
  output.open(target);
  const int status = Viewer(inp, xyz, cnc, &output, err).run();
  output.commit();
  return status;
}

}  // namespace

int writeGridVtu(const std::array<std::string, 3>& paths,
                 const std::array<std::string, 3>& names, SafeOutput& output,
                 std::string* err) {
  InputFile inp(paths[0], names[0]);
  InputFile xyz(paths[1], names[1]);
  InputFile cnc(paths[2], names[2]);
  return Viewer(inp, xyz, cnc, &output, err).run();
}

int runTessal2vtk(const std::vector<std::string>& args, std::string* out,
                  std::string* err) {
  if (answerInfoRequest("tessal2vtk", kHelp, args, out)) return 0;
  Options o;
  const auto take = [&o](const std::string& name, const std::string&) {
    if (name != "--check") return "unknown option '" + name + "'";
    o.check = true;
    return std::string();
  };
  if (const auto status =
          scanCommandLine("tessal2vtk", args, {}, take, &o.files, err)) {
    return *status;
  }
  const std::size_t n = o.files.size();
  if (n != 4 && !(o.check && n == 3)) {
    return usageError(
        "tessal2vtk",
        "expected GRID.INP VERTEX_FILE CONNECTIVITY_FILE OUTPUT.vtu", err);
  }
  try {
    return viewFiles(o, err);
  } catch (const Failure& f) {
    *err += failureLine("tessal2vtk", f);
  }
  return 2;
}

}  // namespace unv2tessal

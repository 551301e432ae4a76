// Writes a synthetic universal file for the benchmarks: a structured block of
// nodes, its 8-node bricks (or 6 tetrahedra per cell), and six face groups in
// a 2435 dataset (or, with --element-groups, a 2477 dataset as gmsh writes
// it: a group of every element and six groups of the elements on the faces,
// all as element entities), with coordinates in the exporters' 1P3D25.16 form
// ("   1.0000000000000000D+00"). It also writes the console answers that drive
// a whole run of unv2tessal over the file.
//
//   make_mesh --bytes N --out FILE --answers FILE
//             [--first-node L] [--first-element L] [--tet] [--crlf]
//             [--element-groups]
//
// The block is n x n x m nodes; n and m are chosen so that the file comes
// close to N bytes. Prints "nodes <count> elements <count> bytes <size>".

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace unv2tessal {
namespace {

struct Options {
  std::int64_t bytes = 100'000'000;
  std::string out;
  std::string answers;
  std::int64_t firstNode = 1;
  std::int64_t firstElement = 1;
  bool tet = false;
  bool crlf = false;
  bool elementGroups = false;
};

// Buffered file output; the generator writes about a gigabyte.
class Output {
 public:
  explicit Output(const std::string& path, bool crlf)
      : file_(std::fopen(path.c_str(), "wb")), eol_(crlf ? "\r\n" : "\n") {
    if (file_ == nullptr) {
      std::perror(path.c_str());
      std::exit(1);
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~Output() { std::fclose(file_); }

  /// Writes one line and its line end.
  void line(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputs(eol_, file_);
    bytes_ += static_cast<std::int64_t>(text.size() + std::strlen(eol_));
  }
  std::int64_t bytes() const { return bytes_; }

 private:
  std::FILE* file_;
  const char* eol_;
  std::int64_t bytes_ = 0;
};

// The exporters' D25.16 field with scale factor 1P: d.dddddddddddddddd, the
// letter D, the exponent's sign and two digits, right-justified in 25.
void appendCoordinate(std::string& line, double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%25.16E", v);
  char* e = std::strchr(text, 'E');
  if (e != nullptr) *e = 'D';
  line += text;
}

std::string integers(std::initializer_list<std::int64_t> values) {
  std::string line;
  char field[24];
  for (std::int64_t v : values) {
    std::snprintf(field, sizeof field, "%10lld", static_cast<long long>(v));
    line += field;
  }
  return line;
}

class MeshWriter {
 public:
  MeshWriter(const Options& o, std::int64_t n, std::int64_t m)
      : o_(o), n_(n), m_(m), out_(o.out, o.crlf) {}

  std::int64_t nodes() const { return n_ * n_ * m_; }
  std::int64_t elements() const {
    return (n_ - 1) * (n_ - 1) * (m_ - 1) * (o_.tet ? 6 : 1);
  }
  std::int64_t bytes() const { return out_.bytes(); }

  void write() {
    writeHeader();
    writeNodes();
    writeElements();
    if (o_.elementGroups) {
      writeElementGroups();
    } else {
      writeGroups();
    }
  }

 private:
  std::int64_t node(std::int64_t i, std::int64_t j, std::int64_t k) const {
    return o_.firstNode + (k * n_ + j) * n_ + i;
  }

  void writeHeader() {
    out_.line("    -1");
    out_.line("   151");
    out_.line("bench block");
    out_.line("NONE");
    out_.line("make_mesh");
    out_.line("    -1");
  }

  // Spacings with full 17-digit expansions, and a block centred on the
  // origin so that coordinates of both signs (and some zeros) occur.
  void writeNodes() {
    out_.line("    -1");
    out_.line("  2411");
    const double h = 1.0 / 3.0;
    const double lift = 0.1234567890123;
    std::string line;
    for (std::int64_t k = 0; k < m_; ++k) {
      for (std::int64_t j = 0; j < n_; ++j) {
        for (std::int64_t i = 0; i < n_; ++i) {
          out_.line(integers({node(i, j, k), 1, 1, 11}));
          line.clear();
          appendCoordinate(line, static_cast<double>(i - n_ / 2) * h);
          appendCoordinate(line, static_cast<double>(j - n_ / 2) * h * 7.0);
          appendCoordinate(line, static_cast<double>(k) * lift * 1e-3);
          out_.line(line);
        }
      }
    }
    out_.line("    -1");
  }

  void writeElements() {
    out_.line("    -1");
    out_.line("  2412");
    std::int64_t label = o_.firstElement;
    for (std::int64_t k = 0; k + 1 < m_; ++k) {
      for (std::int64_t j = 0; j + 1 < n_; ++j) {
        for (std::int64_t i = 0; i + 1 < n_; ++i) {
          const std::int64_t c[8] = {node(i, j, k),
                                     node(i + 1, j, k),
                                     node(i + 1, j + 1, k),
                                     node(i, j + 1, k),
                                     node(i, j, k + 1),
                                     node(i + 1, j, k + 1),
                                     node(i + 1, j + 1, k + 1),
                                     node(i, j + 1, k + 1)};
          if (o_.tet) {
            writeTets(c, label);
          } else {
            out_.line(integers({label++, 115, 1, 1, 7, 8}));
            out_.line(
                integers({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]}));
          }
        }
      }
    }
    out_.line("    -1");
  }

  // Six tetrahedra around the cell diagonal c[0]-c[6].
  void writeTets(const std::int64_t* c, std::int64_t& label) {
    static constexpr int kTets[6][4] = {{0, 1, 2, 6}, {0, 2, 3, 6},
                                        {0, 3, 7, 6}, {0, 7, 4, 6},
                                        {0, 4, 5, 6}, {0, 5, 1, 6}};
    for (const auto& t : kTets) {
      out_.line(integers({label++, 111, 1, 1, 7, 4}));
      out_.line(integers({c[t[0]], c[t[1]], c[t[2]], c[t[3]]}));
    }
  }

  // The six faces of the block as node groups (entity type 7), two
  // entities to a record, the last record half full for an odd count.
  void writeGroups() {
    out_.line("    -1");
    out_.line("  2435");
    struct Face {
      const char* name;
      int axis;
      bool high;
    };
    static constexpr Face kFaces[6] = {{"XMIN", 0, false}, {"XMAX", 0, true},
                                       {"YMIN", 1, false}, {"YMAX", 1, true},
                                       {"ZMIN", 2, false}, {"ZMAX", 2, true}};
    std::int64_t number = 1;
    for (const Face& f : kFaces) {
      const std::int64_t a = n_;  // the face's first index runs over n
      const std::int64_t b = f.axis == 2 ? n_ : m_;
      out_.line(integers({number++, 0, 0, 0, 0, 0, 0, a * b}));
      out_.line(f.name);
      std::string pending;
      for (std::int64_t q = 0; q < b; ++q) {
        for (std::int64_t p = 0; p < a; ++p) {
          const std::int64_t tag = faceNode(f.axis, f.high, p, q);
          pending += integers({7, tag, 0, 0});
          if (pending.size() == 80) {
            out_.line(pending);
            pending.clear();
          }
        }
      }
      if (!pending.empty()) out_.line(pending);
    }
    out_.line("    -1");
  }

  // The elements of cell (i, j, k): one brick or six tetrahedra.
  std::int64_t cellElements() const { return o_.tet ? 6 : 1; }
  std::int64_t firstElementOf(std::int64_t i, std::int64_t j,
                              std::int64_t k) const {
    return o_.firstElement +
           ((k * (n_ - 1) + j) * (n_ - 1) + i) * cellElements();
  }

  // Element entities, two to a record (type 8, tag, 0, 0).
  class EntityLines {
   public:
    explicit EntityLines(Output& out) : out_(out) {}
    ~EntityLines() {
      if (!pending_.empty()) out_.line(pending_);
    }
    void add(std::int64_t label) {
      pending_ += integers({8, label, 0, 0});
      if (pending_.size() == 80) {
        out_.line(pending_);
        pending_.clear();
      }
    }

   private:
    Output& out_;
    std::string pending_;
  };

  // A group of every element, then one group of the elements of the cells
  // on each face of the block.
  void writeElementGroups() {
    out_.line("    -1");
    out_.line("  2477");
    out_.line(integers({1, 0, 0, 0, 0, 0, 0, elements()}));
    out_.line("BLOCK");
    {
      EntityLines lines(out_);
      for (std::int64_t e = 0; e < elements(); ++e) {
        lines.add(o_.firstElement + e);
      }
    }
    static constexpr const char* kNames[6] = {"XMIN", "XMAX", "YMIN",
                                              "YMAX", "ZMIN", "ZMAX"};
    const std::int64_t cells[3] = {n_ - 1, n_ - 1, m_ - 1};
    for (int face = 0; face < 6; ++face) {
      const int axis = face / 2;
      const std::int64_t fixed = face % 2 == 0 ? 0 : cells[axis] - 1;
      const int pAxis = axis == 0 ? 1 : 0;
      const int qAxis = axis == 2 ? 1 : 2;
      const std::int64_t count = cells[pAxis] * cells[qAxis] * cellElements();
      out_.line(integers({face + 2, 0, 0, 0, 0, 0, 0, count}));
      out_.line(kNames[face]);
      EntityLines lines(out_);
      for (std::int64_t q = 0; q < cells[qAxis]; ++q) {
        for (std::int64_t p = 0; p < cells[pAxis]; ++p) {
          std::int64_t at[3];
          at[axis] = fixed;
          at[pAxis] = p;
          at[qAxis] = q;
          const std::int64_t first = firstElementOf(at[0], at[1], at[2]);
          for (std::int64_t t = 0; t < cellElements(); ++t) {
            lines.add(first + t);
          }
        }
      }
    }
    out_.line("    -1");
  }

  std::int64_t faceNode(int axis, bool high, std::int64_t p,
                        std::int64_t q) const {
    switch (axis) {
      case 0:
        return node(high ? n_ - 1 : 0, p, q);
      case 1:
        return node(p, high ? n_ - 1 : 0, q);
      default:
        return node(p, q, high ? m_ - 1 : 0);
    }
  }

  const Options& o_;
  std::int64_t n_;
  std::int64_t m_;
  Output out_;
};

void writeAnswers(const Options& o) {
  std::FILE* f = std::fopen(o.answers.c_str(), "wb");
  if (f == nullptr) {
    std::perror(o.answers.c_str());
    std::exit(1);
  }
  std::fprintf(f, "%s\n", o.out.c_str());        // input file
  std::fprintf(f, "bench.xyz\n");                // vertex file
  if (o.firstNode != 1) std::fprintf(f, "Y\n");  // renumber
  std::fprintf(f, "3\n");                        // grid dimension
  std::fprintf(f, "bench.cnc\n");                // connectivity file
  // The converter passes a 2477 dataset over and asks nothing for it.
  if (!o.elementGroups) std::fprintf(f, "bench.inp\n");  // grid command file
  std::fclose(f);
}

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: make_mesh --bytes N --out FILE --answers FILE "
               "[--first-node L] [--first-element L] [--tet] [--crlf] "
               "[--element-groups]\n");
  std::exit(2);
}

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int k = 1; k < argc; ++k) {
    const std::string_view a = argv[k];
    auto value = [&]() -> const char* {
      if (k + 1 >= argc) usage();
      return argv[++k];
    };
    if (a == "--bytes") {
      o.bytes = std::atoll(value());
    } else if (a == "--out") {
      o.out = value();
    } else if (a == "--answers") {
      o.answers = value();
    } else if (a == "--first-node") {
      o.firstNode = std::atoll(value());
    } else if (a == "--first-element") {
      o.firstElement = std::atoll(value());
    } else if (a == "--tet") {
      o.tet = true;
    } else if (a == "--crlf") {
      o.crlf = true;
    } else if (a == "--element-groups") {
      o.elementGroups = true;
    } else {
      usage();
    }
  }
  if (o.out.empty() || o.answers.empty() || o.bytes <= 0) usage();
  return o;
}

}  // namespace
}  // namespace unv2tessal

int main(int argc, char** argv) {
  using namespace unv2tessal;
  const Options o = parseOptions(argc, argv);
  // Bytes per node (two records) and per cell (one brick or six tets, two
  // records each), line ends included; the groups add little.
  const double eol = o.crlf ? 2.0 : 1.0;
  const double perNode = 40 + 75 + 2 * eol;
  // A group of every element adds one entity (40 columns) per element.
  const double grouped = o.elementGroups ? 40 + eol / 2 : 0;
  const double perCell =
      o.tet ? 6 * (60 + 40 + 2 * eol + grouped) : 60 + 80 + 2 * eol + grouped;
  const double perPoint = perNode + perCell;
  std::int64_t n = static_cast<std::int64_t>(
      std::cbrt(static_cast<double>(o.bytes) / perPoint));
  if (n < 2) n = 2;
  // The last dimension takes up the rest of the target.
  const double perLayer = static_cast<double>(n * n) * perNode +
                          static_cast<double>((n - 1) * (n - 1)) * perCell;
  std::int64_t m =
      static_cast<std::int64_t>(static_cast<double>(o.bytes) / perLayer);
  if (m < 2) m = 2;

  MeshWriter mesh(o, n, m);
  mesh.write();
  writeAnswers(o);
  std::printf("nodes %lld elements %lld bytes %lld\n",
              static_cast<long long>(mesh.nodes()),
              static_cast<long long>(mesh.elements()),
              static_cast<long long>(mesh.bytes()));
  return 0;
}

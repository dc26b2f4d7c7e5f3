/// tablegen: writes src/synthesis/symmetrical_rows.cpp and
/// asymmetrical_rows.cpp. The published rows are copied as their decimal text;
/// every other row is computed as the equal-ripple design of its coupling
/// level, ripple and band (a symmetrical ripple-0 row as the maximally flat
/// design of its level), so the whole table is made of real designs.
///
/// Usage: tablegen [output directory]   (default: the source tree's src/synthesis)

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "listed_values.hpp"
#include "synthesis/equal_ripple.hpp"

namespace tablegen {
namespace {

// Every design comes from the program's own synthesis engine; these are the
// generator's names for its pieces.

using Impedances = quill::SectionImpedances;

/// What a row has to meet: the section layout, the coupling level and the
/// band, given as its half width about f0 in units of f0.
struct Band {
  bool symmetrical;   ///< mirror-symmetric sections
  int n;              ///< number of sections
  double level;       ///< coupling level, dB
  double half_width;  ///< band is f0 (1 - half_width) .. f0 (1 + half_width)
};

/// A design and the largest deviation of its coupling from the level on a band.
struct Design {
  Impedances zoe{};
  double deviation = 0;
};

quill::CouplerForm form_of(const Band& band) {
  return band.symmetrical ? quill::CouplerForm::symmetrical : quill::CouplerForm::asymmetrical;
}

void coupling_extremes(const Band& band, const Impedances& zoe, double& lo, double& hi) {
  const quill::CouplingSwing s = quill::coupling_swing(zoe, band.n, band.level, band.half_width);
  lo = s.min_db;
  hi = s.max_db;
}

double max_deviation(const Band& band, const Impedances& zoe) {
  return quill::coupling_swing(zoe, band.n, band.level, band.half_width).deviation_db;
}

/// The equal-ripple (minimax) design over the band.
Design minimax(const Band& band) {
  const quill::SectionDesign s = quill::equal_ripple_sections(form_of(band), band.n, band.level, band.half_width);
  if (!s.realised) {
    std::fprintf(stderr, "tablegen: no equal-ripple design of %d sections, %.2f dB, half width %.6g\n", band.n,
                 band.level, band.half_width);
    std::exit(1);
  }
  return Design{s.zoe, max_deviation(band, s.zoe)};
}

/// The band whose equal-ripple deviation equals `ripple`, and its design.
Design design_for_ripple(Band& band, double ripple) {
  band.half_width = quill::equal_ripple_half_width(form_of(band), band.n, band.level, ripple);
  return minimax(band);
}

/// The maximally flat design of the band's level; the deviation is over the band.
Design maximally_flat(const Band& band) {
  const quill::SectionDesign s = quill::maximally_flat_sections(form_of(band), band.n, band.level);
  if (!s.realised) {
    std::fprintf(stderr, "tablegen: no maximally flat design of %d sections, %.2f dB\n", band.n, band.level);
    std::exit(1);
  }
  return Design{s.zoe, max_deviation(band, s.zoe)};
}

/// Everything one table needs to know about its layout.
struct TableShape {
  bool symmetrical;
  int isect_lo, isect_hi;
  int ripples;
  std::array<const char*, 16> ripple_text;
  std::array<double, 5> level;
  int anchor;                       ///< ripple index whose rows are all published
  std::array<int, 8> bw_column;     ///< ripple index of each published bandwidth column
  const std::vector<ListedBandwidths>* bandwidths;
  const std::vector<ListedRow>* rows;
  const char* array_name;
  const char* file_name;
};

/// One generated row, as text ready to print and as numbers for the solver.
struct GenRow {
  std::string tembw_text;
  std::array<std::string, 6> zoe_text;
  double tembw = 0;
  Impedances zoe{};
  bool has_tembw = false;
  bool has_zoe = false;
  std::string note;
};

int sections(const TableShape& t, int isect) { return t.symmetrical ? 2 * isect - 1 : isect; }
int stored_sections(const TableShape&, int isect) { return isect; }

double half_width(const TableShape& t, double tembw) {
  return t.symmetrical ? 0.5 * tembw : (tembw - 1.0) / (tembw + 1.0);
}
double tembw_of(const TableShape& t, double hw) {
  return t.symmetrical ? 2.0 * hw : (1.0 + hw) / (1.0 - hw);
}

/// Shortest text that reads back as the same float, written as a C++ literal.
std::string float_literal(const std::string& text) {
  std::string s = text;
  if (s.find('.') == std::string::npos && s.find('e') == std::string::npos) s += ".0";
  return s + "f";
}
std::string shortest(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
  return std::string(buf, r.ptr);
}

Band band_of(const TableShape& t, int isect, int icoup, double tembw) {
  return Band{t.symmetrical, sections(t, isect), t.level[icoup - 1], half_width(t, tembw)};
}

double ripple_of(const TableShape& t, int iripple) { return std::atof(t.ripple_text[iripple - 1]); }

/// Solves one row; `from` is its solved neighbour of the next ripple toward the published one.
void solve_row(const TableShape& t, int isect, int icoup, int iripple, const GenRow& from, GenRow& row,
               std::string& log) {
  const double ripple = ripple_of(t, iripple);
  const int n = sections(t, isect);
  char line[256];
  if (row.has_tembw) {
    Band band = band_of(t, isect, icoup, row.tembw);
    const bool flat_row = ripple == 0 && t.symmetrical;
    Design d = flat_row ? Design{} : minimax(band);
    const bool off = ripple > 0 && std::fabs(d.deviation - ripple) > 0.01;
    if (off) {
      char line2[200];
      std::snprintf(line2, sizeof line2, "  isect %d icoup %d iripple %d: band %s gives minimax %.4f dB, not %.2f",
                    isect, icoup, iripple, row.tembw_text.c_str(), d.deviation, ripple);
      log += line2;
    }
    if (ripple > 0 && d.deviation < ripple - 0.01) {
      // The published band is too narrow for its ripple: take the design whose
      // minimax over a wider band equals the ripple; on the published band its
      // inner extremes still swing by the full ripple.
      Design f = design_for_ripple(band, ripple);
      double lo = 0, hi = 0;
      Band listed = band_of(t, isect, icoup, row.tembw);
      coupling_extremes(listed, f.zoe, lo, hi);
      std::snprintf(line, sizeof line,
                    "; designed over %.6g instead, on the stored band %.4f .. %.4f dB",
                    tembw_of(t, band.half_width), lo, hi);
      log += line;
      row.note = "equal ripple over a band of " + shortest(tembw_of(t, band.half_width));
      d = f;
    }
    if (flat_row) {
      // A maximally flat row. Its stored band is where the flat response
      // stays within about 0.05 .. 0.14 dB of the level, far narrower than an
      // equal-ripple design of the smallest tabulated ripple would cover.
      const Design f = maximally_flat(band);
      std::snprintf(line, sizeof line, "  isect %d icoup %d: maximally flat, %.4f dB on the stored band\n", isect,
                    icoup, f.deviation);
      log += line;
      d = f;
    }
    if (ripple == 0 && !t.symmetrical) {
      // The asymmetrical ratios of ripple 0 are far wider than a maximally
      // flat design holds near the level (its coupling would stray by up to
      // 1.8 dB at the band edge): like the published rows of this ripple
      // they are near-equal-ripple designs over their ratio, so the minimax
      // design stays. Logged for comparison.
      const Design f = maximally_flat(band);
      std::snprintf(line, sizeof line,
                    "  isect %d icoup %d: minimax %.4f dB on the stored ratio (maximally flat: %.4f dB)\n", isect,
                    icoup, d.deviation, f.deviation);
      log += line;
    }
    // A band too wide for its ripple keeps its own minimax design: the
    // swing exceeds the ripple evenly on both sides, the smallest excess.
    if (off) log += "\n";
    row.zoe = d.zoe;
  } else {
    Band band = band_of(t, isect, icoup, from.tembw);
    Design d = design_for_ripple(band, ripple);
    row.zoe = d.zoe;
    row.tembw = tembw_of(t, band.half_width);
    row.tembw_text = shortest(row.tembw);
    row.has_tembw = true;
  }
  for (int i = 0; i < stored_sections(t, isect); ++i) row.zoe_text[i] = shortest(row.zoe[i]);
  // Keep the double design consistent with the stored floats the check below measures.
  for (int i = 0; i < n; ++i) row.zoe[i] = std::atof(row.zoe_text[std::min(i, n - 1 - i)].c_str());
  if (!t.symmetrical)
    for (int i = 0; i < n; ++i) row.zoe[i] = std::atof(row.zoe_text[i].c_str());
  row.has_zoe = true;
}

std::string generate(const TableShape& t, std::string& log) {
  // rows[isect][icoup][iripple], 1-based.
  std::vector<GenRow> rows(11 * 6 * 17);
  auto at = [&](int is, int ic, int ir) -> GenRow& { return rows[(is * 6 + ic) * 17 + ir]; };
  for (const auto& b : *t.bandwidths)
    for (size_t c = 0; c < b.tembw.size(); ++c)
      if (b.tembw[c]) {
        GenRow& r = at(b.isect, b.icoup, t.bw_column[c]);
        r.tembw_text = b.tembw[c];
        r.tembw = std::atof(b.tembw[c]);
        r.has_tembw = true;
      }
  for (const auto& l : *t.rows) {
    GenRow& r = at(l.isect, l.icoup, l.iripple);
    r.tembw_text = l.tembw;
    r.tembw = std::atof(l.tembw);
    r.has_tembw = true;
    const int n = sections(t, l.isect);
    for (int i = 0; i < l.isect; ++i) r.zoe_text[i] = l.zoe[i];
    for (int i = 0; i < n; ++i)
      r.zoe[i] = std::atof(l.zoe[t.symmetrical ? std::min(i, n - 1 - i) : i]);
    r.has_zoe = true;
  }
  for (int is = t.isect_lo; is <= t.isect_hi; ++is)
    for (int ic = 1; ic <= 5; ++ic) {
      // Walk away from the fully published ripple in both directions: a row
      // without a published band is designed from its neighbour's.
      for (int ir = t.anchor - 1; ir >= 1; --ir)
        if (!at(is, ic, ir).has_zoe) solve_row(t, is, ic, ir, at(is, ic, ir + 1), at(is, ic, ir), log);
      for (int ir = t.anchor + 1; ir <= t.ripples; ++ir)
        if (!at(is, ic, ir).has_zoe) solve_row(t, is, ic, ir, at(is, ic, ir - 1), at(is, ic, ir), log);
    }

  // How far every row's coupling strays from level +- ripple on its own band.
  double worst = 0, worst0 = 0;
  char worst_at[64] = "", worst0_at[64] = "";
  for (int is = t.isect_lo; is <= t.isect_hi; ++is)
    for (int ic = 1; ic <= 5; ++ic)
      for (int ir = 1; ir <= t.ripples; ++ir) {
        const GenRow& r = at(is, ic, ir);
        const Band band = band_of(t, is, ic, r.tembw);
        double lo = 0, hi = 0;
        coupling_extremes(band, r.zoe, lo, hi);
        const double rip = ripple_of(t, ir);
        const double dev = rip > 0 ? std::max(std::fabs(hi - band.level - rip), std::fabs(lo - band.level + rip))
                                   : std::max(hi - band.level, band.level - lo);
        double& w = rip > 0 ? worst : worst0;
        if (dev > w) {
          w = dev;
          std::snprintf(rip > 0 ? worst_at : worst0_at, 64, "isect %d icoup %d iripple %d", is, ic, ir);
        }
      }
  char line[256];
  std::snprintf(line, sizeof line,
                "  worst |extreme - (level +- ripple)| %.4f dB (%s); ripple-0 rows within %.4f dB (%s)\n", worst,
                worst_at, worst0, worst0_at);
  log += line;

  std::ostringstream out;
  out << "// Generated by tools/tablegen from the published coupler design values;\n"
      << (t.symmetrical ? "// rows not published there are computed by that tool: maximally flat designs\n"
                          "// at ripple 0, equal-ripple designs at every other ripple.\n"
                        : "// rows not published there are equal-ripple designs computed by that tool.\n")
      << "// Do not edit: change the generator and run it again.\n\n"
         "#include \"synthesis/table_rows.hpp\"\n\n"
         "namespace quill {\n\n"
         "// {isect, icoup, iripple, ripple dB, tembw, zoe of the stored sections}\n"
      << "const std::array<TableRow, " << (t.isect_hi - t.isect_lo + 1) * 5 * t.ripples << "> "
      << t.array_name << " = {{\n";
  for (int is = t.isect_lo; is <= t.isect_hi; ++is)
    for (int ic = 1; ic <= 5; ++ic)
      for (int ir = 1; ir <= t.ripples; ++ir) {
        const GenRow& r = at(is, ic, ir);
        out << "    {" << is << ", " << ic << ", " << ir << ", " << float_literal(t.ripple_text[ir - 1]) << ", "
            << float_literal(r.tembw_text) << ", {";
        for (int i = 0; i < 6; ++i) {
          if (i) out << ", ";
          out << (i < is ? float_literal(r.zoe_text[i]) : std::string("0.0f"));
        }
        out << "}},";
        if (!r.note.empty()) out << "  // " << r.note;
        if (t.symmetrical && is == 3 && ic == 5 && ir == 11)
          out << "  // centre section solved for equal ripple, not the 0.7 dB row's value";
        out << "\n";
      }
  out << "}};\n\n}  // namespace quill\n";
  return out.str();
}

}  // namespace
}  // namespace tablegen

int main(int argc, char** argv) {
  using namespace tablegen;
  const std::string dir = argc > 1 ? argv[1] : std::string(TABLEGEN_OUTPUT_DIR);
  const TableShape sym{true, 2, 5, 16,
                       {"0", "0.05", "0.1", "0.15", "0.2", "0.25", "0.3", "0.35", "0.4", "0.45", "0.5", "0.6",
                        "0.7", "0.8", "0.9", "1.0"},
                       {3.01, 6.02, 8.34, 10.0, 20.0}, 7, {1, 3, 5, 7, 9, 11, 12, 0},
                       &symmetrical_bandwidths, &symmetrical_rows, "symmetrical_rows", "symmetrical_rows.cpp"};
  const TableShape asym{false, 2, 6, 8,
                        {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7"},
                        {3.01, 6.02, 10.0, 15.0, 20.0}, 4, {1, 2, 3, 4, 5, 6, 7, 8},
                        &asymmetrical_bandwidths, &asymmetrical_rows, "asymmetrical_rows",
                        "asymmetrical_rows.cpp"};
  for (const TableShape* t : {&sym, &asym}) {
    const auto t0 = std::chrono::steady_clock::now();
    std::string log;
    const std::string text = generate(*t, log);
    std::ofstream(dir + "/" + t->file_name, std::ios::binary) << text;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "%s: %.1f s\n%s", t->file_name, secs, log.c_str());
  }
  return 0;
}

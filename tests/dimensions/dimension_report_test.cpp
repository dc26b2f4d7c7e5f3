// The dimension report against the reference dialogues, column for column,
// the Smax guidance, and reports of inputs outside the equations' domain.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "common/constants.hpp"
#include "common/fixed.hpp"
#include "dimensions/dimension_report.hpp"
#include "support/golden.hpp"

namespace quill {
namespace {

using testing_support::golden_report;


/// A design as read from a design-data file: every Zoe in ohms, one centre
/// frequency for all sections, impedances normalised the way the file reader does.
CouplerDesign file_design(std::initializer_list<float> zoes, float z0, float er, float f0) {
  CouplerDesign d;
  d.ifunc = 4;
  d.z0 = z0;
  d.er = er;
  d.f0 = f0;
  for (float zoe : zoes) {
    Section& s = d.sections[static_cast<size_t>(d.n++)];
    s.zoe = zoe / z0;
    s.zoo = z0 * z0 / zoe * (1.0f / z0);
    const float lambda = speed / f0;
    s.length = 0.25f * lambda / sqrtf(er);
    s.thetae = s.thetao = 2.0f * pi * s.length / (lambda / sqrtf(er));
    d.total = d.total + s.length;
    if (zoe > d.zoemax) d.zoemax = zoe;
  }
  return d;
}

CouplerDesign reference_file_design() {
  return file_design({86.5f, 71.56f, 61.97f, 55.99f, 52.47f}, 50.0f, 3.0f, 2000.0f);
}

/// The two-section asymmetrical 10 dB, 0.3 dB ripple synthesis over 4-8 GHz.
CouplerDesign asym_design() {
  CouplerDesign d;
  d.ifunc = 2;
  d.n = 2;
  d.z0 = 50.0f;
  d.er = 2.2f;
  d.f0 = 6000.0f;
  d.flow = 4000.0f;
  d.fhigh = 8000.0f;
  d.coupler = 10.0f;
  d.ripple = 0.3f;
  const float zoe[2] = {1.54913f, 1.13008f};
  d.zoemax = d.z0 * zoe[0];
  const float lambda = speed / d.f0;
  for (int i = 1; i <= 2; ++i) {
    Section& s = d.sec(i);
    s.zoe = zoe[i - 1];
    s.zoo = 1.0f / s.zoe;
    s.length = lambda * 0.25f / sqrtf(d.er);
    s.thetae = s.thetao = 2.0f * pi * s.length / (lambda / sqrtf(d.er));
    d.total = d.total + s.length;
  }
  return d;
}

const TimeStamp kClock{2026, 7, 5, 9, 5, 3};
const std::string kFn = "dims.txt            ";

struct Printed {
  std::string console, file;
};

Printed print(const CouplerDesign& d, DimensionChoice c, bool storing) {
  std::ostringstream console, file;
  ReportOut out(console, storing ? &file : nullptr);
  print_dimension_report(out, d, c, kClock, kFn);
  return {console.str(), file.str()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

/// The strip-table rows: the lines between the table's rule and the empty line after it.
std::vector<std::string> strip_rows(const std::string& report) {
  std::vector<std::string> all = lines(report), rows;
  bool in = false;
  for (const std::string& l : all) {
    if (in && l.empty()) break;
    if (in) rows.push_back(l);
    if (l.rfind("      -------  ------", 0) == 0) in = true;
  }
  return rows;
}

std::string line_starting(const std::string& report, const std::string& start) {
  for (const std::string& l : lines(report)) {
    if (l.find(start) != std::string::npos) return l;
  }
  return {};
}

/// Splits a strip row into its eight printed values (inches then millimetres).
std::vector<std::string> cells(const std::string& row) {
  std::vector<std::string> v;
  std::istringstream in(row.substr(10));
  for (std::string c; in >> c;) {
    if (c != "|") v.push_back(c);
  }
  return v;
}

TEST(DimensionReportGolden, FileDesignOffsetStrips) {
  const Printed p = print(reference_file_design(), {0.3f, 0.06f, 2}, true);
  EXPECT_EQ(p.console, golden_report("file-design-dimensions", 1));
  EXPECT_EQ(p.file, p.console);
}

TEST(DimensionReportGolden, FileDesignSuperposedCentreSection) {
  const Printed p = print(reference_file_design(), {0.25f, 0.05f, 1}, true);
  EXPECT_EQ(p.console, golden_report("file-design-dimensions", 2));
  EXPECT_EQ(p.file, p.console);
}

TEST(DimensionReportGolden, AsymmetricalSynthesisWithoutStorage) {
  const Printed p = print(asym_design(), {0.25f, 0.05f, 2}, false);
  EXPECT_EQ(p.console, golden_report("asym-default-dimensions", 1));
  EXPECT_TRUE(p.file.empty());
}

TEST(DimensionReport, CentreSectionOfAnEvenCountIsTheUpperMiddle) {
  // Four sections: section 3 is the centre one and the only superposed pair.
  const CouplerDesign d = file_design({60.0f, 75.0f, 75.0f, 60.0f}, 50.0f, 2.2f, 3000.0f);
  const auto rows = strip_rows(print(d, {0.25f, 0.05f, 1}, false).console);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(cells(rows[2])[1], "0.0000");                 // no offset
  EXPECT_NE(cells(rows[1])[1], "0.0000");                 // section 2 stays offset
  EXPECT_NE(cells(rows[2])[0], cells(rows[1])[0]);        // different width formula
  EXPECT_EQ(cells(rows[2])[2], cells(rows[1])[2]);        // loose solution unchanged
}

TEST(DimensionReport, SynthesisedDesignShowsItsOwnCouplingAndRipple) {
  const std::string r = print(asym_design(), {0.25f, 0.05f, 2}, false).console;
  EXPECT_NE(line_starting(r, "Coupling = 10.000 dB"), "");
  EXPECT_NE(line_starting(r, "Ripple =  0.300 dB"), "");
}

TEST(DimensionReport, TypedDesignShowsTightestSectionAndNoRipple) {
  CouplerDesign d = file_design({55.0f, 80.0f, 55.0f}, 50.0f, 2.2f, 3000.0f);
  d.ifunc = 3;
  d.coupler = 99.0f;  // stale values of an earlier synthesis are not shown
  d.ripple = 9.0f;
  const std::string r = print(d, {0.25f, 0.05f, 2}, false).console;
  // Section 2 (80 ohms, 7.167 dB in its table row) is the tightest.
  EXPECT_NE(line_starting(r, "Coupling =  7.167 dB"), "") << r;
  EXPECT_NE(line_starting(r, "  2     80.000 31.250   7.167"), "") << r;
  EXPECT_NE(line_starting(r, "Ripple =  0.000 dB"), "") << r;
}

/// %6.4f of the guidance value, as the dialogue prints it.
std::string smax_text(float zoemax, float z0, float er, float gps) {
  return Text().f(smax_guidance(zoemax, z0, er, gps), 6, 4).str();
}

TEST(SmaxGuidance, PrintedValues) {
  EXPECT_EQ(smax_text(100.0f, 50.0f, 2.2f, 0.25f), "0.0408");
  // Er 10: the elliptic ratio is below 1 and goes through its reciprocal.
  EXPECT_EQ(smax_text(100.0f, 50.0f, 10.0f, 0.25f), "0.0193");
  EXPECT_EQ(smax_text(86.5f, 50.0f, 3.0f, 0.3f), "0.0651");
  EXPECT_EQ(smax_text(86.5f, 50.0f, 3.0f, 0.25f), "0.0543");
  EXPECT_EQ(smax_text(50.0f * 1.54913f, 50.0f, 2.2f, 0.25f), "0.0762");
  EXPECT_NEAR(smax_guidance(100.0f, 50.0f, 2.2f, 1.0f), 0.1633f, 1e-4f);
  EXPECT_NEAR(smax_guidance(100.0f, 50.0f, 10.0f, 1.0f), 0.0771f, 1e-4f);
}

TEST(SmaxGuidance, TighterCouplingNeedsCloserStrips) {
  float last = 1.0f;
  for (float zoemax = 60.0f; zoemax <= 180.0f; zoemax += 20.0f) {
    const float s = smax_guidance(zoemax, 50.0f, 2.2f, 1.0f);
    EXPECT_LT(s, last) << zoemax;
    EXPECT_GT(s, 0.0f) << zoemax;
    last = s;
  }
  // Proportional to B.
  EXPECT_FLOAT_EQ(smax_guidance(80.0f, 50.0f, 2.2f, 0.5f),
                  2.0f * smax_guidance(80.0f, 50.0f, 2.2f, 0.25f));
}

/// Every line of a report that is not a strip row, the Zo strip line or the
/// frequency line: what must survive any input untouched.
std::vector<std::string> frame(const std::string& report) {
  std::vector<std::string> v;
  for (const std::string& l : lines(report)) {
    const bool row = l.size() > 10 && l.find(" | ") != std::string::npos &&
                     l.find("Width") == std::string::npos && l.find("Strip") == std::string::npos &&
                     l.find("Coupled") == std::string::npos && l.find("---") == std::string::npos;
    if (row || l.find("For Zo =") != std::string::npos ||
        l.find("Maximum usable") != std::string::npos) {
      v.push_back("<computed>");
    } else {
      v.push_back(l);
    }
  }
  return v;
}

TEST(DimensionReportDomain, StripSpacingEqualToGroundSpacing) {
  // Reachable when B is typed below the default S: the strips would lie on
  // the ground planes. No width exists; nothing may pass for one.
  const CouplerDesign d = reference_file_design();
  const std::string bad = print(d, {0.05f, 0.05f, 2}, false).console;
  const std::string good = print(d, {0.3f, 0.05f, 2}, false).console;
  const auto rows = strip_rows(bad);
  ASSERT_EQ(rows.size(), 5u);
  for (const std::string& row : rows) {
    const auto c = cells(row);
    EXPECT_EQ(c[0], "0.0000");  // no offset tight-coupling solution
    EXPECT_EQ(c[1], "0.0000");
    EXPECT_EQ(c[2], "******");
    EXPECT_EQ(c[3], "******");
    EXPECT_EQ(c[6], "******");
    EXPECT_EQ(c[7], "******");
    EXPECT_EQ(row.size(), strip_rows(good)[0].size());
  }
  EXPECT_EQ(line_starting(bad, "For Zo ="),
            "        For Zo =  50.0 Ohms, strip width = ***** inches (******** mm).");
  // No section has a width, so there is no frequency limit to state.
  EXPECT_EQ(line_starting(bad, "Maximum usable"),
            "        Maximum usable operating frequency = ******* MHz before possible");
  // The rest of the report apart from the B and S values is unchanged.
  auto fb = frame(bad), fg = frame(good);
  ASSERT_EQ(fb.size(), fg.size());
  for (size_t i = 0; i < fb.size(); ++i) {
    if (fb[i].find(" B = ") != std::string::npos) continue;
    EXPECT_EQ(fb[i], fg[i]) << i;
  }
}

TEST(DimensionReportDomain, StripSpacingBeyondGroundSpacing) {
  const std::string r = print(reference_file_design(), {0.05f, 0.08f, 2}, false).console;
  for (const std::string& row : strip_rows(r)) EXPECT_EQ(cells(row)[2], "******");
  EXPECT_NE(line_starting(r, "frequency = ******* MHz"), "");
}

TEST(DimensionReportDomain, UncoupledSectionFromAFile) {
  // A filed section with Zoe = Zo has no loose solution; the frequency limit
  // still comes from the sections that have a width, exactly as without it.
  const CouplerDesign with = file_design({86.5f, 50.0f, 61.97f}, 50.0f, 3.0f, 2000.0f);
  const CouplerDesign without = file_design({86.5f, 61.97f}, 50.0f, 3.0f, 2000.0f);
  const std::string r = print(with, {0.3f, 0.06f, 2}, false).console;
  const auto rows = strip_rows(r);
  ASSERT_EQ(rows.size(), 3u);
  const auto c = cells(rows[1]);
  EXPECT_EQ(c[2], "******");
  EXPECT_EQ(c[3], "******");
  EXPECT_EQ(c[6], "******");
  EXPECT_EQ(c[7], "******");
  EXPECT_EQ(cells(rows[0]), cells(strip_rows(print(without, {0.3f, 0.06f, 2}, false).console)[0]));
  const std::string limit = line_starting(r, "Maximum usable");
  EXPECT_EQ(limit.find('*'), std::string::npos) << limit;
  EXPECT_EQ(limit, line_starting(print(without, {0.3f, 0.06f, 2}, false).console,
                                 "Maximum usable"));
  // Its coupling column is infinite; the design's tightest section is still found.
  EXPECT_NE(line_starting(r, "Coupling =  6.036 dB"), "");
}

TEST(DimensionReportDomain, SuperposedCentreTooFarApart) {
  // The 61.97-ohm centre section in Er 3 has a modulus of about 0.968: at
  // S/B = 0.98 superposed strips cannot couple that loosely and its width
  // does not exist. The other sections' rows are still printed in full.
  const CouplerDesign d = reference_file_design();
  const auto rows = strip_rows(print(d, {0.25f, 0.245f, 1}, false).console);
  ASSERT_EQ(rows.size(), 5u);
  const auto centre = cells(rows[2]);
  EXPECT_EQ(centre[0], "******");
  EXPECT_EQ(centre[4], "******");
  EXPECT_EQ(cells(rows[0])[0].find('*'), std::string::npos);
}

TEST(DimensionReport, WideValuesPrintAsAsterisksInTheirColumns) {
  // Er 10 overflows %6.4f; at B = 1 inch the millimetre offsets exceed 9.9999.
  const CouplerDesign d = file_design({86.5f, 52.47f}, 50.0f, 10.0f, 2000.0f);
  const std::string r = print(d, {1.0f, 0.05f, 2}, false).console;
  EXPECT_NE(line_starting(r, "Er = ****** "), "");
  const auto rows = strip_rows(r);
  EXPECT_EQ(cells(rows[1])[7], "******");
  EXPECT_EQ(rows[0].size(), rows[1].size());
}

TEST(DimensionReport, FrequencyLimitFollowsTheWidestLooseStrip) {
  // The limit grows with strip width: it is set by the loosest section,
  // whichever position it holds.
  const CouplerDesign a = file_design({52.0f, 70.0f, 60.0f}, 50.0f, 2.2f, 3000.0f);
  const CouplerDesign b = file_design({70.0f, 60.0f}, 50.0f, 2.2f, 3000.0f);
  const CouplerDesign only = file_design({52.0f}, 50.0f, 2.2f, 3000.0f);
  const DimensionChoice c{0.25f, 0.05f, 2};
  const auto limit = [&](const CouplerDesign& d) {
    return line_starting(print(d, c, false).console, "Maximum usable");
  };
  EXPECT_EQ(limit(a), limit(only));
  EXPECT_NE(limit(a), limit(b));
}

}  // namespace
}  // namespace quill

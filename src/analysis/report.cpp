#include "analysis/report.hpp"

#include <cmath>

#include "analysis/sweep.hpp"
#include "common/fixed.hpp"

namespace quill {

namespace {

/// Title block into a text being built, so the report can send its head as one block.
void title_block(Text& t, const TimeStamp& ts) {
  t.nl();
  t.sp(6).rep('-', 72).nl();
  t.sp(6).lit("Quillomate (v. 1.3)").sp(21).lit("Date:")
      .i(ts.imon, 2).lit("/").i(ts.iday, 2).lit("/").i(ts.iyr, 4)
      .lit(" at ").i(ts.ihr, 2).lit(":").i(ts.imin, 2).lit(":").i(ts.isec, 2)
      .lit("Hours").nl();
}

void table_heading(Text& t) {
  t.nl();
  t.sp(8).lit("Coupled    Impedances           Phase Velocity Loss,dB/Inch").nl();
  t.sp(8).lit("Section   Zoe    Zoo   Coupling  Even   Odd    Even   Odd   Length").nl();
  t.sp(8).lit("   I      Ohms   Ohms     dB     Mode   Mode   Mode   Mode  Inches").nl();
  t.sp(8).lit("------- ------- ------ -------- ------ ------ ------ ------ ------").nl();
}

void section_row(Text& t, const CouplerDesign& d, int i) {
  const Section& s = d.sec(i);
  const float zoe = s.zoe * d.z0;
  const float zoo = s.zoo * d.z0;
  t.sp(10).i(i, 2).sp(4).f(zoe, 7, 3).f(zoo, 7, 3).sp(1).f(section_coupling(zoe, zoo), 7, 3)
      .sp(2).f(s.veloe, 5, 3).sp(2).f(s.veloo, 5, 3)
      .sp(2).f(s.oeloss, 5, 3).sp(2).f(s.ooloss, 5, 3)
      .f(s.length, 8, 4).nl();
}

void table_footer(Text& t, const CouplerDesign& d, const std::string& board) {
  if (!board.empty()) {
    t.sp(7).lit("In the board ").lit(board).lit(", Total Length of Coupler = ").f(d.total, 8, 4).nl();
    return;
  }
  t.sp(7).lit("In a dielectric with Er = ").f(d.er, 5, 2)
      .lit(", Total Length of Coupler = ").f(d.total, 8, 4).nl();
}

void response_heading(Text& t, int iprint) {
  t.nl();
  if (iprint == 1) {
    t.sp(25).lit("Frequency Response of your Directional Coupler:").nl();
    t.sp(6).lit(" Frequency    Port 1: S11").sp(4).lit("Port 2: S21").sp(5).lit("Port 3: S31")
        .sp(4).lit("Port 4: S41").nl();
    t.sp(6).lit("   (MHz)      RL    Phase  Coupled  Phase  Isolated Phase  Thru   Phase ").nl();
    t.sp(6).rep('-', 72).nl();
  } else {
    t.sp(22).lit("Frequency Response of your Directional Coupler:").nl();
    t.sp(8).lit("Frequency   Port 1  Port 2  Port 3   Port 4 *PHI2 -  *Deviation*").nl();
    t.sp(8).lit("  (MHZ)      VSWR  Coupled Isolated   Loss  *PHI4,Deg*from 90deg").nl();
    t.sp(8).rep('-', 64).nl();
  }
}

}  // namespace

void print_title_block(ReportOut& out, const TimeStamp& t) {
  Text text;
  title_block(text, t);
  out.put(text.str());
}

float section_coupling(float zoe_ohms, float zoo_ohms) {
  // A section typed with its odd-mode impedance above the even-mode one still
  // couples by the size of the difference; equal impedances do not couple at
  // all, and the infinite level prints as asterisks.
  return -20.0f * log10f(fabsf(zoe_ohms - zoo_ohms) / (zoe_ohms + zoo_ohms));
}

void print_design_table(ReportOut& out, const CouplerDesign& d, const std::string& board) {
  Text head;
  table_heading(head);
  out.put(head.str());
  for (int i = 1; i <= d.n; ++i) {
    Text row;
    section_row(row, d, i);
    out.put(row.str());
  }
  Text foot;
  table_footer(foot, d, board);
  out.put(foot.str());
}

void print_report(ReportOut& out, const CouplerDesign& d, const AnalysisSettings& s,
                  const TimeStamp& t, const std::vector<std::string>& notes, const std::string& board) {
  // Title, subtitle, introduction and band leave as one block.
  Text head;
  title_block(head, t);
  head.sp(16).lit("RF/Microwave Computer-Aided Engineering Design Data For").nl();
  head.sp(16).lit("       N-Section TEM-Mode Directional Couplers:").nl();
  head.nl();
  head.sp(12).lit("The following Analysis is for a").i(d.n, 2)
      .lit("-Section TEM-Mode Directional").nl();
  head.sp(12).lit("Coupler with RF Input signal at Port 1. All Phase Angles are in").nl();
  head.sp(12).lit("Degrees. The Coupled, Isolated and Loss values are in decibels.").nl();
  head.sp(12).lit("Center Frequency = ").f(d.f0, 10, 3).lit(" MHz.").nl();
  if (d.synthesised()) {
    // Only a synthesised coupler has a band, a coupling level and a ripple of its own.
    head.nl();
    head.sp(12).lit("Operating frequency range: ").f(d.flow, 10, 3).lit(" to ")
        .f(d.fhigh, 10, 3).lit(" MHz.").nl();
    head.sp(12).lit("Coupling value across operating frequency = ").f(d.coupler, 5, 2)
        .lit(" +/- ").f(d.ripple, 3, 1).lit(" dB.").nl();
  }
  if (!notes.empty()) head.nl();
  for (const std::string& line : notes) head.sp(12).lit(line).nl();
  out.put(head.str());
  print_design_table(out, d, board);

  Text heading;
  response_heading(heading, s.iprint);
  out.put(heading.str());

  run_sweep(out, d, s);

  Text tail;
  tail.sp(6).rep('-', 72).nl();
  out.put(tail.str());
  // Named only while the storage file has taken every block before it.
  if (out.storing()) out.put(Text().sp(8).lit("Output Data stored in User filename: ").name(s.fn).nl());
}

}  // namespace quill

#include "synthesis/table_synthesis.hpp"

#include "common/fixed.hpp"
#include "common/quarter_wave.hpp"

namespace quill {

void set_band(CouplerDesign& d, TableKind kind, float flow, float fhigh) {
  d.ifunc = kind == TableKind::symmetrical ? 1 : 2;
  d.flow = flow;
  d.fhigh = fhigh;
  d.f0 = (d.fhigh + d.flow) * 0.5f;
}

SectionSearch choose_table_row(CouplerDesign& d, DesignTables& block1, int icoup, int m) {
  const TableKind kind = d.ifunc == 1 ? TableKind::symmetrical : TableKind::asymmetrical;
  // The symmetrical table is searched by fractional bandwidth, the
  // asymmetrical one by the ratio of the band edges.
  const float bw = d.fhigh - d.flow;
  const float tembw1 = kind == TableKind::symmetrical ? bw / d.f0 : d.fhigh / d.flow;

  // The table is refilled for every synthesis, so lookups never see what the
  // other table or an earlier row completion left in the shared cells.
  if (kind == TableKind::symmetrical) symzoe(block1); else asymzoe(block1);
  const int iripple = ripple_index(kind, block1, icoup, m);
  const SectionSearch found = search_sections(kind, block1, icoup, iripple, tembw1);
  d.icoup = icoup;
  d.iripple = iripple;
  if (!found.found) return found;
  d.isect = found.isect;
  d.n = found.n;
  if (kind == TableKind::symmetrical) complete_row(block1, d.isect, d.icoup, d.iripple);
  d.coupler = coupling_levels(kind)[static_cast<size_t>(d.icoup - 1)];
  d.ripple = block1.ripple(d.isect, d.icoup, d.iripple);
  return found;
}

namespace {

/// Every synthesised section the same way: the normalised even-mode impedance
/// `zoe(i)`, the matching odd-mode one, a quarter wave at the band centre.
template <class Zoe>
void lay_out_sections(CouplerDesign& d, float z0, float er, Zoe zoe) {
  d.z0 = z0;
  // The most tightly coupled section: the centre one, or the first of an asymmetrical coupler.
  const int tightest = d.ifunc == 1 ? (d.n + 1) / 2 : 1;
  d.zoemax = d.z0 * zoe(tightest);
  d.er = er;
  d.total = 0;
  for (int i = 1; i <= d.n; ++i) {
    Section& s = d.sec(i);
    s.zoe = zoe(i);
    s.zoo = 1.0f / s.zoe;
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
  }
}

}  // namespace

void lay_out_table_design(CouplerDesign& d, const DesignTables& block1, float z0, float er) {
  lay_out_sections(d, z0, er, [&](int i) { return block1.zoe(d.isect, d.icoup, d.iripple, i); });
}

void lay_out_engine_design(CouplerDesign& d, const RippleDesign& r, float level_db, float z0, float er) {
  d.n = r.n;
  d.isect = d.icoup = d.iripple = 0;
  d.coupler = level_db;
  d.ripple = static_cast<float>(r.deviation_db);
  lay_out_sections(d, z0, er, [&](int i) { return r.zoe[static_cast<size_t>(i - 1)]; });
}

CouplingSwing band_swing(const CouplerDesign& d) {
  SectionImpedances zoe{};
  for (int i = 1; i <= d.n && i <= max_ripple_sections; ++i) zoe[static_cast<size_t>(i - 1)] = d.sec(i).zoe;
  const double flow = d.flow, fhigh = d.fhigh;
  return coupling_swing(zoe, d.n, d.coupler, (fhigh - flow) / (fhigh + flow));
}

bool ripples_more_than(double deviation_db, float asked_db) { return deviation_db > asked_db + 0.0005; }

std::string swing_line(const CouplerDesign& d, const CouplingSwing& swing, float asked) {
  Text t;
  t.sp(8).lit("- Coupling over the band:").f(static_cast<float>(swing.min_db), 8, 3).lit(" to")
      .f(static_cast<float>(swing.max_db), 8, 3).lit(" dB, within +/-")
      .f(static_cast<float>(swing.deviation_db), 6, 3).lit(" dB of").f(d.coupler, 6, 2).lit(" dB");
  // A fixed section count may not reach the ripple asked for: say so.
  if (asked > 0 && ripples_more_than(swing.deviation_db, asked)) t.lit(": more than the ").lit(decimals(asked, 2)).lit(" dB asked");
  return t.lit(".").nl();
}

std::string band_line(const CouplerDesign& d) {
  const float ratio = d.fhigh / d.flow;
  return Text().sp(8).lit("- Center Frequency =").f(d.f0, 10, 3).lit(" MHz; Bandwidth= Fhigh/Flow =")
      .f(ratio, 8, 5).lit(".").nl();
}

std::string sections_line(const CouplerDesign& d) {
  return Text().sp(8).lit("- Number of coupled sections needed: N =").i(d.n, 2).lit(" for your ")
      .f(d.coupler, 5, 2).lit(" dB coupler.").nl();
}

std::string too_wide_message(int n) {
  return Text().nl().sp(8).lit("ERROR: Number of coupled sections exceeds N = ").i(n, 1).lit(".")
      .nl().sp(8).lit("Reduce operating frequency range or increase passband")
      .nl().sp(8).lit("ripple to synthesize your next directional coupler.").nl();
}

}  // namespace quill

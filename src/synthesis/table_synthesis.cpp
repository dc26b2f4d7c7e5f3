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

void lay_out_table_design(CouplerDesign& d, const DesignTables& block1, float z0, float er) {
  d.z0 = z0;
  // The most tightly coupled section: the centre one, or the first of an asymmetrical coupler.
  const int tightest = d.ifunc == 1 ? (d.n + 1) / 2 : 1;
  d.zoemax = d.z0 * block1.zoe(d.isect, d.icoup, d.iripple, tightest);
  d.er = er;
  d.total = 0;
  for (int i = 1; i <= d.n; ++i) {
    Section& s = d.sec(i);
    s.zoe = block1.zoe(d.isect, d.icoup, d.iripple, i);
    s.zoo = 1.0f / s.zoe;
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
  }
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

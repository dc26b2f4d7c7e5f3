#pragma once
/// Electrical synthesis from the design tables: band, coupling-menu entry and
/// ripple-menu entry in; the smallest tabulated design that covers the band
/// out, laid out as quarter-wave sections at the band's arithmetic centre.
/// The dialogue and the command line both synthesise through here.

#include <array>
#include <string>

#include "common/design.hpp"
#include "synthesis/coupling_model.hpp"
#include "synthesis/design_tables.hpp"
#include "synthesis/equal_ripple.hpp"

namespace quill {

/// Coupling levels of the coupling menu, dB, entries 1..5.
inline constexpr std::array<float, 5> symmetrical_levels = {3.01f, 6.02f, 8.34f, 10.0f, 20.0f};
inline constexpr std::array<float, 5> asymmetrical_levels = {3.01f, 6.02f, 10.0f, 15.0f, 20.0f};

/// Ripples of the ripple menu, dB, entries 1..7; the asymmetrical menu also
/// takes entry 8, the table's 0.7 dB row.
inline constexpr std::array<float, 8> menu_ripples = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};

inline const std::array<float, 5>& coupling_levels(TableKind kind) {
  return kind == TableKind::symmetrical ? symmetrical_levels : asymmetrical_levels;
}

/// Sets the design's function (1 symmetrical, 2 asymmetrical), band and
/// centre frequency.
void set_band(CouplerDesign& d, TableKind kind, float flow, float fhigh);

/// Chooses the table row for coupling entry `icoup` (1..5) and ripple-menu
/// entry `m` over the design's band: fills `block1` with the design's table,
/// then sets `icoup`, `iripple`, `isect`, `n`, `coupler` and `ripple`. When no
/// tabulated section count covers the band the result says so (with the
/// table's limit) and the design's row fields are left as they were.
SectionSearch choose_table_row(CouplerDesign& d, DesignTables& block1, int icoup, int m);

/// Completes a design whose row has been chosen: Zo, Er, `zoemax` and every
/// section, each a matched quarter wave at the band centre.
void lay_out_table_design(CouplerDesign& d, const DesignTables& block1, float z0, float er);

/// Completes a design from the synthesis engine's: its sections (each a
/// matched quarter wave at the band centre), Zo, Er and `zoemax`; the coupling
/// level is `level_db` and the ripple the one the design reaches over the band.
/// Table row indices stay 0: the design comes from no row.
void lay_out_engine_design(CouplerDesign& d, const RippleDesign& r, float level_db, float z0, float er);

/// The design's coupling over its band as the engine's double-precision model
/// sees it: extremes and the largest departure from its coupling level.
CouplingSwing band_swing(const CouplerDesign& d);

/// True when a coupling swing of `deviation_db` over the band is more than
/// the `asked_db` a request allowed, as a report's three decimals show it.
bool ripples_more_than(double deviation_db, float asked_db);

/// "- Coupling over the band: ... to ... dB, within +/- ... dB of ... dB.",
/// adding that this is more than the ripple asked for when `asked` (> 0) is
/// exceeded.
std::string swing_line(const CouplerDesign& d, const CouplingSwing& swing, float asked = 0);

/// "- Center Frequency = ... MHz; Bandwidth= Fhigh/Flow = ....": the line
/// that answers a band.
std::string band_line(const CouplerDesign& d);

/// "- Number of coupled sections needed: N = .. for your ... dB coupler."
std::string sections_line(const CouplerDesign& d);

/// The three lines that say no tabulated section count covers the band, up
/// to the table's limit `n`; they begin with an empty line.
std::string too_wide_message(int n);

}  // namespace quill

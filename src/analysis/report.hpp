#pragma once
/// The design and analysis report, and the pieces of it that the dimension
/// report shares.

#include <string>
#include <vector>

#include "common/design.hpp"
#include "common/report_out.hpp"

namespace quill {

/// Empty line, rule of 72 hyphens and the title line with the cycle's date and time.
void print_title_block(ReportOut& out, const TimeStamp& t);

/// Section table: heading, one row per section, and the Er / total-length
/// line. For a design as built in a board, `board` names it: the last line
/// then gives the board's total length, not a dielectric constant the board
/// does not have.
void print_design_table(ReportOut& out, const CouplerDesign& d, const std::string& board = {});

/// Coupling of a section in dB from its impedances in ohms (a positive number).
float section_coupling(float zoe_ohms, float zoo_ohms);

/// The whole report: title block, introduction, band (synthesised designs),
/// design table, response heading, the sweep and the closing lines.
/// `notes`, when given, are printed under the introduction as lines of their
/// own: what the design was built in, say. The dialogue gives none. `board`
/// names the board of a design as built, for the design table.
void print_report(ReportOut& out, const CouplerDesign& d, const AnalysisSettings& s,
                  const TimeStamp& t, const std::vector<std::string>& notes = {}, const std::string& board = {});

}  // namespace quill

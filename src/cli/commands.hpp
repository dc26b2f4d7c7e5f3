#pragma once
/// The subcommands, each with the raw text of its options as the command line
/// gave them: a command checks and converts its own values, so every mistake
/// gets one message that names the option.

#include <optional>
#include <string>

#include "cli/cli_context.hpp"

namespace quill {

/// An option's text when it was given.
using Given = std::optional<std::string>;

struct SweepArgs {
  Given start, stop, step;
  Given velocity_ratio, loss;
};

struct ExportArgs {
  Given touchstone, csv, plot;
};

/// The coupler's copper as files: Gerber X2 into a folder, DXF, a KiCad
/// footprint, an SVG drawing; in millimetres, or inches.
struct ArtworkArgs {
  Given gerber, dxf, svg, kicad;
  bool inches = false;
  Given breakout_length, port_spacing;
  bool compensate = false;
  Given corrections;  ///< "ends,junctions,bends": which of compensation's corrections
  Given taper_length;
  bool any() const { return gerber || dxf || svg || kicad; }
};

/// A full-wave model of the laid-out coupler, and with `run` its openEMS
/// solution beside the circuit model.
struct FullwaveArgs {
  std::string file;
  Given stackup, out;
  bool run = false;
  std::string mesh = "normal";
  SweepArgs sweep;
  Given threads, side_walls, port_feed;
  bool all_ports = false;
  bool collect = false;  ///< read the probes of a run made by hand instead of running
  ArtworkArgs layout;  ///< the choices that shape the copper; no artwork is written
};

struct LayoutArgs {
  std::string file;
  Given stackup;
  ArtworkArgs artwork;
};

struct AnalyseArgs {
  std::string file;
  Given stackup;
  SweepArgs sweep;
  Given format;
  Given report;
  ExportArgs exports;
  bool quiet = false;
  /// With the board: the copper as laid out (breakouts and junctions) as
  /// well, shaped by `layout`'s choices; no artwork is written.
  bool discontinuities = false;
  ArtworkArgs layout;
};

struct DimensionsArgs {
  std::string file;
  Given stackup;
  Given b, s;
  std::string centre = "offset";
  Given velocity_ratio, loss;
  bool field_solve = false;
  Given csv;
};

struct SynthesizeArgs {
  bool symmetrical = false, asymmetrical = false;
  Given flow, fhigh, coupling, ripple;
  bool equal_ripple = false;
  bool tables = false;
  Given sections, flat_tolerance;
  Given zo, er, b, s;
  Given stackup;
  Given write_design;
  SweepArgs sweep;
  ExportArgs exports;
  ArtworkArgs artwork;
};

int run_analyse(const CliContext& ctx, const AnalyseArgs& a);
int run_dimensions_command(const CliContext& ctx, const DimensionsArgs& a);
int run_synthesize(const CliContext& ctx, const SynthesizeArgs& a);
int run_layout(const CliContext& ctx, const LayoutArgs& a);
int run_fullwave(const CliContext& ctx, const FullwaveArgs& a);

}  // namespace quill

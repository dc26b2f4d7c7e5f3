#pragma once
/// A synthesis request as the front ends state it (a band, a coupling level,
/// a ripple, a form, and the choices around them), checked and designed in
/// one place: from the tables for a level and ripple they hold, as functions
/// 1 and 2 do, otherwise by the equal-ripple engine. The command line and the
/// Python module both synthesise through here, so a request gets the same
/// design, and a request no design covers the same words, from either.

#include <optional>
#include <string>
#include <string_view>

#include "common/design.hpp"
#include "synthesis/design_tables.hpp"

namespace quill {

/// What is asked for. A front end names each value in messages as its user
/// states it (RequestNames): the command line by its option, "--coupling",
/// the Python module by its parameter, "coupling_db".
struct SynthesisRequest {
  TableKind kind = TableKind::symmetrical;
  float flow = 0, fhigh = 0;   ///< band, MHz
  float level = 0;             ///< coupling level C, dB
  float ripple = 0;            ///< ripple R, dB; 0 maximally flat
  std::optional<int> sections; ///< unset: the smallest count that fits; else the engine designs that count
  float flat_tolerance = 0.1f; ///< with R = 0: how far the coupling may stray from C over the band, dB
  bool equal_ripple = false;   ///< the engine even for a level and ripple the tables hold
  /// The tables' design as the dialogue makes it, even where it ripples more
  /// than asked or the band needs more sections than they hold.
  bool tables = false;
  float zo = 50;               ///< system impedance, ohms
  float er = 2.2f;             ///< relative dielectric constant
};

/// What a front end calls each value of a request, in its messages. Every
/// message is stated once, here in the engine; each front end states its
/// names once: the command line its flags, the module its parameters.
struct RequestNames {
  std::string_view flow, fhigh, coupling, ripple, sections, flat_tolerance, zo, er;
};

/// The first value of `r` out of range, each value called by its name in
/// `names` and written as its shortest text ("--coupling must be between 3
/// and 30 dB (got 2)"); nullopt for a sound request. Values must be finite:
/// whether a text is a number at all is the front end's to say.
std::optional<std::string> request_fault(const SynthesisRequest& r, const RequestNames& names);

/// True when the tables are tried first for `r`: a level and a ripple of the
/// menus, no section count given and the engine not asked for.
bool designed_from_tables(const SynthesisRequest& r);

struct SynthesisOutcome {
  enum Status {
    designed,     ///< `design` is complete
    no_design,    ///< the request is sound but no design covers the band
    bad_request,  ///< a value is out of range
  } status = bad_request;
  CouplerDesign design;
  bool from_tables = false;  ///< the tables designed it (else the engine)
  /// Set when the tables were tried first and the engine designed instead:
  /// one line saying so and why ("Designed by the equal-ripple engine: the tables' 5-section design ripples
  /// +/- 0.140 dB over the band, more than the 0.10 dB asked").
  std::string engine_instead;
  /// no_design, bad_request: one line, the command line's words.
  std::string message;
  /// no_design: the largest section count tried (the table's limit, or the engine's).
  int largest_sections = 0;
  /// no_design by the engine: the ripple that count reaches over the band,
  /// dB. The tables do not say how far off a band is.
  std::optional<double> best_ripple_db;
};

/// Checks `r` (a fault named with `names`) and designs it: the design laid
/// out as matched quarter-wave sections at the band centre, with Zo and Er,
/// or why there is none. A level and ripple the tables hold are designed
/// from them; where their design ripples more than asked (with ripple 0:
/// strays beyond the flat tolerance) or the band needs more sections than
/// they hold, the engine designs instead, unless `r.tables` keeps the tables'
/// answer. The design is exactly what its design-data file reads back as.
SynthesisOutcome synthesize_request(const SynthesisRequest& r, const RequestNames& names);

/// What a synthesised design is called in files and exports:
/// "Symmetrical 8.34 dB +/- 0.30 dB coupler, 4000 to 8000 MHz".
std::string synthesis_name(const CouplerDesign& d);

/// The title line of its design-data file ("Quillomate design: " and the name;
/// the reader skips it).
std::string synthesis_title(const CouplerDesign& d);

}  // namespace quill

#include "synthesis/synthesis_request.hpp"

#include <array>
#include <memory>

#include "common/fixed.hpp"
#include "common/matched_section.hpp"
#include "common/number.hpp"
#include "common/value_range.hpp"
#include "synthesis/equal_ripple.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {

namespace {

// The ranges; each front end gives the names.
constexpr ValueRange kFlow{{}, "MHz", 0, true};
constexpr ValueRange kFhigh{{}, "MHz", 0, true};
constexpr ValueRange kCoupling{{}, "dB", 3, false, 30};
constexpr ValueRange kRipple{{}, "dB", 0, false, 1.5};
constexpr ValueRange kSections{{}, "", 1, false, 15};
constexpr ValueRange kFlatTolerance{{}, "dB", 0.001, false, 1.5};
constexpr ValueRange kZo{{}, "ohms", 0, true};
constexpr ValueRange kEr{{}, "", 1, false, 100};  // as a board's layers: a larger Er is a slip

/// The message when `value`, called `name`, is outside `range`.
std::optional<std::string> named_fault(ValueRange range, std::string_view name, float value) {
  range.flag = name;
  return range_fault(range, value);
}

/// The menu entry (1-based) holding `value`, or 0.
template <size_t N>
int entry_of(const std::array<float, N>& menu, float value, int last) {
  for (int k = 0; k < last; ++k)
    if (menu[static_cast<size_t>(k)] == value) return k + 1;
  return 0;
}

int coupling_entry(const SynthesisRequest& r) { return entry_of(coupling_levels(r.kind), r.level, 5); }

int ripple_entry(const SynthesisRequest& r) {
  return entry_of(menu_ripples, r.ripple, r.kind == TableKind::symmetrical ? 7 : 8);
}

/// One line from the dialogue's message, which spreads it over three.
std::string one_line(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') c = ' ';
    if (c != ' ' || (!line.empty() && line.back() != ' ')) line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

/// The tables' design of `r` in `o`: designed, or no_design when the band
/// needs more sections than they hold.
void from_tables(const SynthesisRequest& r, SynthesisOutcome& o) {
  o.from_tables = true;
  // The tables are large: on the heap, filled afresh for every synthesis.
  auto block1 = std::make_unique<DesignTables>();
  const SectionSearch found = choose_table_row(o.design, *block1, coupling_entry(r), ripple_entry(r));
  if (!found.found) {
    o.status = SynthesisOutcome::no_design;
    o.largest_sections = found.n;
    o.message = one_line(too_wide_message(found.n));
    return;
  }
  lay_out_table_design(o.design, *block1, r.zo, r.er);
  o.status = SynthesisOutcome::designed;
}

void from_engine(const SynthesisRequest& r, SynthesisOutcome& o) {
  RippleRequest request;
  request.form = r.kind == TableKind::symmetrical ? CouplerForm::symmetrical : CouplerForm::asymmetrical;
  request.level_db = r.level;
  request.ripple_db = r.ripple;
  request.flow_mhz = r.flow;
  request.fhigh_mhz = r.fhigh;
  request.sections = r.sections.value_or(0);
  request.flat_tolerance_db = r.flat_tolerance;
  const RippleResult result = synthesize_equal_ripple(request);
  switch (result.status) {
    case RippleResult::designed:
      lay_out_engine_design(o.design, result.design, r.level, r.zo, r.er);
      o.status = SynthesisOutcome::designed;
      return;
    case RippleResult::bad_request:
      o.status = SynthesisOutcome::bad_request;
      o.message = result.reason;
      return;
    case RippleResult::no_fit:
      break;
  }
  const bool flat = r.ripple == 0;
  o.status = SynthesisOutcome::no_design;
  o.largest_sections = result.design.n;
  if (result.design.n == 0) {
    // So wide a band that no section count's impedances can be had at all.
    o.message = "no " + std::string(r.kind == TableKind::symmetrical ? "symmetrical" : "asymmetrical") +
                " design covers " + plain_number(r.flow) + " to " + plain_number(r.fhigh) + " MHz: a band of " +
                plain_number(r.fhigh / r.flow) + ":1 is beyond what any number of quarter-wave sections couples over";
    return;
  }
  o.best_ripple_db = result.best_deviation_db;
  o.message = "no " + std::string(r.kind == TableKind::symmetrical ? "symmetrical" : "asymmetrical") +
              " design of up to " + std::to_string(result.design.n) + " sections keeps " +
              plain_number(r.level) + " dB within +/- " + plain_number(flat ? r.flat_tolerance : r.ripple) +
              " dB from " + plain_number(r.flow) + " to " + plain_number(r.fhigh) + " MHz" +
              (flat ? " maximally flat" : "") + ": " + std::to_string(result.design.n) + " sections reach +/- " +
              decimals(static_cast<float>(result.best_deviation_db), 3) + " dB over that band";
}

}  // namespace

std::optional<std::string> request_fault(const SynthesisRequest& r, const RequestNames& names) {
  // The command line's order: band, level, ripple, sections, tolerance, Zo, Er.
  const std::string flow(names.flow), fhigh(names.fhigh);
  if (auto m = named_fault(kFlow, flow, r.flow)) return m;
  if (auto m = named_fault(kFhigh, fhigh, r.fhigh)) return m;
  if (!(r.fhigh > r.flow))
    return fhigh + " (" + plain_number(r.fhigh) + " MHz) must be above " + flow + " (" + plain_number(r.flow) +
           " MHz)";
  if (auto m = named_fault(kCoupling, names.coupling, r.level)) return m;
  if (auto m = named_fault(kRipple, names.ripple, r.ripple)) return m;
  if (r.ripple > 0 && r.ripple < 0.01f)
    return std::string(names.ripple) + " must be 0 (maximally flat) or between 0.01 and 1.5 dB (got " +
           plain_number(r.ripple) + ")";
  if (r.sections) {
    const int n = *r.sections;
    if (auto m = named_fault(kSections, names.sections, static_cast<float>(n))) return m;
    const bool symmetrical = r.kind == TableKind::symmetrical;
    const bool fits = symmetrical ? n % 2 == 1 : n >= 2 && n <= max_asymmetrical_sections;
    if (!fits)
      return std::string(names.sections) + " must be " +
             std::string(symmetrical ? "odd, from 1 to 15," : "from 2 to 12") + " for " +
             (symmetrical ? "a symmetrical" : "an asymmetrical") + " coupler (got " + std::to_string(n) + ")";
  }
  if (auto m = named_fault(kFlatTolerance, names.flat_tolerance, r.flat_tolerance)) return m;
  if (auto m = named_fault(kZo, names.zo, r.zo)) return m;
  if (auto m = named_fault(kEr, names.er, r.er)) return m;
  return std::nullopt;
}

bool designed_from_tables(const SynthesisRequest& r) {
  if (r.equal_ripple || r.sections) return false;
  return coupling_entry(r) != 0 && ripple_entry(r) != 0;
}

namespace {

/// Why the engine designs a request the tables were tried for, or empty when
/// the tables' answer stands.
std::string engine_instead(const SynthesisRequest& r, const SynthesisOutcome& tables) {
  if (tables.status == SynthesisOutcome::no_design)
    return "the band needs more than the tables' " + std::to_string(tables.largest_sections) + " sections";
  const double deviation = band_swing(tables.design).deviation_db;
  const bool flat = r.ripple == 0;
  const float asked = flat ? r.flat_tolerance : r.ripple;
  if (!ripples_more_than(deviation, asked)) return {};
  return "the tables' " + std::to_string(tables.design.n) + "-section design " +
         (flat ? "strays" : "ripples") + " +/- " + decimals(static_cast<float>(deviation), 3) +
         " dB over the band, more than the " + decimals(asked, flat ? 3 : 2) + " dB " +
         (flat ? "flat tolerance" : "asked");
}

}  // namespace

SynthesisOutcome synthesize_request(const SynthesisRequest& r, const RequestNames& names) {
  SynthesisOutcome o;
  if (auto fault = request_fault(r, names)) {
    o.message = *fault;
    return o;
  }
  set_band(o.design, r.kind, r.flow, r.fhigh);
  const bool tables = designed_from_tables(r);
  std::string why;
  if (tables) {
    from_tables(r, o);
    if (!r.tables) why = engine_instead(r, o);
  }
  if (!tables || !why.empty()) {
    o = SynthesisOutcome{};
    set_band(o.design, r.kind, r.flow, r.fhigh);
    from_engine(r, o);
    if (!why.empty()) o.engine_instead = "Designed by the equal-ripple engine: " + why;
  }
  if (o.status == SynthesisOutcome::designed) hold_as_in_file(o.design);
  return o;
}

std::string synthesis_name(const CouplerDesign& d) {
  return std::string(d.ifunc == 1 ? "Symmetrical " : "Asymmetrical ") + decimals(d.coupler, 2) + " dB +/- " +
         decimals(d.ripple, 2) + " dB coupler, " + plain_number(d.flow) + " to " + plain_number(d.fhigh) + " MHz";
}

std::string synthesis_title(const CouplerDesign& d) { return "Quillomate design: " + synthesis_name(d); }

}  // namespace quill

#include "python/script_design.hpp"

#include <cmath>
#include <numbers>
#include <sstream>

#include "common/constants.hpp"
#include "common/number.hpp"
#include "common/value_range.hpp"
#include "synthesis/band_sweep.hpp"
#include "synthesis/synthesis_request.hpp"

namespace quill::py_front {

namespace {

/// Decibels per neper as the dialogue's loss menu converts them.
constexpr float kDbPerNeper = 8.686f;

/// The first value outside its range (or not a number); `what` names the
/// section it belongs to, if any.
std::optional<std::string> fault_of(const std::string& what, const ValueRange& r, double value) {
  if (auto m = range_fault(r, static_cast<float>(value))) return what + *m;
  return std::nullopt;
}

/// Electrical length at f0 MHz of a line `length` inches long whose waves
/// travel at `velocity` times the program's speed of light.
float electrical_length(double length, double velocity, double f0) {
  return static_cast<float>(2.0 * std::numbers::pi * length * f0 / (velocity * speed));
}

/// The velocity, as a fraction of the speed of light, that gives electrical
/// length `theta` at f0 MHz to a line `length` inches long.
double velocity_of(double length, double theta, double f0) {
  return 2.0 * std::numbers::pi * length * f0 / (theta * speed);
}

/// Why the file's reading of `back` is not `d`, or empty when it is.
std::string difference(const CouplerDesign& d, const CouplerDesign& back) {
  if (back.n != d.n || back.z0 != d.z0 || back.er != d.er || back.f0 != d.f0)
    return "its section count, Zo, Er or centre frequency would not read back";
  for (int i = 1; i <= d.n; ++i) {
    const Section& s = d.sec(i);
    const Section& b = back.sec(i);
    const std::string section = "section " + std::to_string(i);
    if (s.sigmae != 0 || s.sigmao != 0 || s.sigmade != 0 || s.sigmado != 0)
      return section + " has losses, and the file holds lossless sections";
    if (b.zoe != s.zoe) return section + "'s Zoe would not read back";
    if (!(std::fabs(b.zoo - s.zoo) <= 1e-6f * s.zoo))
      return section + "'s Zoo is not matched to Zo, and the file matches every section";
    if (b.length != s.length || b.thetae != s.thetae || b.thetao != s.thetao)
      return section + " is not the quarter wave at the design's centre frequency in Er that the file gives "
                       "every section (equal mode velocities)";
  }
  return {};
}

}  // namespace

std::optional<std::string> record_fault(const SectionRecord& r) {
  constexpr ValueRange kImpedance{{}, "ohms", 0, true};
  constexpr ValueRange kLength{"length_in", "inches", 0, true};
  constexpr ValueRange kLoss{{}, "dB per inch", 0, false};
  auto named = [](ValueRange range, std::string_view name) {
    range.flag = name;
    return range;
  };
  const std::pair<ValueRange, double> checks[] = {
      {named(kImpedance, "zoe_ohm"), r.zoe},
      {named(kImpedance, "zoo_ohm"), r.zoo},
      {kLength, r.length_in},
  };
  for (const auto& [range, value] : checks)
    if (auto m = fault_of("", range, value)) return m;
  if (r.velocity_even)
    if (auto m = velocity_fault("velocity_even", *r.velocity_even)) return m;
  if (r.velocity_odd)
    if (auto m = velocity_fault("velocity_odd", *r.velocity_odd)) return m;
  const std::pair<ValueRange, double> losses[] = {
      {named(kLoss, "loss_even_db_per_in"), r.loss_even_db_per_in},
      {named(kLoss, "loss_odd_db_per_in"), r.loss_odd_db_per_in},
      {named(kLoss, "dielectric_loss_even_db_per_in"), r.dielectric_loss_even_db_per_in},
      {named(kLoss, "dielectric_loss_odd_db_per_in"), r.dielectric_loss_odd_db_per_in},
  };
  for (const auto& [range, value] : losses)
    if (auto m = fault_of("", range, value)) return m;
  return std::nullopt;
}

std::optional<std::string> velocity_fault(std::string_view name, double v) {
  if (auto m = fault_of("", ValueRange{name, "", 0, true}, v)) return m;
  // A design's own records come back through their electrical lengths in
  // double precision: a TEM wave in vacuum may read a few parts in 1e8 fast.
  if (v <= 1 + 1e-6) return std::nullopt;
  return std::string(name) + " must be above 0 and at most 1, as a fraction of the speed of light in vacuum (got " +
         plain_number(static_cast<float>(v)) + ")";
}

BuiltDesign design_from_sections(const std::vector<SectionRecord>& records, double centre_mhz, double zo,
                                 double er) {
  BuiltDesign built;
  ScriptDesign& sd = built.design;
  sd.origin = Origin::sections;
  const int n = static_cast<int>(records.size());
  if (n < 1 || n > max_sections) {
    built.fault = "sections: a design has 1 to " + std::to_string(max_sections) + " sections (got " +
                  std::to_string(n) + ")";
    return built;
  }
  constexpr ValueRange kZo{"zo_ohm", "ohms", 0, true};
  constexpr ValueRange kEr{"er", "", 1, false, 100};  // as synthesize() and a board's layers
  constexpr ValueRange kCentre{"centre_mhz", "MHz", 0, true};
  const std::pair<ValueRange, double> design_checks[] = {{kZo, zo}, {kEr, er}, {kCentre, centre_mhz}};
  for (const auto& [range, value] : design_checks) {
    if (auto m = fault_of("", range, value)) {
      built.fault = *m;
      return built;
    }
  }
  for (int i = 0; i < n; ++i) {
    if (auto m = record_fault(records[static_cast<size_t>(i)])) {
      built.fault = "sections[" + std::to_string(i) + "] (section " + std::to_string(i + 1) + "): " + *m;
      return built;
    }
  }

  sd.name = "a design of " + std::to_string(n) + (n == 1 ? " section" : " sections") + " built by a script";
  CouplerDesign& d = sd.design;
  d.ifunc = 3;  // a design typed in section by section
  d.n = n;
  d.z0 = static_cast<float>(zo);
  d.er = static_cast<float>(er);
  d.f0 = static_cast<float>(centre_mhz);
  for (int i = 1; i <= n; ++i) {
    const SectionRecord& r = records[static_cast<size_t>(i - 1)];
    Section& s = d.sec(i);
    const float zoe = static_cast<float>(r.zoe);
    s.zoe = zoe / d.z0;
    s.zoo = static_cast<float>(r.zoo) / d.z0;
    if (zoe > d.zoemax) d.zoemax = zoe;
    s.length = static_cast<float>(r.length_in);
    const double tem = 1.0 / std::sqrt(static_cast<double>(d.er));
    const double ve = r.velocity_even.value_or(tem), vo = r.velocity_odd.value_or(tem);
    s.thetae = electrical_length(s.length, ve, d.f0);
    s.thetao = electrical_length(s.length, vo, d.f0);
    s.veloe = static_cast<float>(ve);
    s.veloo = static_cast<float>(vo);
    // Attenuation over the section at f0, as the loss menu forms it.
    const float nepers = s.length / kDbPerNeper;
    s.sigmae = static_cast<float>(r.loss_even_db_per_in) * nepers;
    s.sigmao = static_cast<float>(r.loss_odd_db_per_in) * nepers;
    s.sigmade = static_cast<float>(r.dielectric_loss_even_db_per_in) * nepers;
    s.sigmado = static_cast<float>(r.dielectric_loss_odd_db_per_in) * nepers;
    s.oeloss = static_cast<float>(r.loss_even_db_per_in + r.dielectric_loss_even_db_per_in);
    s.ooloss = static_cast<float>(r.loss_odd_db_per_in + r.dielectric_loss_odd_db_per_in);
    d.total = d.total + s.length;
  }
  return built;
}

std::vector<SectionRecord> section_records(const CouplerDesign& d) {
  std::vector<SectionRecord> records;
  for (int i = 1; i <= d.n; ++i) {
    const Section& s = d.sec(i);
    SectionRecord r;
    // Ohms as the report shows them.
    r.zoe = s.zoe * d.z0;
    r.zoo = s.zoo * d.z0;
    r.length_in = s.length;
    r.velocity_even = velocity_of(s.length, s.thetae, d.f0);
    r.velocity_odd = velocity_of(s.length, s.thetao, d.f0);
    const double per_inch = kDbPerNeper / static_cast<double>(s.length);
    r.loss_even_db_per_in = s.sigmae * per_inch;
    r.loss_odd_db_per_in = s.sigmao * per_inch;
    r.dielectric_loss_even_db_per_in = s.sigmade * per_inch;
    r.dielectric_loss_odd_db_per_in = s.sigmado * per_inch;
    records.push_back(r);
  }
  return records;
}

ScriptDesign synthesised_design(const CouplerDesign& d, bool from_tables, float b, float s) {
  ScriptDesign sd;
  sd.origin = Origin::synthesised;
  sd.design = d;
  sd.from_tables = from_tables;
  const AnalysisSettings around = sweep_around(d.flow, d.fhigh);
  sd.fstart = around.fstart;
  sd.fstop = around.fstop;
  sd.deltaf = around.deltaf;
  sd.b = b;
  sd.s = s;
  sd.title = synthesis_title(d);
  sd.name = synthesis_name(d);
  return sd;
}

ScriptDesign file_design(const FileDesign& values, std::string title, std::string named) {
  ScriptDesign sd;
  sd.origin = Origin::file;
  sd.design = values.design;
  sd.fstart = values.fstart;
  sd.fstop = values.fstop;
  sd.deltaf = values.deltaf;
  sd.b = values.gpsuser;
  sd.s = values.suser;
  sd.title = std::move(title);
  sd.name = std::move(named);
  return sd;
}

DesignText design_file_text(const ScriptDesign& sd) {
  DesignText out;
  if (sd.deltaf <= 0 || sd.b <= 0) {
    out.fault = "a design built from its sections has no sweep or strip spacings for a design-data file";
    return out;
  }
  const std::string text =
      design_data_text(FileDesign{sd.design, sd.fstart, sd.fstop, sd.deltaf, sd.b, sd.s}, sd.title);
  // What the file holds is what reading it gives: a design it would change is refused.
  std::istringstream in(text);
  const DesignDataRead back = read_design_data(in);
  std::string why = back.fault == EntryFile::none ? difference(sd.design, back.values.design)
                                                  : "its entry \"" + back.entry + "\" would not read back";
  if (!why.empty()) {
    out.fault = "a design-data file cannot hold this design: " + why;
    return out;
  }
  out.text = text;
  return out;
}

}  // namespace quill::py_front

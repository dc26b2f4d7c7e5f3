#pragma once
/// A design as a script holds it: the engine's design and what goes with it
/// when it is written to a design-data file, and the section records a
/// script reads and builds designs from. Plain C++: the bindings turn these
/// into Python objects and the failures into exceptions.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/design.hpp"
#include "files/design_data_file.hpp"

namespace quill::py_front {

/// Where a design came from, which decides what its design-data file holds.
enum class Origin {
  synthesised,  ///< synthesize(): the sweep around its band, the request's B and S
  file,         ///< read_design(): the file's own sweep, B, S and title
  sections,     ///< built from section records: no sweep or spacings of its own
  analysed,     ///< a design as an analysis saw it: velocity ratio, loss or board applied
};

struct ScriptDesign {
  Origin origin = Origin::sections;
  CouplerDesign design;
  bool from_tables = false;  ///< synthesised from the design tables (else the engine)
  std::string engine_instead;  ///< why the engine designed a request the tables were tried for
  float fstart = 0, fstop = 0, deltaf = 0;  ///< the sweep its file holds, MHz
  float b = 0, s = 0;        ///< ground-plane and strip spacing its file holds, inches
  std::string title;         ///< the title line of its file
  std::string board;         ///< analysed in a board: the stack-up's name
  /// What artwork files and full-wave models say they draw: the design-data
  /// file as the script named it, or the synthesis request.
  std::string name;
};

/// One coupled section in physical terms, at the design's centre frequency.
/// Velocities are fractions of the speed of light (3e8 m/s, the program's
/// constant); conductor loss grows as the square root of frequency,
/// dielectric loss as frequency itself.
struct SectionRecord {
  double zoe = 0, zoo = 0;  ///< ohms
  double length_in = 0;
  std::optional<double> velocity_even, velocity_odd;  ///< unset: a TEM wave's in the design's Er
  double loss_even_db_per_in = 0, loss_odd_db_per_in = 0;
  double dielectric_loss_even_db_per_in = 0, dielectric_loss_odd_db_per_in = 0;
};

/// The first value of a section record out of its physical range, named as
/// the Section's parameter, with the value and the range: impedances and
/// the length above 0, velocities above 0 and no faster than light in
/// vacuum, losses not negative. nullopt for a sound record.
std::optional<std::string> record_fault(const SectionRecord& r);

/// A phase velocity as a fraction of c called `name`: above 0, at most 1.
std::optional<std::string> velocity_fault(std::string_view name, double v);

/// A design built from section records: a typed-in design (function 3) with
/// these sections. Empty message on success; otherwise what is wrong.
struct BuiltDesign {
  ScriptDesign design;
  std::string fault;
};
BuiltDesign design_from_sections(const std::vector<SectionRecord>& records, double centre_mhz, double zo,
                                 double er);

/// The records of every section of `d`, velocities and losses as they are at
/// its centre frequency.
std::vector<SectionRecord> section_records(const CouplerDesign& d);

/// A synthesised design with the sweep around its band and the spacings `b`, `s`.
ScriptDesign synthesised_design(const CouplerDesign& d, bool from_tables, float b, float s);

/// A design read from a file, with the file's title line; `named` is the
/// file as the script named it.
ScriptDesign file_design(const FileDesign& values, std::string title, std::string named);

/// The text of its design-data file, or why the file cannot hold it (a design
/// built from its sections has no sweep or spacings; a design whose sections
/// the file would not give back, such as sections laid out for different
/// centre frequencies or a design as analysed with other velocities, losses
/// or a board). Empty `fault` on success.
struct DesignText {
  std::string text;
  std::string fault;
};
DesignText design_file_text(const ScriptDesign& sd);

}  // namespace quill::py_front

#pragma once
/// A full-wave study of a laid-out coupler, as `quillomate fullwave` makes it
/// and a script's Layout.fullwave() does: the openEMS models of its copper in
/// a folder of their own (portK/model.xml for each port driven, and a
/// README.txt), run, and read back from the probes into the scattering
/// matrix, beside the circuit model of the same copper. Lengths in metres,
/// frequencies in MHz.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/stack_strips.hpp"
#include "fullwave/fullwave_grid.hpp"
#include "fullwave/fullwave_report.hpp"
#include "fullwave/openems_model.hpp"
#include "fullwave/port_symmetry.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

/// A file of the study and its whole text.
using StudyFile = std::pair<std::filesystem::path, std::string>;

/// The model file in each port's folder, and the results beside the folders.
inline constexpr const char* model_file_name = "model.xml";
inline constexpr std::array<const char*, 3> result_file_names = {"fullwave.s4p", "compare.csv", "compare.svg"};

/// The whole text of a file of the study (a model, a probe); nullopt when it
/// cannot be read.
std::optional<std::string> read_study_file(const std::filesystem::path& path);

/// "coarse", "normal" or "fine"; nullopt for any other name.
std::optional<MeshDensity> mesh_density(std::string_view name);

struct FullwaveStudy {
  std::vector<double> f_mhz;  ///< the frequencies the matrix is read at
  FullwaveRun run;
  FullwaveGrid grid;
  LayoutSymmetry symmetry;
  std::vector<int> driven;     ///< the ports driven, one run each
  long cells() const;
};

/// The study of `layout` (of design `d`) in `stack` at `f_mhz` (ascending):
/// the mesh of `density` with the side walls `side_walls` ground-plane
/// spacings from the copper, each feed running on `port_feed` spacings
/// beyond its port plane, and the fewest ports driven that the layout's
/// symmetries allow (every port with `every_port`).
FullwaveStudy plan_study(const CouplerDesign& d, const CouplerLayout& layout, const Stackup& stack,
                         MeshDensity density, double side_walls, double port_feed, std::vector<double> f_mhz,
                         bool every_port);

/// The folder of port `port`'s model in the study's folder `dir`.
std::filesystem::path port_folder(const std::filesystem::path& dir, int port);

/// The model folder's files: each driven port's model, and README.txt, which
/// says how to run them by hand and turn the run into S-parameters; `design`
/// names the design, `mesh` the density, and `collect` is the front end's
/// own way of reading a hand run back (lines of text, indented).
std::vector<StudyFile> model_files(const FullwaveStudy& study, const CouplerLayout& layout, const Stackup& stack,
                                   const std::filesystem::path& dir, const std::string& design,
                                   const std::string& mesh, const std::string& collect);

/// Makes `dir` and the driven ports' folders and removes the results of an
/// earlier model, which would pass for this one's. Empty, or why not.
std::string prepare_study_folder(const FullwaveStudy& study, const std::filesystem::path& dir);

/// Removes the probe files an earlier run left in a port's folder, so that a
/// run that fails leaves none to be read as its own.
void remove_probes(const std::filesystem::path& folder);

/// Reads what openEMS measured with port `excited` driven (the probe files
/// in its folder) into the waves at the port planes, one set a frequency;
/// scattering_matrices() turns the driven runs' waves into S. Empty on
/// success, else the sentence "openEMS left no readable <probe> in <folder>".
std::string read_driven_waves(const FullwaveStudy& study, const std::filesystem::path& dir, int excited,
                              std::vector<PortWaves>& waves);

/// The full-wave scattering matrix at every frequency, from the probes of
/// every driven port's run; empty on success, else read_driven_waves' sentence.
std::string read_study_matrices(const FullwaveStudy& study, const std::filesystem::path& dir,
                                std::vector<SMatrix>& s);

/// The full-wave matrix beside the circuit model of the same copper: the
/// design as built, and the copper of `layout` as lines in `stack`, both
/// without the strips' conductor loss, as the model's perfect conductors
/// leave it out. The summary is taken over the band of a synthesised
/// design, else over the frequencies.
Comparison compare_with_circuit(const CouplerDesign& d, const StackDesign& built, const CouplerLayout& layout,
                                const Stackup& stack, const FullwaveStudy& study, std::vector<SMatrix> fullwave);

/// The results' files in `dir`: the full-wave Touchstone file, the CSV and
/// the plot of both models; `name` is "design in board", `mesh` the density.
std::vector<StudyFile> result_files(const Comparison& c, const FullwaveStudy& study, const std::filesystem::path& dir,
                                    const std::string& name, const std::string& mesh);

}  // namespace quill

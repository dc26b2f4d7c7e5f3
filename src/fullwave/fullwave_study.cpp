#include "fullwave/fullwave_study.hpp"

#include <fstream>
#include <sstream>

#include "fullwave/port_waves.hpp"
#include "layout/copper_lines.hpp"

namespace quill {

namespace fs = std::filesystem;

namespace {

/// How to run the models by hand, for the folder's README.txt.
std::string readme(const std::vector<int>& driven, const LayoutSymmetry& symmetry, const std::string& design,
                   const std::string& board, const std::string& mesh,
                   const std::string& collect) {
  std::string t = "Full-wave models of " + design + " in the board " + board + " (" + mesh + " mesh),\n";
  t += "written by quillomate fullwave for openEMS (Debian package openems).\n\n";
  t += "Each folder portK holds the model with port K driven and the other ports matched;\n";
  t += "openEMS writes its probes beside it. To run one by hand:\n\n";
  for (int k : driven) t += "    cd port" + std::to_string(k) + " && openEMS " + model_file_name + " && cd ..\n";
  t += "\nor run them all and compare with the circuit model: quillomate fullwave ... --run.\n\n";
  t += "Ports as in the report and the Touchstone file: 1 input (upper strip, left), 2 coupled\n";
  t += "(lower strip, left), 3 isolated (lower strip, right), 4 through (upper strip, right).\n";
  t += "Lengths in metres. The ground planes are the top and bottom walls; the other walls\n";
  t += "absorb (PML): the side walls stand the chosen number of ground-plane spacings from\n";
  t += "the copper across, the end walls one beyond each feed's far end. Each feed runs on\n";
  t += "beyond its port plane (where the layout's copper ends) to a lumped port of Zo split\n";
  t += "between the two planes, and is measured half way along that run.\n";
  if (symmetry.along) t += "The design is mirror-symmetric: ports 4 and 3 are the images of 1 and 2.\n";
  if (symmetry.across) t += "The board is mirror-stacked: ports 2 and 3 are the images of 1 and 4.\n";
  t += "\nFrom a run by hand to S-parameters. Once openEMS has run in every folder above, this\n";
  t += "reads the probe files and writes fullwave.s4p, compare.csv and compare.svg here, as\n";
  t += "--run does (it refuses models that its options would not write):\n\n";
  t += collect + "\n";
  t += "What it does, to do it elsewhere: openEMS leaves in each folder, for every port J,\n";
  t += "the voltage probes " + voltage_probe(0, 0, false).substr(0, 6) + "J_1_lower, _2_lower and _3_lower (time in s\n";
  t += "and volts, the strip's potential over the lower plane at three planes one step d\n";
  t += "apart, the first nearest the coupler), the same over the upper plane (_upper), and\n";
  t += "the current probes " + current_probe(0, 0).substr(0, 6) + "J_1 and _2 (time and amperes along the strip, away\n";
  t += "from the coupler, at the planes half way between). At each frequency f take each\n";
  t += "probe's spectrum X(f) = sum over its samples of x(t) exp(-j 2 pi f t) dt.\n";
  t += "A plane's voltage Vk is (1 - h) Vk_lower + h Vk_upper, h\n";
  t += "the strip's share of the layers' thickness over Er from the lower plane (the probe\n";
  t += "boxes give the heights): it leaves out a wave between the two planes, which\n";
  t += "the model does not join. On each layer's loudest feed (largest |V2|) the line's\n";
  t += "g = gamma d is acosh((V1 + V3) / (2 V2)), the root whose phase advances outward.\n";
  t += "On every feed the wave going out is (V1 exp(g) - V3 exp(-g)) / (2 sinh 2g) and the\n";
  t += "wave coming in (V3 exp(g) - V1 exp(-g)) / (2 sinh 2g), at the middle plane; the\n";
  t += "layer's impedance is Z = 2 cosh(g / 2) (out - in) / (I1 + I2) on the loudest feed.\n";
  t += "At the port plane, m steps back (m = the distance from it to the middle plane over\n";
  t += "d; the model's probe boxes give both), b = out exp(m g) / sqrt(Z) leaves the\n";
  t += "coupler and a = in exp(-m g) / sqrt(Z) enters it. Each driven run gives the waves\n";
  t += "a and b at all four ports; the symmetries above give, for each port not driven,\n";
  t += "the run that drives it as an image (a port s(i) sees what port i saw). With A the\n";
  t += "four runs' a as columns and B their b, S = B A^-1: the terminations need not be\n";
  t += "perfect, as what they send back is in A.\n";
  return t;
}


}  // namespace

std::optional<std::string> read_study_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::optional<MeshDensity> mesh_density(std::string_view name) {
  if (name == "coarse") return MeshDensity::coarse;
  if (name == "normal") return MeshDensity::normal;
  if (name == "fine") return MeshDensity::fine;
  return std::nullopt;
}

long FullwaveStudy::cells() const {
  return static_cast<long>((grid.x.size() - 1) * (grid.y.size() - 1) * (grid.z.size() - 1));
}

FullwaveStudy plan_study(const CouplerDesign& d, const CouplerLayout& layout, const Stackup& stack,
                         MeshDensity density, double side_walls, double port_feed, std::vector<double> f_mhz,
                         bool every_port) {
  FullwaveStudy s;
  s.f_mhz = std::move(f_mhz);
  // The model: the layout's own copper on the mesh of the chosen density.
  MeshRules rules = mesh_rules(density, layout, stack);
  rules.side_walls = side_walls;
  rules.port_feed = port_feed;
  s.run.fstart_hz = s.f_mhz.front() * 1e6;
  s.run.fstop_hz = s.f_mhz.back() * 1e6;
  s.run.centre_hz = d.f0 * 1e6;
  s.run.zo = d.z0;
  s.grid = fullwave_grid(layout, stack, rules, s.run.fstop_hz);
  s.symmetry = layout_symmetry(layout, stack);
  s.driven = driven_ports(s.symmetry, every_port);
  return s;
}

fs::path port_folder(const fs::path& dir, int port) { return dir / ("port" + std::to_string(port)); }

std::vector<StudyFile> model_files(const FullwaveStudy& study, const CouplerLayout& layout, const Stackup& stack,
                                   const fs::path& dir, const std::string& design, const std::string& mesh,
                                   const std::string& collect) {
  std::vector<StudyFile> files;
  for (int k : study.driven)
    files.push_back({port_folder(dir, k) / model_file_name, openems_model(layout, stack, study.grid, study.run, k)});
  files.push_back({dir / "README.txt", readme(study.driven, study.symmetry, design, stack.name, mesh, collect)});
  return files;
}

std::string prepare_study_folder(const FullwaveStudy& study, const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  // Results of an earlier model would pass for this one's: they go first,
  // so that a run stopped part way leaves the model and no result.
  for (const char* result : result_file_names) fs::remove(dir / result, ec);
  for (int k : study.driven) {
    const fs::path folder = port_folder(dir, k);
    fs::create_directories(folder, ec);
    if (ec) return "cannot create " + folder.string() + ": " + ec.message();
  }
  return {};
}

namespace {

/// Every probe file of port `j`'s feed: the voltages over the lower plane,
/// over the upper, and the currents.
std::vector<std::string> feed_probes(int j) {
  return {voltage_probe(j, 0, false), voltage_probe(j, 1, false), voltage_probe(j, 2, false),
          voltage_probe(j, 0, true),  voltage_probe(j, 1, true),  voltage_probe(j, 2, true),
          current_probe(j, 0),        current_probe(j, 1)};
}

}  // namespace

void remove_probes(const fs::path& folder) {
  std::error_code ec;
  for (int j = 1; j <= 4; ++j)
    for (const std::string& probe : feed_probes(j)) fs::remove(folder / probe, ec);
}

std::string read_driven_waves(const FullwaveStudy& study, const fs::path& dir, int excited,
                              std::vector<PortWaves>& waves) {
  const fs::path folder = port_folder(dir, excited);
  std::vector<double> f_hz;
  for (double f : study.f_mhz) f_hz.push_back(f * 1e6);
  std::array<FeedSpectra, 4> feeds;
  std::array<FeedPlace, 4> places;
  for (int j = 1; j <= 4; ++j) {
    const size_t k = static_cast<size_t>(j - 1);
    const PortFeed& feed = study.grid.feeds[k];
    const std::vector<std::string> probes = feed_probes(j);
    std::array<std::vector<Cx>, 8> spectra;
    for (size_t m = 0; m < probes.size(); ++m) {
      const auto text = read_study_file(folder / probes[m]);
      const auto signal = text ? read_probe(*text) : std::nullopt;
      if (!signal) return "openEMS left no readable " + probes[m] + " in " + folder.string();
      spectra[m] = spectrum(*signal, f_hz);
    }
    // The stripline mode's voltage: a parallel-plate wave lifts the strip
    // over the lower plane by its height share of the planes' difference and
    // over the upper by the rest, and cancels in this mean.
    for (size_t m = 0; m < 3; ++m) {
      feeds[k].v[m].resize(f_hz.size());
      for (size_t f = 0; f < f_hz.size(); ++f)
        feeds[k].v[m][f] = (1.0 - feed.height_share) * spectra[m][f] + feed.height_share * spectra[m + 3][f];
    }
    feeds[k].i = {spectra[6], spectra[7]};
    places[k] = {feed.upper, feed.step, feed.steps_back() * feed.step};
  }
  waves = port_plane_waves(feeds, places);
  return {};
}

std::string read_study_matrices(const FullwaveStudy& study, const fs::path& dir, std::vector<SMatrix>& s) {
  std::vector<std::vector<PortWaves>> runs(study.driven.size());
  for (size_t r = 0; r < runs.size(); ++r)
    if (std::string unread = read_driven_waves(study, dir, study.driven[r], runs[r]); !unread.empty()) return unread;
  s = scattering_matrices(study.symmetry, study.driven, runs);
  return {};
}

Comparison compare_with_circuit(const CouplerDesign& d, const StackDesign& built, const CouplerLayout& layout,
                                const Stackup& stack, const FullwaveStudy& study, std::vector<SMatrix> fullwave) {
  CouplerDesign reference = as_built(d, built);
  for (int i = 1; i <= reference.n; ++i) reference.sec(i).sigmae = reference.sec(i).sigmao = 0.0f;
  Comparison c;
  c.f_mhz = study.f_mhz;
  c.fullwave = std::move(fullwave);
  c.circuit = circuit_matrices(reference, study.f_mhz);
  CopperPieces pieces;
  pieces.conductor_loss = false;
  const CopperLines copper = copper_lines(d, built, stack, layout, pieces);
  if (copper.ok)
    for (double f : study.f_mhz) c.copper.push_back(mode_lines_matrix(copper.lines, d.z0, f));
  c.band_lo_mhz = d.synthesised() ? d.flow : study.f_mhz.front();
  c.band_hi_mhz = d.synthesised() ? d.fhigh : study.f_mhz.back();
  return c;
}

std::vector<StudyFile> result_files(const Comparison& c, const FullwaveStudy& study, const fs::path& dir,
                                    const std::string& name, const std::string& mesh) {
  const std::vector<std::string> comments = {
      "Quillomate full-wave (openEMS) scattering parameters: " + name,
      mesh + " mesh, " + std::to_string(study.cells()) + " cells; strips perfectly conducting, layers with their loss",
      "Ports driven: " + std::to_string(study.driven.size()) + ", the rest from the layout's symmetries"};
  return {{dir / result_file_names[0], fullwave_touchstone(c, comments, study.run.zo)},
          {dir / result_file_names[1], comparison_csv(c)},
          {dir / result_file_names[2], comparison_svg(c, "Full-wave and circuit model: " + name,
                                                      mesh + " mesh; circuit model without conductor loss")}};
}

}  // namespace quill

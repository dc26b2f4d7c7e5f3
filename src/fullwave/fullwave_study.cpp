#include "fullwave/fullwave_study.hpp"

#include <fstream>
#include <sstream>

#include "common/number.hpp"
#include "fullwave/port_waves.hpp"

namespace quill {

namespace fs = std::filesystem;

namespace {

/// How to run the models by hand, for the folder's README.txt.
std::string readme(const std::vector<int>& driven, const LayoutSymmetry& symmetry, const std::string& design,
                   const std::string& board, const std::string& mesh, const std::string& zo_text,
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
  t += "the copper across, the end walls one beyond each port end. Each port is a lumped port\n";
  t += "of Zo split between the two planes.\n";
  if (symmetry.along) t += "The design is mirror-symmetric: ports 4 and 3 are the images of 1 and 2.\n";
  if (symmetry.across) t += "The board is mirror-stacked: ports 2 and 3 are the images of 1 and 4.\n";
  t += "\nFrom a run by hand to S-parameters. Once openEMS has run in every folder above, this\n";
  t += "reads the probe files and writes fullwave.s4p, compare.csv and compare.svg here, as\n";
  t += "--run does (it refuses models that its options would not write):\n\n";
  t += collect + "\n";
  t += "What it does, to do it elsewhere: openEMS leaves in each folder, for every port J,\n";
  t += "the voltage probe " + voltage_probe(0).substr(0, 7) + "J (time in s and volts, up the port from the lower\n";
  t += "plane) and the current probes " + current_probe(0, false).substr(0, 7) + "J_lower and " +
       current_probe(0, true).substr(0, 7) + "J_upper (time and amperes\n";
  t += "into the coupler through the port's two halves). At each frequency f take each\n";
  t += "probe's spectrum X(f) = sum over its samples of x(t) exp(-j 2 pi f t) dt; port J's\n";
  t += "U is that of " + voltage_probe(0).substr(0, 7) + "J and its I the sum of its two current probes'. Its\n";
  t += "waves are a = (U + Zo I) / 2 in and b = (U - Zo I) / 2 out, with Zo = " + zo_text + " ohms,\n";
  t += "and with port K driven column K of S is S[J][K] = b(J) / a(K). The columns of the\n";
  t += "ports not driven follow from the symmetries above: S[s(i)][s(j)] = S[i][j].\n";
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
                         MeshDensity density, double side_walls, std::vector<double> f_mhz, bool every_port) {
  FullwaveStudy s;
  s.f_mhz = std::move(f_mhz);
  // The model: the layout's own copper on the mesh of the chosen density.
  MeshRules rules = mesh_rules(density, layout, stack);
  rules.side_walls = side_walls;
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
  files.push_back({dir / "README.txt", readme(study.driven, study.symmetry, design, stack.name, mesh,
                                                   plain_number(static_cast<float>(study.run.zo)), collect)});
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

void remove_probes(const fs::path& folder) {
  std::error_code ec;
  for (int j = 1; j <= 4; ++j)
    for (const std::string& probe : {voltage_probe(j), current_probe(j, false), current_probe(j, true)})
      fs::remove(folder / probe, ec);
}

std::string read_driven_column(const FullwaveStudy& study, const fs::path& dir, int excited, std::vector<SMatrix>& s) {
  const fs::path folder = port_folder(dir, excited);
  std::vector<double> f_hz;
  for (double f : study.f_mhz) f_hz.push_back(f * 1e6);
  std::array<PortSpectra, 4> ports;
  for (int j = 1; j <= 4; ++j) {
    for (const std::string& probe : {voltage_probe(j), current_probe(j, false), current_probe(j, true)}) {
      const auto text = read_study_file(folder / probe);
      const auto signal = text ? read_probe(*text) : std::nullopt;
      if (!signal) return "openEMS left no readable " + probe + " in " + folder.string();
      const std::vector<Cx> phasors = spectrum(*signal, f_hz);
      PortSpectra& ps = ports[static_cast<size_t>(j - 1)];
      if (probe == voltage_probe(j)) {
        ps.u = phasors;
      } else if (ps.i.empty()) {
        ps.i = phasors;
      } else {
        for (size_t f = 0; f < phasors.size(); ++f) ps.i[f] += phasors[f];
      }
    }
  }
  s.resize(study.f_mhz.size());
  fill_column(ports, excited - 1, study.run.zo, s);
  return {};
}

Comparison compare_with_circuit(const CouplerDesign& d, const StackDesign& built, const FullwaveStudy& study,
                                std::vector<SMatrix> fullwave) {
  CouplerDesign reference = as_built(d, built);
  for (int i = 1; i <= reference.n; ++i) reference.sec(i).sigmae = reference.sec(i).sigmao = 0.0f;
  Comparison c;
  c.f_mhz = study.f_mhz;
  c.fullwave = std::move(fullwave);
  c.circuit = circuit_matrices(reference, study.f_mhz);
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

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/sweep.hpp"
#include "cli/analysis_run.hpp"
#include "cli/artwork_outputs.hpp"
#include "cli/board_run.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/file_set.hpp"
#include "cli/openems_runner.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/number.hpp"
#include "fullwave/fullwave_grid.hpp"
#include "fullwave/fullwave_report.hpp"
#include "fullwave/openems_model.hpp"
#include "fullwave/port_symmetry.hpp"
#include "fullwave/port_waves.hpp"

namespace quill {

namespace fs = std::filesystem;

namespace {

const char* const kModelName = "model.xml";
const char* const kResults[] = {"fullwave.s4p", "compare.csv", "compare.svg"};

/// Removes the probe files an earlier run of a model left beside it.
void remove_probes(const fs::path& folder) {
  std::error_code ec;
  for (int j = 1; j <= 4; ++j)
    for (const std::string& probe : {voltage_probe(j), current_probe(j, false), current_probe(j, true)})
      fs::remove(folder / probe, ec);
}

MeshDensity density_of(const std::string& name) {
  return name == "coarse" ? MeshDensity::coarse : name == "fine" ? MeshDensity::fine : MeshDensity::normal;
}

/// A word of a command line as a shell reads it back: quoted where it
/// holds anything but the plain characters of a path or a number.
std::string shell_word(const std::string& w) {
  const bool plain = !w.empty() && std::all_of(w.begin(), w.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+=,:", c) != nullptr;
  });
  if (plain) return w;
  std::string q = "'";
  for (char c : w) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

/// The command that collects a hand run of these models: this one's
/// arguments, every option that shapes the model, and --collect.
std::string collect_command(const FullwaveArgs& a) {
  std::string t = "quillomate fullwave " + shell_word(a.file) + " --stackup " + shell_word(*a.stackup) + " --out " +
                  shell_word(*a.out) + " --mesh " + a.mesh;
  auto given = [&](const char* flag, const Given& v) {
    if (v) t += std::string(" ") + flag + " " + shell_word(*v);
  };
  given("--start", a.sweep.start);
  given("--stop", a.sweep.stop);
  given("--step", a.sweep.step);
  given("--side-walls", a.side_walls);
  if (a.layout.inches) t += " --inches";
  given("--breakout-length", a.layout.breakout_length);
  given("--port-spacing", a.layout.port_spacing);
  if (a.layout.compensate) t += " --compensate";
  if (a.all_ports) t += " --all-ports";
  return t + " --collect";
}

/// How to run the models by hand and turn the run into S-parameters, for
/// DIR/README.txt.
std::string readme(const std::vector<int>& driven, const LayoutSymmetry& symmetry, const FullwaveArgs& a,
                   const std::string& board, const std::string& zo_text) {
  std::string t = "Full-wave models of " + a.file + " in the board " + board + " (" + a.mesh + " mesh),\n";
  t += "written by quillomate fullwave for openEMS (Debian package openems).\n\n";
  t += "Each folder portK holds the model with port K driven and the other ports matched;\n";
  t += "openEMS writes its probes beside it. To run one by hand:\n\n";
  for (int k : driven) t += "    cd port" + std::to_string(k) + " && openEMS " + kModelName + " && cd ..\n";
  t += "\nor run them all and compare with the circuit model: quillomate fullwave ... --run.\n\n";
  t += "Ports as in the report and the Touchstone file: 1 input (upper strip, left), 2 coupled\n";
  t += "(lower strip, left), 3 isolated (lower strip, right), 4 through (upper strip, right).\n";
  t += "Lengths in metres. The ground planes are the top and bottom walls; the other walls\n";
  t += "absorb (PML), --side-walls ground-plane spacings from the copper across and one beyond\n";
  t += "each port end. Each port is a lumped port of Zo split between the two planes.\n";
  if (symmetry.along) t += "The design is mirror-symmetric: ports 4 and 3 are the images of 1 and 2.\n";
  if (symmetry.across) t += "The board is mirror-stacked: ports 2 and 3 are the images of 1 and 4.\n";
  t += "\nFrom a run by hand to S-parameters. Once openEMS has run in every folder above, this\n";
  t += "command, from the folder this one was written from, reads the probe files and writes\n";
  t += "fullwave.s4p, compare.csv and compare.svg here, as --run does (it refuses models that\n";
  t += "these options would not write):\n\n";
  t += "    " + collect_command(a) + "\n\n";
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

std::optional<std::string> read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int run_fullwave(const CliContext& ctx, const FullwaveArgs& a) {
  if (!a.stackup) return ctx.fail(exit_usage, "needs --stackup STACK.toml: the copper is modelled in a board");
  if (!a.out) return ctx.fail(exit_usage, "needs --out DIR: the folder the models (and results) go into");
  if (a.run && a.collect)
    return ctx.fail(exit_usage, "--collect reads the probes of a run made by hand: it cannot be given with --run");
  if (!none_beside_board(ctx, {{"--velocity-ratio", a.sweep.velocity_ratio.has_value()},
                               {"--loss", a.sweep.loss.has_value()}}))
    return exit_usage;
  auto threads = option_value(ctx, options::threads, a.threads, 0.0f);
  if (!threads) return exit_usage;
  auto side_walls = option_value(ctx, options::side_walls, a.side_walls);
  if (!side_walls) return exit_usage;
  if (a.threads && *threads != std::floor(*threads))
    return ctx.fail(exit_usage, "--threads must be a whole number (got " + *a.threads + ")");
  const fs::path dir = ctx.path(*a.out);
  std::error_code ec;
  const fs::path parent = dir.parent_path().empty() ? fs::path(".") : dir.parent_path();
  if (!fs::is_directory(parent, ec))
    return ctx.fail(exit_usage, "--out " + *a.out + ": the folder " + parent.string() + " does not exist");
  if (fs::exists(dir, ec) && !fs::is_directory(dir, ec))
    return ctx.fail(exit_usage, "--out " + *a.out + ": is a file, not a folder");

  int status = exit_ok;
  const auto read = read_board_design(ctx, *a.stackup, a.file, status);
  if (!read) return status;
  const Stackup& stack = read->stack;
  const FileDesign& file = read->file;
  const CouplerDesign& d = file.design;
  AnalysisSettings sweep{}, s{};
  sweep.fstart = file.fstart;
  sweep.fstop = file.fstop;
  sweep.deltaf = file.deltaf;
  if (!sweep_from(ctx, a.sweep, sweep, s)) return exit_usage;
  const auto built = build_in_board(ctx, d, stack, 2, true);
  if (!built) return exit_usage;
  const auto choice = layout_choice(ctx, a.layout);
  if (!choice) return exit_usage;
  std::string error;
  const auto layout = lay_out_coupler(d, *built, stack, *choice, error);
  if (!layout) return ctx.fail(exit_usage, error);

  // The model: the layout's own copper on the mesh of the chosen density.
  MeshRules rules = mesh_rules(density_of(a.mesh), *layout, stack);
  rules.side_walls = *side_walls;
  std::vector<double> f_mhz;
  for_each_frequency(s, [&](float f) { f_mhz.push_back(f); });
  FullwaveRun run;
  run.fstart_hz = f_mhz.front() * 1e6;
  run.fstop_hz = f_mhz.back() * 1e6;
  run.centre_hz = d.f0 * 1e6;
  run.zo = d.z0;
  const FullwaveGrid grid = fullwave_grid(*layout, stack, rules, run.fstop_hz);
  const LayoutSymmetry symmetry = layout_symmetry(*layout, stack);
  const std::vector<int> driven = driven_ports(symmetry, a.all_ports);

  std::vector<FileText> models;
  for (int k : driven)
    models.push_back({dir / ("port" + std::to_string(k)) / kModelName, openems_model(*layout, stack, grid, run, k)});
  if (a.collect) {
    // The probes belong to the models they were run on: only the models
    // these options write are read back.
    for (const FileText& m : models) {
      const auto text = read_text(m.first);
      if (!text)
        return ctx.fail(exit_input_file, "--collect: no model " + m.first.string() + " to collect; write the models "
                                         "and run openEMS on them first");
      if (*text != m.second)
        return ctx.fail(exit_usage, "--collect: " + m.first.string() + " is not the model these options write; "
                                    "give the options it was written with");
    }
  } else {
    fs::create_directories(dir, ec);
    // Results of an earlier model would pass for this one's: they go first,
    // so that a run stopped part way leaves the model and no result.
    for (const char* result : kResults) fs::remove(dir / result, ec);
    for (int k : driven) {
      const fs::path folder = dir / ("port" + std::to_string(k));
      fs::create_directories(folder, ec);
      if (ec) return ctx.fail(exit_output_failed, "cannot create " + folder.string() + ": " + ec.message());
    }
    models.push_back({dir / "README.txt", readme(driven, symmetry, a, stack.name, plain_number(d.z0))});
    if (const int st = write_all_or_none(ctx, models, "no model was kept"); st != exit_ok) return st;
  }

  const long cells = static_cast<long>((grid.x.size() - 1) * (grid.y.size() - 1) * (grid.z.size() - 1));
  std::ostringstream head;
  head << "\n        Full-wave model of " << a.file << " in " << stack.name << ", " << a.mesh << " mesh: "
       << grid.x.size() << " x " << grid.y.size() << " x " << grid.z.size() << " lines (" << cells
       << " cells);\n        " << driven.size() << (driven.size() == 1 ? " port" : " ports") << " driven";
  if (symmetry.along || symmetry.across)
    head << " (" << (symmetry.along ? "mirror-symmetric design" : "")
         << (symmetry.along && symmetry.across ? ", " : "") << (symmetry.across ? "mirror-stacked board" : "") << ")";
  head << "; models in " << dir.string() << "\n";
  for (const std::string& note : layout->notes) head << "        " << note << "\n";
  ctx.env.out << head.str();
  if (!ctx.stdout_written()) return exit_output_failed;
  if (!a.run && !a.collect) return exit_ok;

  if (a.run) {
    const fs::path openems = find_openems();
    if (openems.empty())
      return ctx.fail(exit_output_failed, "cannot run openEMS: no openEMS on PATH (Debian package openems); "
                                          "the models are in " + dir.string());
    for (size_t n = 0; n < driven.size(); ++n) {
      const int k = driven[n];
      const fs::path folder = dir / ("port" + std::to_string(k));
      ctx.env.out << "        excitation " << n + 1 << " of " << driven.size() << ": port " << k << "\n";
      ctx.env.out.flush();
      remove_probes(folder);
      long shown = -1;
      const std::string failure =
          run_openems(openems, folder, kModelName, static_cast<int>(*threads), [&](const OpenemsProgress& p) {
            if (p.timestep == shown) return;
            shown = p.timestep;
            char line[128];
            std::snprintf(line, sizeof line, "          time step %ld, energy %.1f dB\n", p.timestep, p.energy_db);
            ctx.env.out << line;
            ctx.env.out.flush();
          });
      if (!failure.empty())
        return ctx.fail(exit_output_failed, "openEMS failed on " + (folder / kModelName).string() + ": " + failure);
    }
  }
  // Each driven port's run gives its column of S, from every port's probes.
  std::vector<SMatrix> fullwave(f_mhz.size());
  std::vector<double> f_hz;
  for (double f : f_mhz) f_hz.push_back(f * 1e6);
  for (int k : driven) {
    const fs::path folder = dir / ("port" + std::to_string(k));
    std::array<PortSpectra, 4> ports;
    for (int j = 1; j <= 4; ++j) {
      for (const std::string& probe : {voltage_probe(j), current_probe(j, false), current_probe(j, true)}) {
        const auto text = read_text(folder / probe);
        const auto signal = text ? read_probe(*text) : std::nullopt;
        if (!signal)
          return ctx.fail(a.collect ? exit_input_file : exit_output_failed,
                          "openEMS left no readable " + probe + " in " + folder.string());
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
    fill_column(ports, k - 1, run.zo, fullwave);
  }
  complete_by_symmetry(symmetry, driven, fullwave);

  // The circuit model of the same copper: the design as built, with the
  // strips' conductor loss left out as the full-wave model's perfect
  // conductors leave it out.
  CouplerDesign reference = as_built(d, *built);
  for (int i = 1; i <= reference.n; ++i) reference.sec(i).sigmae = reference.sec(i).sigmao = 0.0f;
  Comparison c;
  c.f_mhz = f_mhz;
  c.fullwave = fullwave;
  c.circuit = circuit_matrices(reference, f_mhz);
  c.band_lo_mhz = d.synthesised() ? d.flow : f_mhz.front();
  c.band_hi_mhz = d.synthesised() ? d.fhigh : f_mhz.back();
  const BandSummary summary = band_summary(c, d.f0);
  const std::string name = fs::path(a.file).filename().string() + " in " + fs::path(stack.name).filename().string();
  const std::vector<std::string> comments = {
      "Quillomate full-wave (openEMS) scattering parameters: " + name,
      a.mesh + " mesh, " + std::to_string(cells) + " cells; strips perfectly conducting, layers with their loss",
      "Ports driven: " + std::to_string(driven.size()) + ", the rest from the layout's symmetries"};
  const std::vector<FileText> results = {
      {dir / kResults[0], fullwave_touchstone(c, comments, run.zo)},
      {dir / kResults[1], comparison_csv(c)},
      {dir / kResults[2], comparison_svg(c, "Full-wave and circuit model: " + name,
                                         a.mesh + " mesh; circuit model without conductor loss")}};
  if (const int st = write_all_or_none(ctx, results, "no result was kept"); st != exit_ok) return st;
  ctx.env.out << summary_text(summary, c);
  return ctx.stdout_written() ? exit_ok : exit_output_failed;
}

}  // namespace quill

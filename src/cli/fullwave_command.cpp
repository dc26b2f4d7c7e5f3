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
#include "fullwave/openems_runner.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/number.hpp"
#include "fullwave/fullwave_grid.hpp"
#include "fullwave/fullwave_report.hpp"
#include "fullwave/fullwave_study.hpp"
#include "fullwave/openems_model.hpp"
#include "fullwave/port_symmetry.hpp"
#include "fullwave/port_waves.hpp"

namespace quill {

namespace fs = std::filesystem;

namespace {

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
  given("--port-feed", a.port_feed);
  if (a.layout.inches) t += " --inches";
  given("--breakout-length", a.layout.breakout_length);
  given("--port-spacing", a.layout.port_spacing);
  if (a.layout.compensate) t += " --compensate";
  given("--corrections", a.layout.corrections);
  given("--taper-length", a.layout.taper_length);
  if (a.all_ports) t += " --all-ports";
  return t + " --collect";
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
  auto port_feed = option_value(ctx, options::port_feed, a.port_feed);
  if (!port_feed) return exit_usage;
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

  std::vector<double> f_mhz;
  for_each_frequency(s, [&](float f) { f_mhz.push_back(f); });
  const FullwaveStudy study = plan_study(d, *layout, stack, *mesh_density(a.mesh), *side_walls, *port_feed, f_mhz,
                                         a.all_ports);
  const std::vector<int>& driven = study.driven;
  const LayoutSymmetry& symmetry = study.symmetry;
  const FullwaveGrid& grid = study.grid;
  const std::vector<StudyFile> models =
      model_files(study, *layout, stack, dir, a.file, a.mesh, "    " + collect_command(a) + "\n");
  if (a.collect) {
    // The probes belong to the models they were run on: only the models
    // these options write are read back.
    for (const StudyFile& m : models) {
      if (m.first.filename() != model_file_name) continue;
      const auto text = read_study_file(m.first);
      if (!text)
        return ctx.fail(exit_input_file, "--collect: no model " + m.first.string() + " to collect; write the models "
                                         "and run openEMS on them first");
      if (*text != m.second)
        return ctx.fail(exit_usage, "--collect: " + m.first.string() + " is not the model these options write; "
                                    "give the options it was written with");
    }
  } else {
    if (const std::string failure = prepare_study_folder(study, dir); !failure.empty())
      return ctx.fail(exit_output_failed, failure);
    if (const int st = write_all_or_none(ctx, models, "no model was kept"); st != exit_ok) return st;
  }

  const long cells = study.cells();
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
      const fs::path folder = port_folder(dir, k);
      ctx.env.out << "        excitation " << n + 1 << " of " << driven.size() << ": port " << k << "\n";
      ctx.env.out.flush();
      remove_probes(folder);
      long shown = -1;
      const std::string failure =
          run_openems(openems, folder, model_file_name, static_cast<int>(*threads), [&](const OpenemsProgress& p) {
            if (p.timestep == shown) return;
            shown = p.timestep;
            char line[128];
            std::snprintf(line, sizeof line, "          time step %ld, energy %.1f dB\n", p.timestep, p.energy_db);
            ctx.env.out << line;
            ctx.env.out.flush();
          });
      if (!failure.empty())
        return ctx.fail(exit_output_failed, "openEMS failed on " + (folder / model_file_name).string() + ": " + failure);
    }
  }
  std::vector<SMatrix> fullwave;
  if (const std::string unread = read_study_matrices(study, dir, fullwave); !unread.empty())
    return ctx.fail(a.collect ? exit_input_file : exit_output_failed, unread);

  const Comparison c = compare_with_circuit(d, *built, *layout, stack, study, std::move(fullwave));
  const BandSummary summary = band_summary(c, d.f0);
  const std::string name = fs::path(a.file).filename().string() + " in " + fs::path(stack.name).filename().string();
  if (const int st = write_all_or_none(ctx, result_files(c, study, dir, name, a.mesh), "no result was kept");
      st != exit_ok)
    return st;
  ctx.env.out << summary_text(summary, c);
  return ctx.stdout_written() ? exit_ok : exit_output_failed;
}

}  // namespace quill

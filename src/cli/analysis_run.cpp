#include "cli/analysis_run.hpp"

#include <cmath>
#include <memory>
#include <vector>

#include "analysis/band_figures.hpp"
#include "analysis/report.hpp"
#include "analysis/sweep.hpp"
#include "cli/exit_status.hpp"
#include "cli/output_files.hpp"
#include "common/fixed.hpp"
#include "common/number.hpp"
#include "common/report_out.hpp"
#include "exports/response_csv.hpp"
#include "exports/response_plot.hpp"
#include "exports/touchstone.hpp"

namespace quill {

namespace {

/// Text gathered for one output and handed on in blocks.
constexpr size_t kBlock = 1 << 16;

/// Points of a plot at most: far more than its width in pixels.
constexpr int kPlotPoints = 100000;

void hand_on(OutputFile* file, std::string& text, bool last) {
  if (file == nullptr || (!last && text.size() < kBlock)) return;
  file->write(text);
  text.clear();
}

ResponsePoint plot_point(float freq, const PortResponse& r) {
  // Levels of the wave magnitudes as they are, not the report's -90 dB floor.
  return {freq, 20.0f * log10f(r.port[1]), 20.0f * log10f(r.port[2]), 20.0f * log10f(r.port[3]),
          20.0f * log10f(r.port[0])};
}

}  // namespace

bool plan_outputs(const CliContext& ctx, const std::vector<NamedOutput>& named, const std::filesystem::path& input,
                  std::vector<OutputRequest>& requests, const std::filesystem::path& stack,
                  std::string_view stdout_carries) {
  for (const NamedOutput& n : named) {
    if (!n.text) continue;
    // "-" is standard output, not a file of the working folder.
    requests.push_back({n.option, *n.text == "-" ? std::filesystem::path("-") : ctx.path(*n.text), n.makes_folder});
    if (!n.makes_folder) continue;
    const std::string folder = std::filesystem::path(*n.text).parent_path().string();
    if (auto problem = check_output_folder(n.option, folder, requests.back().path.parent_path())) {
      ctx.fail(exit_usage, *problem);
      return false;
    }
  }
  if (auto problem = check_outputs(requests, input, stack, stdout_carries)) {
    ctx.fail(exit_usage, *problem);
    return false;
  }
  return true;
}

std::filesystem::path requested(const std::vector<OutputRequest>& requests, std::string_view option) {
  for (const OutputRequest& r : requests)
    if (r.option == option) return r.path;
  return {};
}

int run_analysis(const CliContext& ctx, const CouplerDesign& d, const AnalysisSettings& s,
                 const AnalysisOutputs& outputs, const std::string& source) {
  auto open = [&ctx](const std::filesystem::path& p) {
    return p.empty() ? nullptr : std::make_unique<OutputFile>(p, ctx.env);
  };
  std::unique_ptr<OutputFile> report = open(outputs.report), touchstone = open(outputs.touchstone),
                              csv = open(outputs.csv), plot = open(outputs.plot);
  for (OutputFile* f : {report.get(), touchstone.get(), csv.get(), plot.get()})
    if (f != nullptr && !f->open()) return ctx.fail(exit_output_failed, f->open_failure());

  if (outputs.report_to_stdout || report) {
    ReportOut out = ReportOut::plain(outputs.report_to_stdout ? &ctx.env.out : nullptr,
                                     report ? &report->stream() : nullptr);
    print_report(out, d, s, ctx.env.clock(), outputs.board_notes, outputs.board_name);
    if (out.console_failed())
      return ctx.fail(exit_output_failed, "cannot write standard output: " + out.console_failure());
    if (out.storage_failed())
      return ctx.fail(exit_output_failed, "cannot write " + report->name() + ": " + out.storage_failure() +
                                              (report->is_stream() ? "" : "; the file was removed"));
    if (outputs.report_to_stdout) {
      // Below the report, what it comes to over the band (the sweep's range
      // for a design without one): the report floors its levels at -90 dB
      // and shows no directivity.
      const bool band = d.synthesised();
      const float lo = band ? d.flow : s.fstart, hi = band ? d.fhigh : s.fstop;
      const std::string range = plain_number(lo) + " to " + plain_number(hi) + " MHz";
      std::string heading = (band ? "Over the band, " : "Over the sweep, ") + range;
      const BandFigures figures = band_figures(d, lo, hi);
      std::optional<BandFigures> ideal;
      if (outputs.ideal != nullptr) {
        ideal = band_figures(*outputs.ideal, lo, hi);
        heading = "As built in " + outputs.board_name + ", " + (band ? "over the band, " : "over the sweep, ") + range +
                  " (ideal design in brackets)";
      }
      ctx.env.out << band_figures_text(heading, figures, ideal ? &*ideal : nullptr);
      if (outputs.copper != nullptr) {
        const ModeLines& lines = *outputs.copper;
        const double zo = d.z0;
        const BandFigures copper = band_figures([&](double f) { return mode_lines_matrix(lines, zo, f); }, lo, hi);
        ctx.env.out << band_figures_text(outputs.copper_words + ", " + range + " (as built in brackets)", copper,
                                         &figures);
        for (const std::string& note : outputs.copper_notes) ctx.env.out << "          with " << note << ".\n";
        if (outputs.copper_most_delayed != nullptr) {
          const ModeLines& most = *outputs.copper_most_delayed;
          const BandFigures worst = band_figures([&](double f) { return mode_lines_matrix(most, zo, f); }, lo, hi);
          ctx.env.out << "          with the steps' delays as large as measured on any example board,\n"
                      << "          directivity at least " << least_db_text(worst.directivity_db)
                      << " dB, return loss at least " << least_db_text(worst.return_loss_db) << " dB.\n";
        }
      }
    }
    if (outputs.report_to_stdout && !ctx.stdout_written()) return exit_output_failed;
  }

  if (touchstone || csv || plot) {
    std::string ts_text, csv_text;
    if (touchstone) ts_text = touchstone_header(d, source, outputs.board);
    if (csv) csv_text = response_csv_header();
    std::vector<ResponsePoint> points;
    // The plot needs no more points than it has pixels to spare: a sweep of
    // millions is thinned to every stride-th point, the last one kept.
    const int count = sweep_points(s.fstart, s.fstop, s.deltaf);
    const int stride = count / kPlotPoints + 1;
    int k = 0;
    // Each export is whole or not at all, on its own: one that fails takes
    // no more points, and the sweep goes on while any other still takes them.
    auto taking = [](const std::unique_ptr<OutputFile>& f) { return f != nullptr && !f->failed(); };
    for_each_frequency(s, [&](float freq) {
      if (taking(touchstone)) {
        append_touchstone_point(ts_text, freq, four_port(d, freq));
        hand_on(touchstone.get(), ts_text, false);
      }
      if (taking(csv) || plot) {
        const PortResponse r = port_response(d, freq);
        if (taking(csv)) {
          append_response_csv_row(csv_text, freq, r);
          hand_on(csv.get(), csv_text, false);
        }
        if (plot && (k % stride == 0 || k == count - 1)) {
          points.push_back(plot_point(freq, r));
          if (outputs.ideal != nullptr)
            points.back().ideal_coupled_db = 20.0f * log10f(port_response(*outputs.ideal, freq).port[1]);
        }
      }
      ++k;
      return taking(touchstone) || taking(csv) || plot != nullptr;
    });
    hand_on(touchstone.get(), ts_text, true);
    hand_on(csv.get(), csv_text, true);
    if (plot) {
      ResponseMarks marks;
      if (d.synthesised()) marks = {true, d.flow, d.fhigh, d.coupler, d.ripple};
      // Settings other than the neutral ones are named: the plot is read away
      // from the command that made it.
      const Section& first = d.sec(1);
      std::string settings;
      if (!outputs.board.empty()) {
        settings = "as built in " + outputs.board_name;
      } else if (first.veloo != 1.0f || first.oeloss != 0.0f) {
        settings = "velocity ratio " + plain_number(first.veloo) + ", loss " + plain_number(first.oeloss) + " dB/in";
      }
      plot->write(response_plot_svg(points, marks, source, settings));
    }
  }

  // Every output is committed, or removed and reported; a stream keeps what
  // reached it.
  int status = exit_ok;
  for (OutputFile* f : {report.get(), touchstone.get(), csv.get(), plot.get()}) {
    if (f != nullptr && !f->commit()) status = ctx.fail(exit_output_failed, f->write_failure());
  }
  return status;
}

}  // namespace quill

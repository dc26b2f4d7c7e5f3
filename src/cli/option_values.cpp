#include "cli/option_values.hpp"

#include "analysis/section_model.hpp"
#include "analysis/sweep.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "common/number.hpp"

namespace quill {

std::optional<float> option_value(const CliContext& ctx, const RealOption& opt, const Given& text,
                                  std::optional<float> fallback) {
  if (!text) return fallback ? fallback : opt.def;
  std::string error;
  auto v = parse_real(opt, *text, error);
  if (!v) ctx.fail(exit_usage, error);
  return v;
}

namespace {

/// The sweep's three values, each checked as it is read.
bool read_sweep(const CliContext& ctx, const SweepArgs& a, const AnalysisSettings& sweep,
                AnalysisSettings& s) {
  auto start = option_value(ctx, options::start, a.start, sweep.fstart);
  if (!start) return false;
  auto stop = option_value(ctx, options::stop, a.stop, sweep.fstop);
  if (!stop) return false;
  auto step = option_value(ctx, options::step, a.step, sweep.deltaf);
  if (!step) return false;
  s.fstart = *start;
  s.fstop = *stop;
  s.deltaf = *step;
  return true;
}

/// A sweep with no point is surely a mistake: say so rather than print an
/// empty table and write empty files; so is one of billions of points.
bool has_points(const CliContext& ctx, const AnalysisSettings& s) {
  const auto fault = sweep_fault(s.fstart, s.fstop, s.deltaf);
  if (!fault) return true;
  ctx.fail(exit_usage, *fault);
  return false;
}

}  // namespace

bool sweep_from(const CliContext& ctx, const SweepArgs& a, const AnalysisSettings& sweep,
                AnalysisSettings& s) {
  return read_sweep(ctx, a, sweep, s) && has_points(ctx, s);
}

bool settings_from(const CliContext& ctx, const SweepArgs& a, const AnalysisSettings& sweep,
                   CouplerDesign& d, AnalysisSettings& s) {
  if (!read_sweep(ctx, a, sweep, s)) return false;
  auto ratio = option_value(ctx, options::velocity_ratio, a.velocity_ratio);
  if (!ratio) return false;
  auto loss = option_value(ctx, options::loss, a.loss);
  if (!loss) return false;
  if (!has_points(ctx, s)) return false;
  apply_velocity(d, *ratio);
  apply_loss(d, *loss);
  return true;
}

}  // namespace quill

#include "cli/artwork_outputs.hpp"

#include <sstream>

#include "artwork/drawing.hpp"
#include "artwork/dxf.hpp"
#include "artwork/gerber.hpp"
#include "artwork/kicad.hpp"
#include "cli/analysis_run.hpp"
#include "cli/exit_status.hpp"
#include "cli/file_set.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"

namespace quill {

std::vector<NamedOutput> artwork_requests(const ArtworkArgs& a, const std::string& stem) {
  std::vector<NamedOutput> named;
  if (a.gerber) {
    // The folder is made when it is not there, as fullwave --out is.
    const std::filesystem::path dir(*a.gerber);
    for (const char* layer : {"upper", "lower", "outline"})
      named.push_back({"--gerber", (dir / (stem + "-" + layer + ".gbr")).string(), true});
  }
  named.push_back({"--dxf", a.dxf});
  named.push_back({"--svg", a.svg});
  named.push_back({"--kicad", a.kicad});
  return named;
}

std::optional<LayoutChoice> layout_choice(const CliContext& ctx, const ArtworkArgs& a) {
  LayoutChoice c;
  const double unit = a.inches ? 0.0254 : 1e-3;
  if (a.breakout_length) {
    auto v = option_value(ctx, options::breakout_length, a.breakout_length);
    if (!v) return std::nullopt;
    c.breakout_length = *v * unit;
  }
  if (a.port_spacing) {
    auto v = option_value(ctx, options::port_spacing, a.port_spacing);
    if (!v) return std::nullopt;
    c.port_spacing = *v * unit;
  }
  c.compensate = a.compensate;
  if (a.corrections) {
    if (!a.compensate) {
      ctx.fail(exit_usage, "--corrections chooses among --compensate's corrections: give --compensate too");
      return std::nullopt;
    }
    c.corrections = {false, false, false, false, false};
    std::stringstream words(*a.corrections);
    for (std::string word; std::getline(words, word, ',');) {
      if (word == "ends") c.corrections.ends = true;
      else if (word == "junctions") c.corrections.junctions = true;
      else if (word == "bends") c.corrections.bends = true;
      else if (word == "stubs") c.corrections.stubs = true;
      else if (word == "lengths") c.corrections.lengths = true;
      else {
        ctx.fail(exit_usage, "--corrections: \"" + word + "\" is none of ends, junctions, bends, stubs, lengths");
        return std::nullopt;
      }
    }
  }
  if (a.taper_length) {
    if (!a.compensate) {
      ctx.fail(exit_usage, "--taper-length shapes --compensate's tapers: give --compensate too");
      return std::nullopt;
    }
    auto v = option_value(ctx, options::taper_length, a.taper_length);
    if (!v) return std::nullopt;
    c.taper_length = *v;
  }
  c.inches = a.inches;
  return c;
}

int write_artwork(const CliContext& ctx, const ArtworkArgs& a, const std::vector<OutputRequest>& outputs,
                  const CouplerLayout& layout, const Stackup& stack, const std::string& design,
                  const std::string& name) {
  ArtworkInfo info;
  info.design = design;
  info.board = stack.name;
  info.made = ctx.env.clock();
  info.unit = a.inches ? ArtworkUnit::inch : ArtworkUnit::mm;
  std::vector<FileText> files;
  std::vector<std::filesystem::path> gerbers;
  for (const OutputRequest& r : outputs)
    if (r.option == "--gerber") gerbers.push_back(r.path);
  if (gerbers.size() == 3) {
    const GerberSet g = gerber_files(layout, info);
    files.push_back({gerbers[0], g.upper});
    files.push_back({gerbers[1], g.lower});
    files.push_back({gerbers[2], g.outline});
  }
  if (auto p = requested(outputs, "--dxf"); !p.empty()) files.push_back({p, dxf_file(layout, info)});
  if (auto p = requested(outputs, "--svg"); !p.empty()) files.push_back({p, layout_drawing_svg(layout, stack, info)});
  if (auto p = requested(outputs, "--kicad"); !p.empty()) files.push_back({p, kicad_footprint(layout, info, name)});

  // The Gerber folder, made here when it is not there, goes again when no
  // file is kept in it.
  bool made = false, ok = true;
  std::string error;
  if (!gerbers.empty()) made = make_output_folder(gerbers.front().parent_path(), ok, error);
  if (!ok) return ctx.fail(exit_output_failed, error + "; no artwork file was kept");
  // Every file is written whole before any is put in place; one that fails
  // takes the others with it.
  const int status = write_all_or_none(ctx, files, "no artwork file was kept");
  if (status != exit_ok && made) {
    std::error_code ec;
    std::filesystem::remove(gerbers.front().parent_path(), ec);
  }
  return status;
}

}  // namespace quill

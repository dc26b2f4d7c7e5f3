#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/cli_context.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"

namespace quill {

namespace {

constexpr const char* kVersion = "quillomate 1.3";

constexpr const char* kProgramFooter = R"(
Without arguments quillomate starts its interactive dialogue in the working
folder, beside its defaults file Quillomate.DEF.

Examples:
  quillomate synthesize --symmetrical --flow 4000 --fhigh 8000 --coupling 8.34 \
      --ripple 0.3 --write-design coupler.dat
  quillomate analyse coupler.dat --touchstone coupler.s4p --plot coupler.svg
  quillomate dimensions coupler.dat --b 0.25 --s 0.05
  quillomate layout coupler.dat --stackup board.toml --gerber gerbers

Exit status: 0 done; 1 no design covers the band; 2 a bad command line;
3 the design file is missing, unreadable or has an entry in error;
4 an output could not be written. See quillomate(1).)";

constexpr const char* kAnalyseFooter = R"(
FILE is a design-data file as the dialogue's function 4 reads it. The report on
standard output is the dialogue's for the same file and menu choices.

With --stackup the design is analysed as the board builds it: each section's
strips are field-solved in the stack-up file's layers and copper, and each
mode keeps its own phase velocity and loss (conductor loss growing as the
square root of frequency, dielectric loss as frequency). The board decides
what --velocity-ratio and --loss would set, so they cannot be given with it.
With --discontinuities the copper as `layout` draws it (--compensate and the
breakout options shape it) is modelled too: each breakout and each taper or
jog between sections cut into short coupled lines, each mode's impedance and
speed field-solved there, and each step (where sections meet, where the strips
part for the feeds) delaying each mode by what full-wave runs measured there.
Its figures over the band are printed below the report beside the design's as
built: the difference is what the copper's ends and junctions cost.

An output replaces a regular file (through a link, the link's target) only
when complete; a pipe or a device is written in place; a folder or a socket is
refused. With -q, - (or /dev/stdout) sends one export to standard output.

Examples:
  quillomate analyse design.dat
  quillomate analyse design.dat --velocity-ratio 0.95 --loss 0.5 --format 1
  quillomate analyse design.dat --start 500 --stop 4000 --step 10 -q \
      --touchstone design.s4p --csv design.csv --plot design.svg
  quillomate analyse design.dat --stackup board.toml --plot built.svg
  quillomate analyse design.dat --stackup board.toml --discontinuities --compensate)";

constexpr const char* kDimensionsFooter = R"(
Prints the dialogue's dimension report for FILE, as its OPERATION 3 prints it
after an analysis with the same velocity and loss choices.

The closed-form strips of the report hold in part of the range only; with
--field-solve a method-of-moments solution of the cross-section refines each
section's width and offset until both impedances are met within 0.05 %, says
where no geometry exists at this S (and the largest S at which one would), and
shows the impedances each closed-form geometry really has.

With --stackup STACK.toml the strips are solved in a real board: copper of
the file's thickness on the two faces of its strips layer, between layers of
their own permittivity and loss tangent. The board gives B and S (not --b,
--s, --velocity-ratio or --loss), and the table adds each section's length (a
quarter wave for the mean of the two modes), each mode's effective
permittivity, the even/odd velocity ratio and each mode's conductor and
dielectric loss at the section's centre frequency.

Examples:
  quillomate dimensions design.dat
  quillomate dimensions design.dat --b 0.25 --s 0.05 --centre overlap
  quillomate dimensions design.dat --field-solve --csv strips.csv
  quillomate dimensions design.dat --stackup board.toml --csv strips.csv)";

constexpr const char* kSynthesizeFooter = R"(
A level and ripple the tables hold are designed from the tables, as the
dialogue's functions 1 and 2 do: the smallest tabulated design that covers the
band. Where that design ripples more than asked over the band (with ripple 0:
strays beyond --flat-tolerance), or the band needs more than the tables' 9
(symmetrical) or 6 (asymmetrical) sections, the equal-ripple engine designs it
instead and a line at the top of the report says so and why; --tables keeps the
tables' answer, exactly as the dialogue gives it. Any other level (3 to 30 dB)
or ripple (0, or 0.01 to 1.5 dB), and --equal-ripple or --sections, use the
equal-ripple engine: the smallest section count whose design keeps the coupling
within C +/- R over the whole band (with ripple 0, maximally flat within
--flat-tolerance). Prints the section count,
the coupling reached over the band and the design table. --write-design writes
a design-data file (sweep around the band, B and S) that `quillomate analyse`
and the dialogue's function 4 read back to the same design.

Examples:
  quillomate synthesize --symmetrical --flow 4000 --fhigh 8000 --coupling 8.34 --ripple 0.3
  quillomate synthesize --symmetrical --flow 1000 --fhigh 10000 --coupling 15 --ripple 0.25
  quillomate synthesize --asymmetrical --flow 2000 --fhigh 18000 --coupling 12.5 --ripple 0.5 \
      --sections 8 --zo 50 --er 3 --write-design wide.dat --plot wide.svg
  quillomate synthesize --symmetrical --flow 2000 --fhigh 6000 --coupling 10 --ripple 0.2 \
      --stackup board.toml --touchstone built.s4p)";

constexpr const char* kLayoutFooter = R"(
Draws the coupler as copper in the board of --stackup: each section a W x L
rectangle on each strip layer (the upper strip at +W0/2 from the centre line,
the lower at -W0/2), sections butting end to end, and at each end the two
strips parting sideways through 45 degree bends into feeds whose width is
field-solved for Zo at that strip's height, spaced so that they couple below
-40 dB (--port-spacing and --breakout-length override). Port 1 is the upper
strip's left end, 2 the lower strip's left end, 3 the lower strip's right end,
4 the upper strip's right end. Prints every section's rectangles, every port's
position and what the breakouts add; the files are in millimetres, or inches
with --inches (a KiCad footprint is always in millimetres). A section without
strips in the board is an error naming it, and so is a port spacing or breakout
the copper cannot honour, naming the least or largest that works; couplings
weaker than -99 dB are said in words. Sections whose strips do not overlap
across are joined by a jog, a slanted piece of strip whose length of line
comes half out of each. --compensate applies every correction for what the
copper adds, and names each: each end section shortened by the integral of
its breakout's coupling over its own (still coupled as they part, the feeds
lengthen the end sections in effect), the steps between sections tapered,
and the feeds' 45 degree bends rounded to circular arcs.

Examples:
  quillomate layout coupler.dat --stackup board.toml --gerber gerbers --svg coupler.svg --compensate
  quillomate layout coupler.dat --stackup board.toml --dxf coupler.dxf --kicad coupler.kicad_mod
  quillomate layout coupler.dat --stackup board.toml --inches --port-spacing 0.2 --dxf coupler.dxf)";

constexpr const char* kFullwaveFooter = R"(
Writes an openEMS model of exactly the copper `layout` draws into DIR (one
folder per driven port, and a README on running them by hand): the ground
planes as the top and bottom walls, absorbing walls (PML) around the copper,
the board's layers as dielectrics with their loss tangent, the strips (perfect
conductors, of the copper's thickness), and each feed running on beyond its
port plane (--port-feed) to a lumped port of Zo split between the two planes.
Probes half way separate the waves on the uniform feed and move them back to
the port plane, so the ports measure the copper, not themselves. The mesh keeps the third rule at every
strip edge, enough cells across S and the copper, cells under a twentieth of
a wavelength at the top frequency, and smooth grading; --mesh chooses how
fine. A mirror-symmetric design and a
mirror-stacked board each halve the ports that must be driven. The layout's
options shape the copper as they do for `layout`; --compensate applies every
correction `layout --compensate` does.

With --run it runs openEMS on each model (its progress as it goes: minutes,
not seconds), writes DIR/fullwave.s4p, DIR/compare.csv and DIR/compare.svg
(full-wave beside the circuit model of the design as built, without the
strips' conductor loss, which the model's perfect conductors lack), and
prints over the band the coupling's largest departure from the circuit
model, the directivity, the return loss and the quadrature error of both.
openEMS missing or failing is status 4, with no result written. With
--collect instead, after the models were run by hand (DIR/README.txt says
how), the same options read the probe files openEMS left and write the same
results; models in DIR that these options would not write are refused.

Examples:
  quillomate fullwave coupler.dat --stackup board.toml --out model
  quillomate fullwave coupler.dat --stackup board.toml --out model --run --mesh coarse --threads 2
  quillomate fullwave coupler.dat --stackup board.toml --out model --run --compensate --all-ports)";

/// Registers a numeric option of the table, its text kept as given.
CLI::Option* add(CLI::App* app, const RealOption& opt, Given& target) {
  return app->add_option_function<std::string>(
                std::string(opt.flag), [&target](const std::string& v) { target = v; },
                help_text(opt))
      ->type_name(std::string(opt.value_name));
}

void add_path(CLI::App* app, const char* flag, const char* value_name, const char* help, Given& target) {
  app->add_option_function<std::string>(flag, [&target](const std::string& v) { target = v; }, help)
      ->type_name(value_name);
}

void add_sweep(CLI::App* app, SweepArgs& s) {
  add(app, options::start, s.start);
  add(app, options::stop, s.stop);
  add(app, options::step, s.step);
  add(app, options::velocity_ratio, s.velocity_ratio);
  add(app, options::loss, s.loss);
}

void add_exports(CLI::App* app, ExportArgs& e) {
  add_path(app, "--touchstone", "OUT.s4p",
           "write the full 4x4 scattering matrix at every frequency (Touchstone 1.1)", e.touchstone);
  add_path(app, "--csv", "OUT.csv", "write the report's quantities at full precision, one row per frequency",
           e.csv);
  add_path(app, "--plot", "OUT.svg", "draw coupled, isolated, through and return levels against frequency",
           e.plot);
}

/// The choices that shape the copper itself, for every command that draws it.
void add_layout_choice(CLI::App* app, ArtworkArgs& a) {
  app->add_flag("--inches", a.inches, "lengths in inches: the files written, --breakout-length and --port-spacing");
  add(app, options::breakout_length, a.breakout_length);
  add(app, options::port_spacing, a.port_spacing);
  app->add_flag("--compensate", a.compensate,
                "apply every correction for what the copper adds, so that it couples as the design does: end "
                "sections shortened by the coupled length their breakouts add, tapered steps between sections, "
                "the feeds' bends rounded to circular arcs, a capacitive stub at each step for what it delays the "
                "odd mode, each section's length trimmed for what remains of the coupling");
  app->add_option_function<std::string>(
      "--corrections", [&a](const std::string& v) { a.corrections = v; },
      "with --compensate, only these of its corrections, comma-separated: ends, junctions, bends, stubs, "
      "lengths (a study's way of seeing what each does; default all)")
      ->type_name("LIST");
  add(app, options::taper_length, a.taper_length);
}

void add_artwork(CLI::App* app, ArtworkArgs& a) {
  add_path(app, "--gerber", "DIR",
           "write Gerber X2 files of the copper into DIR (made when missing): <stem>-upper.gbr, "
           "<stem>-lower.gbr and <stem>-outline.gbr",
           a.gerber);
  add_path(app, "--dxf", "OUT.dxf", "write the copper as a DXF drawing (layers UPPER_STRIP, LOWER_STRIP, OUTLINE)",
           a.dxf);
  add_path(app, "--svg", "OUT.svg",
           "draw the copper for a person: top view, dimension table, cross-section to scale", a.svg);
  add_path(app, "--kicad", "OUT.kicad_mod", "write a KiCad footprint of the copper on In1.Cu and In2.Cu", a.kicad);
  add_layout_choice(app, a);
}

/// One line for a parse error, naming the subcommand whose help explains it.
std::string parse_error_line(const CLI::App& app, const CLI::Error& e) {
  std::string where = "quillomate";
  for (const CLI::App* sub : app.get_subcommands()) where += " " + sub->get_name();
  std::string what = e.what();
  std::replace(what.begin(), what.end(), '\n', ' ');
  // "The following argument..." reads better inside a line; "FILE is..." keeps its capitals.
  if (what.size() > 1 && std::islower(static_cast<unsigned char>(what[1])))
    what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  return where + ": " + what + " (see " + where + " --help)";
}

/// Help and version are output too: standard output is judged after them.
int written(Surroundings& env) {
  return CliContext{env, ""}.stdout_written() ? exit_ok : exit_output_failed;
}

}  // namespace

int run_command_line(Surroundings& env, const std::vector<std::string>& args) {
  CLI::App app("Quillomate designs and analyses N-section TEM-mode coupled-line directional couplers.",
               "quillomate");
  app.set_version_flag("--version", kVersion);
  app.footer(kProgramFooter);
  app.require_subcommand(1);
  app.fallthrough(false);

  AnalyseArgs analyse;
  CLI::App* an = app.add_subcommand("analyse", "analyse a design-data file over a frequency sweep");
  an->alias("analyze");
  an->add_option("FILE", analyse.file, "design-data file")->required();
  add_path(an, "--stackup", "STACK.toml",
           "analyse the design as built in this board: field-solved impedances, each mode's phase "
           "velocity and loss, physical lengths (not with --velocity-ratio or --loss)",
           analyse.stackup);
  add_sweep(an, analyse.sweep);
  add(an, options::format, analyse.format);
  add_path(an, "--report", "OUT", "write the report to a file as well", analyse.report);
  add_exports(an, analyse.exports);
  an->add_flag("-q,--quiet", analyse.quiet,
               "do not print the report on standard output (an export may then take it: --csv -)");
  an->add_flag("--discontinuities", analyse.discontinuities,
               "with --stackup, also the copper as laid out: the breakouts and the junctions' tapers and jogs "
               "as lines field-solved in the board, beside the design as built");
  add_layout_choice(an, analyse.layout);
  an->footer(kAnalyseFooter);

  DimensionsArgs dims;
  CLI::App* di = app.add_subcommand("dimensions", "offset broadside-coupled strip dimensions of a design");
  di->add_option("FILE", dims.file, "design-data file")->required();
  add_path(di, "--stackup", "STACK.toml",
           "after the report, the strips in this board: widths, offsets and lengths, field-solved "
           "impedances, each mode's effective permittivity and losses (the board gives B and S)",
           dims.stackup);
  add(di, options::b, dims.b);
  add(di, options::s, dims.s);
  di->add_option("--centre,--center", dims.centre,
                 "centre section: offset strips, or overlap (superposed strips, no offset)")
      ->type_name("offset|overlap")
      ->check(CLI::IsMember({"offset", "overlap"}));
  add(di, options::velocity_ratio, dims.velocity_ratio);
  add(di, options::loss, dims.loss);
  di->add_flag("--field-solve", dims.field_solve,
               "after the report, the strips refined with a 2-D field solver until they have each "
               "section's impedances, and how far each closed-form solution is off");
  add_path(di, "--csv", "OUT.csv",
           "with --field-solve or --stackup: the strips of that table, one row per section", dims.csv);
  di->footer(kDimensionsFooter);

  SynthesizeArgs synth;
  CLI::App* sy = app.add_subcommand("synthesize", "synthesise a coupler from band, coupling and ripple");
  sy->alias("synthesise");
  CLI::Option* sym = sy->add_flag("--symmetrical", synth.symmetrical, "a mirror-symmetric coupler (odd N)");
  CLI::Option* asym = sy->add_flag("--asymmetrical", synth.asymmetrical, "an asymmetrical coupler");
  sym->excludes(asym);
  add(sy, options::flow, synth.flow)->required();
  add(sy, options::fhigh, synth.fhigh)->required();
  add(sy, options::coupling, synth.coupling)->required();
  add(sy, options::ripple, synth.ripple)->required();
  CLI::Option* engine = sy->add_flag("--equal-ripple", synth.equal_ripple,
                                     "design with the equal-ripple engine even for a level and ripple the tables hold");
  sy->add_flag("--tables", synth.tables,
               "the tables' design and report exactly as the dialogue's functions 1 and 2 give them, even where "
               "it ripples more than asked or the band needs more sections than the tables hold")
      ->excludes(engine);
  add(sy, options::sections, synth.sections);
  add(sy, options::flat_tolerance, synth.flat_tolerance);
  add(sy, options::zo, synth.zo);
  add(sy, options::er, synth.er);
  add(sy, options::synth_b, synth.b);
  add(sy, options::synth_s, synth.s);
  add_path(sy, "--stackup", "STACK.toml",
           "the design's strips in this board and its response as built there; the exports are of "
           "the design as built (the board gives B, S and the design file's Er)",
           synth.stackup);
  add_path(sy, "--write-design", "OUT", "write the design as a design-data file", synth.write_design);
  add_sweep(sy, synth.sweep);
  add_exports(sy, synth.exports);
  add_artwork(sy, synth.artwork);
  sy->footer(kSynthesizeFooter);

  LayoutArgs lay;
  CLI::App* la = app.add_subcommand("layout", "the coupler as copper: Gerber, DXF, KiCad footprint, drawing");
  la->add_option("FILE", lay.file, "design-data file")->required();
  add_path(la, "--stackup", "STACK.toml", "the board the copper is drawn in (required)", lay.stackup);
  add_artwork(la, lay.artwork);
  la->footer(kLayoutFooter);

  FullwaveArgs full;
  CLI::App* fw = app.add_subcommand("fullwave", "an openEMS model of the laid-out coupler, run beside the circuit model");
  fw->add_option("FILE", full.file, "design-data file")->required();
  add_path(fw, "--stackup", "STACK.toml", "the board the copper is modelled in (required)", full.stackup);
  add_path(fw, "--out", "DIR", "the folder for the models and, with --run, the results (required)", full.out);
  fw->add_flag("--run", full.run, "run openEMS on the models and compare with the circuit model");
  fw->add_option("--mesh", full.mesh, "mesh density (default normal)")
      ->type_name("coarse|normal|fine")
      ->check(CLI::IsMember({"coarse", "normal", "fine"}));
  add(fw, options::start, full.sweep.start);
  add(fw, options::stop, full.sweep.stop);
  add(fw, options::step, full.sweep.step);
  add(fw, options::threads, full.threads);
  add(fw, options::side_walls, full.side_walls);
  add(fw, options::port_feed, full.port_feed);
  add_layout_choice(fw, full.layout);
  fw->add_flag("--all-ports", full.all_ports,
               "drive every port, using no symmetry (a check of the symmetries and of reciprocity)");
  fw->add_flag("--collect", full.collect,
               "after openEMS was run by hand in DIR, read its probe files and write what --run writes");
  fw->footer(kFullwaveFooter);

  // A first word that is no option and no command is the likeliest slip.
  const bool known = !args.empty() && (an->check_name(args[0]) || di->check_name(args[0]) ||
                                       sy->check_name(args[0]) || la->check_name(args[0]) ||
                                       fw->check_name(args[0]));
  if (!args.empty() && !known && (args[0].empty() || args[0][0] != '-')) {
    env.err << "quillomate: \"" << args[0]
            << "\" is not a command: analyse, dimensions, synthesize, layout or fullwave (see quillomate --help)\n";
    return exit_usage;
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    app.exit(e, env.out, env.err);
    return written(env);
  } catch (const CLI::CallForAllHelp& e) {
    app.exit(e, env.out, env.err);
    return written(env);
  } catch (const CLI::CallForVersion&) {
    env.out << kVersion << "\n";
    return written(env);
  } catch (const CLI::ParseError& e) {
    env.err << parse_error_line(app, e) << "\n";
    return exit_usage;
  }

  if (an->parsed()) return run_analyse(CliContext{env, "analyse"}, analyse);
  if (di->parsed()) return run_dimensions_command(CliContext{env, "dimensions"}, dims);
  if (la->parsed()) return run_layout(CliContext{env, "layout"}, lay);
  if (fw->parsed()) return run_fullwave(CliContext{env, "fullwave"}, full);
  return run_synthesize(CliContext{env, "synthesize"}, synth);
}

}  // namespace quill

#include "dialogue/settings_dialogue.hpp"

#include "analysis/section_model.hpp"
#include "dialogue/file_messages.hpp"
#include "common/fixed.hpp"

namespace quill {

namespace {

constexpr Menu kVelocityMenu{1, 5, 1};
constexpr Menu kLossMenu{1, 6, 1};
constexpr Menu kFormatMenu{1, 1, 2};   // only format 1 is a choice; anything else is 2
constexpr Menu kStorageMenu{1, 1, 0};  // only 1 turns storage on

constexpr std::string_view kVelocityQuestion =
    "        -Enter Relative Phase Velocity between Coupled Strips:\n"
    "             *1 = Even-Mode equals Odd-Mode Phase Velocity (Default).\n"
    "              2 = Even-Mode is 97.5% of Odd-Mode Phase Velocity.\n"
    "              3 = Even-Mode is 95.0% of Odd-Mode Phase Velocity.\n"
    "              4 = Even-Mode is 92.5% of Odd-Mode Phase Velocity.\n"
    "              5 = Even-Mode is 90.0% of Odd-Mode Phase Velocity.\n"
    "          Enter integer value from above list = ";

constexpr std::string_view kLossChoices =
    "             *1 = Lossless Coupler (Default).\n"
    "              2 = Loss at 0.125dB per inch.\n"
    "              3 = Loss at 0.25dB per inch.\n"
    "              4 = Loss at 0.5dB per inch.\n"
    "              5 = Loss at 1.0dB per inch.\n"
    "              6 = Loss at 2.0dB per inch.\n"
    "          Enter integer value from above list = ";

constexpr std::string_view kFormatQuestion =
    "\n        Select output data print FORMAT:\n"
    "             1: Scattering Parameters: Magnitude (dB) & Phase (Degrees).\n"
    "            *2: VSWR, Losses (dB) and Phase Quadrature (Default).\n"
    "        Print FORMAT selected = ";

constexpr std::string_view kStorageQuestion = "\n        Is Output Data STORAGE desired? (1=YES)  = ";

constexpr std::string_view kStorageName =
    "      Enter a FILENAME (up to 20 characters) for Output Data storage: \n"
    "          - Enter: Filename.xls for storage in a spreadsheet\n"
    "          - Enter: Filename.doc for storage in a word processor\n"
    "          - Enter: Filename.txt for storage as a text document\n"
    "           Enter your FILENAME for Output Data Storage: ";

constexpr std::string_view kStorageEntry = "storage filename.";

// Storage must never overwrite the program's own files or the design read in
// this run: such a name is diverted to a spreadsheet file of the program's.
bool protected_name(std::string_view name, const SettingsContext& ctx) {
  if (name == "Quillomate.DEF" || name == "Quillomate.EXE") return true;
  const std::string_view design = trimmed(ctx.fnuser);
  if (design.empty()) return false;
  if (name == design) return true;
  std::error_code ec;
  return std::filesystem::equivalent(ctx.workdir / std::string(name),
                                     ctx.workdir / std::string(design), ec);
}

Flow ask_range(Console& con, const Defaults& defs, AnalysisSettings& s) {
  con.say("\n      Enter Frequency Range for Analysis of Coupler:\n");
  auto start = con.askreal("        - Analysis Start Frequency, MHz = ", defs.fstartdef, Accept::positive);
  if (!start) return Flow::stop;
  auto stop = con.askreal("        - Analysis Stop  Frequency, MHz = ", defs.fstopdef, Accept::positive);
  if (!stop) return Flow::stop;
  auto step = con.askreal("        - Analysis Step  Frequency, MHz = ", defs.deltafdef, Accept::positive);
  if (!step) return Flow::stop;
  s.fstart = *start;
  s.fstop = *stop;
  s.deltaf = *step;
  return Flow::go;
}

Flow ask_format_and_storage(Console& con, const SettingsContext& ctx, AnalysisSettings& s,
                            Storage& storage) {
  auto format = con.askopt(kFormatQuestion, kFormatMenu);
  if (!format) return Flow::stop;
  s.iprint = *format;

  s.istore = 0;
  auto store = con.askopt(kStorageQuestion, kStorageMenu);
  if (!store) return Flow::stop;
  if (*store != 1) return Flow::go;
  s.istore = 1;

  auto name = con.askname(kStorageName);
  if (!name) {
    con.say(user_file_error_message(ctx.fnuser, kStorageEntry));
    return Flow::stop;
  }
  s.fn = ctx.defs.fndef;
  if (!trimmed(*name).empty()) s.fn = *name;
  if (protected_name(trimmed(s.fn), ctx)) s.fn = name_field("Quillomate.XLS");
  if (!storage.open(ctx.workdir, s.fn, ctx.open_output)) {
    con.say(user_file_error_message(ctx.fnuser, kStorageEntry));
    return con.pause() ? Flow::end : Flow::stop;
  }
  return Flow::go;
}

}  // namespace

Flow ask_settings(Console& con, const SettingsContext& ctx, CouplerDesign& d, AnalysisSettings& s,
                  Storage& storage, const std::optional<SweepRange>& file_sweep) {
  auto itype = con.askopt(kVelocityQuestion, kVelocityMenu);
  if (!itype) return Flow::stop;
  s.itype = *itype;
  apply_velocity(d, velocity[static_cast<size_t>(s.itype - 1)]);

  con.say(Text().sp(8).lit("- Enter Coupler`s Loss Level at Center Frequency:").f(d.f0, 10, 3)
              .lit(" MHz.").nl());
  auto iloss = con.askopt(kLossChoices, kLossMenu);
  if (!iloss) return Flow::stop;
  s.iloss = *iloss;
  apply_loss(d, closs[static_cast<size_t>(s.iloss - 1)]);

  if (file_sweep) {
    s.fstart = file_sweep->fstart;
    s.fstop = file_sweep->fstop;
    s.deltaf = file_sweep->deltaf;
  } else if (Flow f = ask_range(con, ctx.defs, s); f != Flow::go) {
    return f;
  }
  return ask_format_and_storage(con, ctx, s, storage);
}

Flow ask_rerun_settings(Console& con, const SettingsContext& ctx, AnalysisSettings& s,
                        Storage& storage) {
  if (Flow f = ask_range(con, ctx.defs, s); f != Flow::go) return f;
  return ask_format_and_storage(con, ctx, s, storage);
}

}  // namespace quill

#include "dialogue/dialogue.hpp"

#include <cerrno>
#include <fstream>
#include <optional>
#include <string>

#include "analysis/report.hpp"
#include "dialogue/settings_dialogue.hpp"
#include "dialogue/storage.hpp"
#include "console/console.hpp"
#include "files/defaults_file.hpp"
#include "dialogue/design_file.hpp"
#include "dialogue/file_messages.hpp"
#include "dialogue/typed_design.hpp"
#include "common/fixed.hpp"
#include "common/written_file.hpp"
#include "dialogue/dimension_dialogue.hpp"
#include "synthesis/design_tables.hpp"
#include "dialogue/synthesis_dialogue.hpp"

namespace quill {

namespace {

constexpr Menu kFunctionMenu{1, 4, 1};
constexpr Menu kOperationMenu{1, 3, 4};  // 4 and every answer outside 1..3 end the program

constexpr std::string_view kFunctionQuestion =
    "\n      This program performs electrical SYNTHESIS, dimensional SYNTHESIS and\n"
    "      theoretical frequency ANALYSIS of N-section Symmetrical or Asymmetrical\n"
    "      TEM-Mode Directional Couplers.\n"
    "\n"
    "      Please select a Program FUNCTION:\n"
    "        *1: Synthesize an N-section Symmetrical Coupler (Default).\n"
    "         2: Synthesize an N-section Asyymetrical Coupler.\n"
    "         3: User enters the design parameters for the Coupler.\n"
    "         4: User enters a filename that contains the design parameters.\n"
    "               Program FUNCTION selected = ";

constexpr std::string_view kOperationQuestion =
    "\n      Coupler calculations completed. Select next OPERATION:\n"
    "               1. Change Analysis Frequencies & Re-run.\n"
    "               2. Design a new Multi-Section Directional Coupler.\n"
    "               3. Synthesize physical dimensions of your Coupler.\n"
    "              *4. EXIT to operating system (Default).\n"
    "      OPERATION selected = ";

constexpr std::string_view kNoDesign =
    "\n      No coupler design has been completed yet: select 2 to design one.\n";

/// Everything the driver owns for the whole run.
class Run {
 public:
  Run(Surroundings& env, Console& con, const Defaults& defs)
      : env_(env), con_(con), defs_(defs), fnuser_(name_field("")) {}

  int main_loop();
  bool storage_failed() const { return storage_.ever_failed(); }

 private:
  enum class Next { new_cycle, end, stop };

  Flow design_cycle();
  Flow analyse(const std::optional<SweepRange>& file_sweep, bool rerun);
  Next operation_menu();
  static int status(Flow f) { return f == Flow::stop ? 2 : 0; }

  Surroundings& env_;
  Console& con_;
  const Defaults& defs_;
  CouplerDesign design_;
  bool have_design_ = false;
  AnalysisSettings settings_;
  TimeStamp stamp_;
  DesignTables block1_;
  std::string fnuser_;
  float gpsuser_ = 0, suser_ = 0;
  Storage storage_;
};

int Run::main_loop() {
  for (;;) {
    if (Flow f = design_cycle(); f != Flow::go) return status(f);
    switch (operation_menu()) {
      case Next::new_cycle: continue;
      case Next::end: return 0;
      case Next::stop: return 2;
    }
  }
}

// Banner, function menu and the design it asks for, then its analysis.
Flow Run::design_cycle() {
  stamp_ = env_.clock();
  con_.say(Text().nl().nl().nl()
               .sp(16).lit("   RF/Microwave Computer-Aided Engineering Software").nl()
               .sp(16).lit("   Program: Quillomate (v. 1.3)    Date:").i(stamp_.imon, 2).lit("/")
               .i(stamp_.iday, 2).lit("/").i(stamp_.iyr, 4).nl().nl());
  auto ifunc = con_.askopt(kFunctionQuestion, kFunctionMenu);
  if (!ifunc) return Flow::stop;

  switch (*ifunc) {
    case 1:
    case 2: {
      // A new design becomes current only when the synthesis succeeds.
      SynthesisResult r = synthesize(con_, *ifunc, defs_, block1_);
      if (r.status == SynthesisResult::stop) return Flow::stop;
      if (r.status == SynthesisResult::too_wide) return Flow::go;
      design_ = r.design;
      break;
    }
    case 3: {
      auto typed = enter_design(con_, defs_);
      if (!typed) return Flow::stop;
      design_ = *typed;
      break;
    }
    default: {
      FileDesignRead r = read_design_file(con_, env_.workdir, fnuser_);
      if (r.status == FileDesignRead::stop) return Flow::stop;
      if (r.status == FileDesignRead::fault) return con_.pause() ? Flow::end : Flow::stop;
      design_ = r.values.design;
      gpsuser_ = r.values.gpsuser;
      suser_ = r.values.suser;
      have_design_ = true;
      return analyse(SweepRange{r.values.fstart, r.values.fstop, r.values.deltaf}, false);
    }
  }
  have_design_ = true;
  return analyse(std::nullopt, false);
}

// Settings dialogue, then the report with its sweep.
Flow Run::analyse(const std::optional<SweepRange>& file_sweep, bool rerun) {
  const SettingsContext ctx{defs_, env_.workdir, fnuser_, env_.open_output};
  const Flow f = rerun ? ask_rerun_settings(con_, ctx, settings_, storage_)
                       : ask_settings(con_, ctx, design_, settings_, storage_, file_sweep);
  if (f != Flow::go) return f;
  ReportOut out(env_.out, settings_.istore == 1 ? &storage_.stream() : nullptr);
  print_report(out, design_, settings_, stamp_);
  return judge_report(out, con_, storage_, settings_) ? Flow::go : Flow::stop;
}

Run::Next Run::operation_menu() {
  for (;;) {
    auto isel = con_.askopt(kOperationQuestion, kOperationMenu);
    if (!isel) return Next::stop;
    if ((*isel == 1 || *isel == 3) && !have_design_) {
      con_.say(kNoDesign);
      continue;
    }
    switch (*isel) {
      case 1:
        if (Flow f = analyse(std::nullopt, true); f != Flow::go)
          return f == Flow::stop ? Next::stop : Next::end;
        continue;
      case 2:
        return Next::new_cycle;
      case 3: {
        const bool from_file = design_.ifunc == 4;
        const DimensionContext ctx{design_,
                                   from_file ? gpsuser_ : defs_.gpsdef,
                                   from_file ? suser_ : defs_.sdef,
                                   stamp_,
                                   storage_,
                                   settings_};
        const Flow f = run_dimensions(con_, ctx);
        if (f == Flow::go) return Next::new_cycle;
        return f == Flow::stop ? Next::stop : Next::end;
      }
      default:
        return Next::end;
    }
  }
}

}  // namespace

int run_dialogue(Surroundings& env) {
  Console con(env.in, env.out, env.err);
  Defaults defs;
  {
    // A file that opens but cannot be read (a directory) counts as not there.
    std::ifstream file(env.workdir / defaults_file_name);
    const bool readable = file.is_open() && (file.peek(), !file.bad());
    const DefaultsRead r = readable ? read_defaults(file, defs) : DefaultsRead{EntryFile::unreadable, {}};
    if (r.fault == EntryFile::unreadable) {
      env.err << "quillomate: stopped: cannot open the defaults file " << defaults_file_name
              << " in " << env.workdir.string() << "\n";
      return 2;
    }
    if (r.fault != EntryFile::none) {
      con.say(defaults_fault_message(r));
      const bool paused = con.pause();
      if (con.failed()) return exit_write_failed;
      return paused ? 0 : 2;
    }
  }
  Run run(env, con, defs);
  const int status = run.main_loop();
  // Nothing is reported as done that was not written: a console or a storage
  // file that failed ends the run with the write-failure status.
  errno = 0;
  env.out.flush();
  if (!env.out) con.console_failed(failure_reason(errno));
  return con.failed() || run.storage_failed() ? exit_write_failed : status;
}

}  // namespace quill

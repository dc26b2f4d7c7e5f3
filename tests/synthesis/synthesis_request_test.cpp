// A synthesis request designed in one place for every front end: the tables
// where they hold the level and ripple (the dialogue's own design), the
// engine otherwise, the command line's words for a value out of range, and a
// written sweep of round steps around the band.

#include "synthesis/synthesis_request.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "common/matched_section.hpp"
#include "synthesis/band_sweep.hpp"
#include "synthesis/equal_ripple.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {
namespace {

// The names two front ends give the values: flags, and a script's parameters.
constexpr RequestNames kFlags{"--flow", "--fhigh", "--coupling", "--ripple",
                              "--sections", "--flat-tolerance", "--zo", "--er"};
constexpr RequestNames kParameters{"flow_mhz", "fhigh_mhz", "coupling_db", "ripple_db",
                                   "sections", "flat_tolerance_db", "zo_ohm", "er"};

SynthesisRequest request(TableKind kind, float flow, float fhigh, float level, float ripple) {
  SynthesisRequest r;
  r.kind = kind;
  r.flow = flow;
  r.fhigh = fhigh;
  r.level = level;
  r.ripple = ripple;
  return r;
}

void expect_same_sections(const CouplerDesign& a, const CouplerDesign& b) {
  ASSERT_EQ(a.n, b.n);
  EXPECT_EQ(a.f0, b.f0);
  EXPECT_EQ(a.zoemax, b.zoemax);
  for (int i = 1; i <= a.n; ++i) {
    EXPECT_EQ(a.sec(i).zoe, b.sec(i).zoe) << i;
    EXPECT_EQ(a.sec(i).zoo, b.sec(i).zoo) << i;
    EXPECT_EQ(a.sec(i).length, b.sec(i).length) << i;
  }
}

TEST(SynthesisRequest, TablesWhereTheyMeetTheRequestTheEngineOtherwise) {
  const TableKind sym = TableKind::symmetrical, asym = TableKind::asymmetrical;
  enum Route { tables, engine, engine_instead };
  struct Case {
    SynthesisRequest r;
    Route route;
  };
  SynthesisRequest given_count = request(sym, 4000, 8000, 8.34f, 0.3f);
  given_count.sections = 5;
  SynthesisRequest asked = request(sym, 4000, 8000, 8.34f, 0.3f);
  asked.equal_ripple = true;
  SynthesisRequest kept = request(sym, 4000, 8000, 8.34f, 0.3f);
  kept.tables = true;
  SynthesisRequest flat = request(sym, 4000, 8000, 10, 0);
  flat.flat_tolerance = 0.01f;  // the tables' flat design strays 0.043 dB
  const Case cases[] = {
      {request(sym, 4000, 8000, 10, 0.2f), tables},      {request(asym, 2000, 6000, 15, 0.7f), tables},
      {request(sym, 4000, 8000, 10, 0), tables},         {kept, tables},
      {request(sym, 4000, 8000, 8.34f, 0.3f), engine_instead},
      {request(sym, 1000, 10000, 10, 0.2f), engine_instead},
      {flat, engine_instead},
      {request(sym, 4000, 8000, 15, 0.3f), engine},      {request(sym, 4000, 8000, 8.34f, 0.25f), engine},
      {request(sym, 4000, 8000, 10, 0.7f), engine},      {given_count, engine},
      {asked, engine},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.r.flow) + " to " + std::to_string(c.r.fhigh) + " MHz, " +
                 std::to_string(c.r.level) + " dB +/- " + std::to_string(c.r.ripple));
    EXPECT_EQ(designed_from_tables(c.r), c.route != engine);
    const SynthesisOutcome o = synthesize_request(c.r, kFlags);
    ASSERT_EQ(o.status, SynthesisOutcome::designed) << o.message;
    EXPECT_EQ(o.from_tables, c.route == tables);
    EXPECT_EQ(o.engine_instead.empty(), c.route != engine_instead) << o.engine_instead;
    // Whichever designed it, its design meets the request, or the report
    // will say it does not (the tables' kept answer, or a given count).
    const double deviation = band_swing(o.design).deviation_db;
    if (c.route != tables && !c.r.sections)
      EXPECT_FALSE(ripples_more_than(deviation, c.r.ripple > 0 ? c.r.ripple : c.r.flat_tolerance)) << deviation;
    // The same design the dialogue's path (tables) or the engine itself
    // gives, as its design-data file holds it.
    CouplerDesign expected;
    set_band(expected, c.r.kind, c.r.flow, c.r.fhigh);
    if (c.route == tables) {
      auto block1 = std::make_unique<DesignTables>();
      const auto& levels = coupling_levels(c.r.kind);
      int icoup = 1, m = 1;
      while (levels[static_cast<size_t>(icoup - 1)] != c.r.level) ++icoup;
      while (menu_ripples[static_cast<size_t>(m - 1)] != c.r.ripple) ++m;
      ASSERT_TRUE(choose_table_row(expected, *block1, icoup, m).found);
      lay_out_table_design(expected, *block1, c.r.zo, c.r.er);
    } else {
      RippleRequest e;
      e.form = c.r.kind == sym ? CouplerForm::symmetrical : CouplerForm::asymmetrical;
      e.level_db = c.r.level;
      e.ripple_db = c.r.ripple;
      e.flow_mhz = c.r.flow;
      e.fhigh_mhz = c.r.fhigh;
      e.sections = c.r.sections.value_or(0);
      e.flat_tolerance_db = c.r.flat_tolerance;
      const RippleResult r = synthesize_equal_ripple(e);
      ASSERT_EQ(r.status, RippleResult::designed);
      lay_out_engine_design(expected, r.design, c.r.level, c.r.zo, c.r.er);
    }
    hold_as_in_file(expected);
    expect_same_sections(o.design, expected);
    // Holding it as the file does is a fixed point: written again, it reads back the same.
    CouplerDesign again = o.design;
    hold_as_in_file(again);
    expect_same_sections(again, o.design);
  }
}

TEST(SynthesisRequest, RefusedValuesInTheCommandLinesWordsAndOrder) {
  const SynthesisRequest good = request(TableKind::symmetrical, 4000, 8000, 10, 0.3f);
  EXPECT_FALSE(request_fault(good, kFlags));
  struct Case {
    void (*change)(SynthesisRequest&);
    const char* says;
  };
  const Case cases[] = {
      {[](SynthesisRequest& r) { r.flow = 0; }, "--flow must be above 0 MHz (got 0)"},
      {[](SynthesisRequest& r) { r.fhigh = NAN; }, "--fhigh: \"nan\" is not a number"},
      {[](SynthesisRequest& r) { r.fhigh = 3000; }, "--fhigh (3000 MHz) must be above --flow (4000 MHz)"},
      {[](SynthesisRequest& r) { r.level = 31; }, "--coupling must be between 3 and 30 dB (got 31)"},
      {[](SynthesisRequest& r) { r.ripple = 0.005f; },
       "--ripple must be 0 (maximally flat) or between 0.01 and 1.5 dB (got 0.005)"},
      {[](SynthesisRequest& r) { r.sections = 0; }, "--sections must be between 1 and 15 (got 0)"},
      {[](SynthesisRequest& r) { r.sections = 4; },
       "--sections must be odd, from 1 to 15, for a symmetrical coupler (got 4)"},
      {[](SynthesisRequest& r) { r.kind = TableKind::asymmetrical, r.sections = 13; },
       "--sections must be from 2 to 12 for an asymmetrical coupler (got 13)"},
      {[](SynthesisRequest& r) { r.flat_tolerance = 0.0005f; },
       "--flat-tolerance must be between 0.001 and 1.5 dB (got 0.0005)"},
      {[](SynthesisRequest& r) { r.zo = -50; }, "--zo must be above 0 ohms (got -50)"},
      {[](SynthesisRequest& r) { r.er = 0.99f; }, "--er must be between 1 and 100 (got 0.99)"},
      {[](SynthesisRequest& r) { r.er = 1e6f; }, "--er must be between 1 and 100 (got 1000000)"},
      // Two faults: the first in the command line's order is named.
      {[](SynthesisRequest& r) { r.er = 0, r.level = 2; }, "--coupling must be between 3 and 30 dB (got 2)"},
  };
  for (const Case& c : cases) {
    SynthesisRequest r = good;
    c.change(r);
    EXPECT_EQ(request_fault(r, kFlags).value_or("(none)"), c.says);
    const SynthesisOutcome o = synthesize_request(r, kFlags);
    EXPECT_EQ(o.status, SynthesisOutcome::bad_request);
    EXPECT_EQ(o.message, c.says);
    // The same message in a script's words: each flag becomes its parameter.
    std::string in_parameters = c.says;
    const std::string_view flags[] = {kFlags.flow, kFlags.fhigh, kFlags.coupling, kFlags.ripple, kFlags.sections,
                                      kFlags.flat_tolerance, kFlags.zo, kFlags.er};
    const std::string_view parameters[] = {kParameters.flow, kParameters.fhigh, kParameters.coupling,
                                           kParameters.ripple, kParameters.sections, kParameters.flat_tolerance,
                                           kParameters.zo, kParameters.er};
    for (size_t k = 0; k < std::size(flags); ++k) {
      const std::string flag = std::string(flags[k]) + ' ';  // whole names: --fhigh is not --flow's
      for (size_t at; (at = in_parameters.find(flag)) != std::string::npos;)
        in_parameters.replace(at, flag.size(), std::string(parameters[k]) + ' ');
      const std::string colon = std::string(flags[k]) + ':';
      if (size_t at = in_parameters.find(colon); at != std::string::npos)
        in_parameters.replace(at, colon.size(), std::string(parameters[k]) + ':');
    }
    EXPECT_EQ(in_parameters.find("--"), std::string::npos) << in_parameters;
    EXPECT_EQ(request_fault(r, kParameters).value_or("(none)"), in_parameters);
  }
}

TEST(SynthesisRequest, NoDesignNamesTheLargestCountAndWhatItReaches) {
  const SynthesisOutcome engine = synthesize_request(request(TableKind::asymmetrical, 100, 20000, 10, 0.05f), kFlags);
  EXPECT_EQ(engine.status, SynthesisOutcome::no_design);
  EXPECT_EQ(engine.largest_sections, max_asymmetrical_sections);
  ASSERT_TRUE(engine.best_ripple_db);
  EXPECT_GT(*engine.best_ripple_db, 0.05);
  EXPECT_NE(engine.message.find("12 sections reach +/- " + std::to_string(*engine.best_ripple_db).substr(0, 4)),
            std::string::npos)
      << engine.message;
  // The tables' own words where they are kept; the engine's, where it
  // designs for them and no count of its own fits either.
  SynthesisRequest kept = request(TableKind::symmetrical, 100, 100000, 8.34f, 0.3f);
  const SynthesisOutcome instead = synthesize_request(kept, kFlags);
  EXPECT_EQ(instead.status, SynthesisOutcome::no_design);
  EXPECT_EQ(instead.largest_sections, max_symmetrical_sections);
  EXPECT_TRUE(instead.best_ripple_db);
  kept.tables = true;
  const SynthesisOutcome tables = synthesize_request(kept, kFlags);
  EXPECT_EQ(tables.status, SynthesisOutcome::no_design);
  EXPECT_EQ(tables.largest_sections, 9);
  EXPECT_FALSE(tables.best_ripple_db);
  EXPECT_EQ(tables.message,
            "ERROR: Number of coupled sections exceeds N = 9. Reduce operating frequency range or increase passband "
            "ripple to synthesize your next directional coupler.");
}

TEST(BandSweep, RoundStepsFromAQuarterBandBelowToAQuarterBandAbove) {
  const float bands[][2] = {{4000, 8000}, {1000, 10000}, {900, 1100}, {1, 3}, {2400, 2483.5f}, {10, 40000}};
  for (const auto& [flow, fhigh] : bands) {
    SCOPED_TRACE(std::to_string(flow) + " to " + std::to_string(fhigh));
    const AnalysisSettings s = sweep_around(flow, fhigh);
    const double mantissa = s.deltaf / std::pow(10.0, std::floor(std::log10(s.deltaf) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
        << s.deltaf;
    const float quarter = 0.25f * (fhigh - flow);
    EXPECT_TRUE(s.fstart <= flow - quarter || s.fstart == s.deltaf) << s.fstart;
    EXPECT_GT(s.fstart, 0);
    EXPECT_GE(s.fstop, fhigh + quarter);
    // The step is the span / 400 rounded up to 1, 2 or 5: at most 2.5 times
    // that, so the sweep has 160 to 400 steps, and two for the rounding out.
    const double steps = (s.fstop - s.fstart) / s.deltaf;
    EXPECT_GE(steps, 160);
    EXPECT_LE(steps, 402);
    // On round frequencies: whole steps (up to the float rounding of a step like 0.2).
    for (double f : {s.fstart, s.fstop}) EXPECT_NEAR(f / s.deltaf, std::round(f / s.deltaf), 1e-4) << f;
  }
}

}  // namespace
}  // namespace quill

// The electrical synthesis dialogue: menus, the section-count search and the
// design it leaves behind.

#include "dialogue/synthesis_dialogue.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace quill {
namespace {

Defaults defaults() {
  Defaults d;
  d.ndef = 1;
  d.z0def = 50;
  d.erdef = 2.2f;
  return d;
}

struct Synthesis {
  SynthesisResult result;
  std::string out;
};

// Answers: lowest and highest frequency, coupling, ripple, Zo, Er.
Synthesis synth(int ifunc, const std::string& typed, DesignTables& block1) {
  std::istringstream in(typed);
  std::ostringstream out, err;
  Console con(in, out, err);
  Synthesis r{synthesize(con, ifunc, defaults(), block1), out.str()};
  return r;
}
Synthesis synth(int ifunc, const std::string& typed) {
  DesignTables block1;
  return synth(ifunc, typed, block1);
}

TEST(SynthesisDialogue, DefaultSymmetricalRoad) {
  Synthesis r = synth(1, "\n\n\n\n\n\n");
  ASSERT_EQ(r.result.status, SynthesisResult::designed);
  const CouplerDesign& d = r.result.design;
  EXPECT_EQ(d.n, 3);
  EXPECT_EQ(d.f0, 6000.0f);
  EXPECT_EQ(d.coupler, 8.34f);
  EXPECT_EQ(d.ripple, 0.3f);
  EXPECT_EQ(d.sec(1).zoe, 1.0967f);
  EXPECT_EQ(d.sec(2).zoe, 1.77299f);
  EXPECT_EQ(d.sec(3).zoe, d.sec(1).zoe);  // mirror image
  EXPECT_EQ(d.zoemax, 50.0f * 1.77299f);  // the centre section
  EXPECT_NE(r.out.find("- Center Frequency =  6000.000 MHz; Bandwidth= Fhigh/Flow = 2.00000.\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("- Number of coupled sections needed: N = 3 for your  8.34 dB coupler.\n"),
            std::string::npos);
  for (int i = 1; i <= d.n; ++i) {
    EXPECT_NEAR(d.sec(i).zoe * d.sec(i).zoo, 1.0f, 1e-6f);  // Zoe Zoo = Zo^2
    EXPECT_NEAR(d.sec(i).length * std::sqrt(2.2f), speed / 6000.0f / 4.0f, 1e-6f);
    EXPECT_NEAR(d.sec(i).thetae, pi / 2, 1e-6f);
  }
}

TEST(SynthesisDialogue, DefaultAsymmetricalRoad) {
  Synthesis r = synth(2, "\n\n\n\n\n\n");
  ASSERT_EQ(r.result.status, SynthesisResult::designed);
  const CouplerDesign& d = r.result.design;
  EXPECT_EQ(d.n, 2);
  EXPECT_EQ(d.coupler, 10.0f);
  EXPECT_EQ(d.zoemax, 50.0f * 1.54913f);  // the first section is the tightest
  EXPECT_NE(r.out.find(" *3 = 10.0 dB Directional Coupler (Default).\n"), std::string::npos);
  EXPECT_NE(r.out.find("  4 = 15.0 dB Directional Coupler.\n"), std::string::npos);
}

TEST(SynthesisDialogue, CouplingMenuAnswers) {
  const std::pair<const char*, float> cases[] = {
      {"0", 8.34f}, {"6", 8.34f}, {"-1", 8.34f}, {"5.4", 20.0f}, {"5.5", 8.34f}, {"1.5", 6.02f}};
  for (auto [answer, level] : cases) {
    Synthesis r = synth(1, std::string("\n\n") + answer + "\n1\n\n\n");
    ASSERT_EQ(r.result.status, SynthesisResult::designed) << answer;
    EXPECT_EQ(r.result.design.coupler, level) << answer;
  }
}

TEST(SynthesisDialogue, UnlistedRippleEntries) {
  // Symmetrical 8 and 9 act like 7 (0.6 dB); asymmetrical 8 is the 0.7 dB
  // row and 9 falls back to the default 0.3 dB.
  EXPECT_EQ(synth(1, "\n\n\n8\n\n\n").result.design.ripple, 0.6f);
  EXPECT_EQ(synth(1, "\n\n\n9\n\n\n").result.design.ripple, 0.6f);
  EXPECT_EQ(synth(1, "\n\n\n7\n\n\n").result.design.ripple, 0.6f);
  EXPECT_EQ(synth(2, "\n\n\n8\n\n\n").result.design.ripple, 0.7f);
  EXPECT_EQ(synth(2, "\n\n\n9\n\n\n").result.design.ripple, 0.3f);
  EXPECT_EQ(synth(1, "\n\n\n1\n\n\n").result.design.ripple, 0.0f);
  EXPECT_EQ(synth(1, "\n\n\n6\n\n\n").result.design.ripple, 0.5f);
}

TEST(SynthesisDialogue, ZoAndErAnswers) {
  EXPECT_EQ(synth(1, "\n\n\n\n0\n0.5\n").result.design.er, 2.2f);
  EXPECT_EQ(synth(1, "\n\n\n\n-5\n1\n").result.design.er, 1.0f);
  EXPECT_EQ(synth(1, "\n\n\n\n-5\n1\n").result.design.z0, 50.0f);
  EXPECT_EQ(synth(1, "\n\n\n\n75\n\n").result.design.zoemax, 75.0f * 1.77299f);
}

TEST(SynthesisDialogue, BandTooWideForTheTable) {
  Synthesis sym = synth(1, "2000\n20000\n\n\n\n\n");
  EXPECT_EQ(sym.result.status, SynthesisResult::designed);
  EXPECT_EQ(sym.result.design.n, 9);

  Synthesis wide = synth(1, "1000\n20000\n\n\n");
  EXPECT_EQ(wide.result.status, SynthesisResult::too_wide);
  EXPECT_NE(wide.out.find("\n        ERROR: Number of coupled sections exceeds N = 9.\n"
                          "        Reduce operating frequency range or increase passband\n"
                          "        ripple to synthesize your next directional coupler.\n"),
            std::string::npos);
  EXPECT_EQ(wide.out.find("Zo,Ohms"), std::string::npos);  // Zo and Er are not asked

  Synthesis asym = synth(2, "1000\n11000\n\n\n");
  EXPECT_EQ(asym.result.status, SynthesisResult::too_wide);
  EXPECT_NE(asym.out.find("exceeds N = 6.\n"), std::string::npos);
}

TEST(SynthesisDialogue, ReversedBandIsAccepted) {
  Synthesis r = synth(1, "8000\n4000\n\n\n\n\n");
  ASSERT_EQ(r.result.status, SynthesisResult::designed);
  EXPECT_EQ(r.result.design.n, 3);  // a negative request is covered by the first row
}

TEST(SynthesisDialogue, EachSynthesisSeesItsOwnTable) {
  // The two tables share their cells; a refill before every search keeps a
  // symmetrical synthesis after an asymmetrical one identical to a fresh one.
  DesignTables shared;
  synth(2, "\n\n\n8\n\n\n", shared);
  Synthesis after = synth(1, "\n\n2\n3\n\n\n", shared);
  Synthesis fresh = synth(1, "\n\n2\n3\n\n\n");
  ASSERT_EQ(after.result.status, SynthesisResult::designed);
  EXPECT_EQ(after.result.design.n, fresh.result.design.n);
  EXPECT_EQ(after.result.design.ripple, fresh.result.design.ripple);
  for (int i = 1; i <= fresh.result.design.n; ++i)
    EXPECT_EQ(after.result.design.sec(i).zoe, fresh.result.design.sec(i).zoe);
  EXPECT_EQ(after.out, fresh.out);
}

TEST(SynthesisDialogue, EndOfInputStops) {
  for (const char* typed : {"", "4000\n", "\n\n\n", "\n\n\n\n", "\n\n\n\n\n"})
    EXPECT_EQ(synth(1, typed).result.status, SynthesisResult::stop) << typed;
}

}  // namespace
}  // namespace quill

// The band's figures: what the summaries print is what the response holds,
// over the band, ideal beside built, and a perfect coupler's floor in words.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/band_figures.hpp"
#include "analysis/section_model.hpp"
#include "analysis/sweep.hpp"
#include "common/fixed.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

TEST(BandFigures, TheSummaryPrintsTheResponsesOwnWorstOverTheBand) {
  const CouplerDesign ideal = testing_support::quarter_wave_design({1.25f, 1.9f, 1.25f}, 2.2f, 4000.0f);
  for (float ratio : {0.99f, 0.95f, 0.9f}) {
    CouplerDesign built = ideal;
    apply_velocity(built, ratio);
    const BandFigures b = band_figures(built, 2000.0f, 6000.0f, 201), i = band_figures(ideal, 2000.0f, 6000.0f, 201);
    // Each figure is the worst of the response at the points it is taken over.
    double least_isolation = INFINITY, least_directivity = INFINITY;
    for (int k = 0; k < 201; ++k) {
      const PortResponse r = port_response(built, 2000.0f + 4000.0f * static_cast<float>(k) / 200.0f);
      least_isolation = std::min(least_isolation, -20.0 * std::log10(static_cast<double>(r.port[2])));
      least_directivity = std::min(least_directivity, 20.0 * std::log10(static_cast<double>(r.port[1] / r.port[2])));
    }
    EXPECT_NEAR(b.isolation_db, least_isolation, 1e-9);
    EXPECT_NEAR(b.directivity_db, least_directivity, 1e-4);
    // Unequal mode velocities cost directivity; the ideal coupler has none to lose.
    EXPECT_LT(b.directivity_db, 60.0) << ratio;
    EXPECT_GT(i.directivity_db, 99.99);
    const std::string text = band_figures_text("As built, over the band (ideal design in brackets)", b, &i);
    EXPECT_NE(text.find("directivity at least " + decimals(static_cast<float>(b.directivity_db), 2) +
                        " dB (over 99.99)"), std::string::npos) << text;
    EXPECT_NE(text.find("isolation at least " + decimals(static_cast<float>(b.isolation_db), 2) + " dB (over 99.99)"),
              std::string::npos) << text;
    const std::string alone = band_figures_text("Over the band", i);
    EXPECT_NE(alone.find("directivity over 99.99 dB, isolation over 99.99 dB"), std::string::npos) << alone;
    EXPECT_EQ(alone.find('('), std::string::npos) << alone;
  }
}

}  // namespace
}  // namespace quill

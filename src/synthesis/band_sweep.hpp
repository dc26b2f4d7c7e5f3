#pragma once
/// The sweep that goes with a synthesised design: its band with a quarter of
/// the band's width on either side, in round steps on round frequencies, so
/// the written file and the exports show the ripple and the skirts.

#include "common/design.hpp"

namespace quill {

/// A round step (1, 2 or 5 times a power of ten) near `span` / 400: enough
/// points to draw the ripple of a many-section design.
float round_step(float span);

/// The sweep around the band `flow` to `fhigh` MHz (fstart, fstop and deltaf
/// set; the rest as AnalysisSettings leaves it). A band whose lower skirt
/// would reach 0 MHz starts at one step.
AnalysisSettings sweep_around(float flow, float fhigh);

}  // namespace quill

#pragma once
/// An openEMS model of exactly the copper `layout` draws: the model file the
/// openEMS program reads (its own XML: the time-domain solver's settings and
/// the CSXCAD structure), one file per excited port.
///
/// The ground planes are the domain's top and bottom walls (PEC); the
/// stack's layers fill it as dielectrics whose conductivity gives their loss
/// tangent at the centre frequency; the strips are the layout's outlines,
/// extruded through the copper's thickness (sheets where it is 0) and
/// perfectly conducting. The other four walls absorb (openEMS's PML), across
/// by default three ground-plane spacings from the copper, where the
/// stripline field has died away (it falls as exp(-pi d / B) beside a strip:
/// to 1e-4 at 3 B), and one spacing beyond each feed's far end. Walls that
/// reflected would close a parallel-plate box whose modes ring in the band;
/// absorbing walls let a wave the discontinuities launch sideways leave. Each
/// feed runs on beyond its port plane to a lumped port split in two (from
/// the lower plane up to the strip and from the strip up to the upper
/// plane, together Zo, driven together and sharing the current as the
/// stripline mode does, so that it launches that mode and not the
/// parallel-plate mode one side alone would), and is measured half way by
/// the probes of port_feeds.hpp.

#include <string>

#include "common/stackup.hpp"
#include "fullwave/fullwave_grid.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

struct FullwaveRun {
  double fstart_hz = 0, fstop_hz = 0;  ///< the band the excitation covers
  double centre_hz = 0;                ///< where the dielectric loss is set
  double zo = 50;
  double end_energy = 1e-5;            ///< the run ends when the energy has fallen this far (-50 dB)
  long max_timesteps = 1000000;
};

/// The model with port `excited` (1 to 4) driven and the others matched.
std::string openems_model(const CouplerLayout& layout, const Stackup& stack, const FullwaveGrid& grid,
                          const FullwaveRun& run, int excited);

/// Names of the probe files openEMS writes for port k's feed: the strip's
/// voltage over the lower or the upper plane at plane 0, 1 or 2 (nearest the
/// coupler first), the outward current at plane 0 or 1 between them.
std::string voltage_probe(int port, int plane, bool upper);
std::string current_probe(int port, int plane);

}  // namespace quill

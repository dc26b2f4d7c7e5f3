#pragma once
/// Every numeric option of the command line, in one table. A subcommand
/// registers the ones it takes; the flag, range, default and help of each are
/// stated only here.

#include "cli/real_option.hpp"
#include "synthesis/synthesis_request.hpp"

namespace quill::options {

// Sweep: a design-data file brings its own; a synthesis sweeps around its band.
inline constexpr RealOption start{"--start", "MHZ", "MHz", 0, true, unbounded, false,
                                  "first analysis frequency", {}, "the design's sweep"};
inline constexpr RealOption stop{"--stop", "MHZ", "MHz", 0, true, unbounded, false,
                                 "last analysis frequency", {}, "the design's sweep"};
inline constexpr RealOption step{"--step", "MHZ", "MHz", 0, true, unbounded, false,
                                 "analysis frequency step", {}, "the design's sweep"};

// Mode settings, as the dialogue's velocity and loss menus apply them.
inline constexpr RealOption velocity_ratio{
    "--velocity-ratio", "R", "", 0, true, 1, false,
    "even-mode phase velocity as a fraction of the odd mode's; the dialogue offers 1, 0.975, "
    "0.95, 0.925 and 0.9",
    1.0f, {}};
inline constexpr RealOption loss{
    "--loss", "DB_PER_INCH", "dB per inch", 0, false, unbounded, false,
    "line loss of both modes at the centre frequency, growing as the square root of frequency; "
    "the dialogue offers 0, 0.125, 0.25, 0.5, 1 and 2",
    0.0f, {}};
inline constexpr RealOption format{"--format", "1|2", "", 1, false, 2, false,
                                   "report format: 1 scattering parameters, 2 VSWR, levels and "
                                   "phase quadrature",
                                   2.0f, {}, "1 or 2"};

// Strip geometry.
inline constexpr RealOption b{"--b", "IN", "inches", 0, true, unbounded, false,
                              "ground-plane spacing B", {}, "the design file's"};
inline constexpr RealOption s{"--s", "IN", "inches", 0, true, unbounded, false,
                              "spacing S between the strips, below B", {}, "the design file's"};
inline constexpr RealOption synth_b{"--b", "IN", "inches", 0, true, unbounded, false,
                                    "ground-plane spacing B written to the design file", 0.25f, {}};
inline constexpr RealOption synth_s{"--s", "IN", "inches", 0, true, unbounded, false,
                                    "strip spacing S written to the design file, below B", 0.05f, {}};

// Synthesis request.
inline constexpr RealOption flow{"--flow", "MHZ", "MHz", 0, true, unbounded, false,
                                 "lowest frequency of the band", {}, {}};
inline constexpr RealOption fhigh{"--fhigh", "MHZ", "MHz", 0, true, unbounded, false,
                                  "highest frequency of the band, above --flow", {}, {}};
inline constexpr RealOption coupling{"--coupling", "DB", "dB", 3, false, 30, false,
                                     "coupling level C; the tables hold 3.01, 6.02, 8.34, 10 and 20 "
                                     "(symmetrical), 3.01, 6.02, 10, 15 and 20 (asymmetrical)",
                                     {}, {}};
inline constexpr RealOption ripple{"--ripple", "DB", "dB", 0, false, 1.5, false,
                                   "passband ripple R, 0 for maximally flat (else at least 0.01); "
                                   "the tables hold 0 to 0.6 in 0.1 steps, asymmetrical also 0.7",
                                   {}, {}};
inline constexpr RealOption sections{"--sections", "N", "", 1, false, 15, false,
                                     "the number of sections, designed by the equal-ripple engine "
                                     "(symmetrical: odd, up to 15; asymmetrical: 2 to 12)",
                                     {}, "the smallest that keeps C +/- R over the band"};
inline constexpr RealOption flat_tolerance{"--flat-tolerance", "DB", "dB", 0.001, false, 1.5, false,
                                           "with --ripple 0: how far the maximally flat coupling may "
                                           "stray from C over the band",
                                           0.1f, {}};
inline constexpr RealOption zo{"--zo", "OHMS", "ohms", 0, true, unbounded, false,
                               "system impedance Zo", 50.0f, {}};
// Er: as a stack-up's layers, from vacuum to the densest ceramic a board is made of.
inline constexpr RealOption er{"--er", "ER", "", 1, false, 100, false,
                               "relative dielectric constant", 2.2f, {}};

// Artwork: the breakouts where the strips part for the ports.
inline constexpr RealOption breakout_length{
    "--breakout-length", "LENGTH", "mm (inches with --inches)", 0, true, unbounded, false,
    "length of each breakout along the coupler, from its end to a port end, in the files' unit: at least what "
    "its bends need to part the feeds, at most 100 times the board's B (by then the feeds' coupling, falling about as "
    "exp(-pi d/B), has long gone: a longer run is the board's routing)",
    {}, "a lead, the bends and three feed widths"};
inline constexpr RealOption port_spacing{
    "--port-spacing", "LENGTH", "mm (inches with --inches)", 0, true, unbounded, false,
    "centre-to-centre spacing across of the two feeds at each end, in the files' unit: at least their spacing "
    "where they leave the coupler (they only part from there), at most 100 times the board's B (where their "
    "coupling, falling about as exp(-pi d/B), is thousands of dB down)",
    {}, "the least at which the feeds couple below -40 dB"};

// Full-wave runs.
inline constexpr RealOption threads{"--threads", "N", "", 1, false, 256, false,
                                    "threads openEMS runs on", {}, "openEMS's own choice, every core"};
inline constexpr RealOption side_walls{
    "--side-walls", "N", "ground-plane spacings", 1, false, 20, false,
    "how far the model's absorbing side walls stand from the copper, in ground-plane spacings: farther is slower and, "
    "once the field has died away, no different",
    3.0f, {}};
inline constexpr RealOption taper_length{
    "--taper-length", "R", "", 1, false, 20, false,
    "with --compensate: each tapered junction's length over the larger change of a strip edge across it (1: "
    "no edge slants more than 45 degrees; a longer taper steps the modes more gently and costs its neighbours "
    "more straight line)",
    1.0f, {}};
inline constexpr RealOption port_feed{
    "--port-feed", "N", "ground-plane spacings", 4, false, 40, false,
    "how far each feed runs on beyond its port plane to the model's lumped port, in ground-plane spacings; its "
    "probes measure it half way, where the near fields of both ends have died away",
    4.0f, {}};

// A synthesis request's values as the engine's messages name them: by their options.
inline constexpr RequestNames request_names{flow.flag,   fhigh.flag,          coupling.flag, ripple.flag,
                                            sections.flag, flat_tolerance.flag, zo.flag,       er.flag};

}  // namespace quill::options

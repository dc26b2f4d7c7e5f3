#pragma once
/// The records every subsystem works on: the current coupler design, the
/// analysis settings and the start-up defaults.

#include <array>
#include <string>

#include "common/constants.hpp"

namespace quill {

/// One coupled section. Impedances are normalised to the system impedance Zo.
struct Section {
  float zoe = 0;      ///< even-mode impedance / Zo
  float zoo = 0;      ///< odd-mode impedance / Zo
  float length = 0;   ///< physical length, inches
  float thetae = 0;   ///< even-mode electrical length at f0, radians
  float thetao = 0;   ///< odd-mode electrical length at f0, radians
  float sigmae = 0;   ///< even-mode attenuation of the section at f0, nepers
  float sigmao = 0;   ///< odd-mode attenuation at f0, nepers
  float veloe = 1;    ///< even-mode phase-velocity factor
  float veloo = 1;    ///< odd-mode phase-velocity factor
  float oeloss = 0;   ///< even-mode line loss, dB per inch
  float ooloss = 0;   ///< odd-mode line loss, dB per inch
  /// Dielectric attenuation at f0, nepers, growing in proportion to frequency
  /// where sigmae and sigmao grow as its square root. Only a design built in
  /// a board has it; the dialogue's single loss is all in sigmae and sigmao.
  float sigmade = 0;
  float sigmado = 0;
};

/// The coupler being analysed. Sections are numbered 1..n from the input port.
struct CouplerDesign {
  int ifunc = 0;       ///< program function that made it: 1, 2 synthesis; 3 typed; 4 file
  int n = 0;           ///< number of sections
  float z0 = 0;        ///< system impedance Zo, ohms
  float er = 0;        ///< relative dielectric constant
  float flow = 0;      ///< band edges, MHz (0 for typed-in and file designs)
  float fhigh = 0;
  float f0 = 0;        ///< the one centre frequency the analysis scales with, MHz
  float zoemax = 0;    ///< largest even-mode impedance, ohms
  float total = 0;     ///< total length, inches
  // Synthesised designs only: the design-table row and what it promises.
  int isect = 0;
  int icoup = 0;
  int iripple = 0;
  float coupler = 0;   ///< nominal coupling level, dB
  float ripple = 0;    ///< passband ripple of the table row, dB
  std::array<Section, max_sections> sections{};

  /// Only a synthesised design has a band, a coupling level and a ripple of its own.
  bool synthesised() const { return ifunc == 1 || ifunc == 2; }

  Section& sec(int i) { return sections[i - 1]; }              ///< 1-based
  const Section& sec(int i) const { return sections[i - 1]; }  ///< 1-based
};

/// Sweep range, print format and storage choice of one analysis run.
struct AnalysisSettings {
  int itype = 1;        ///< velocity menu entry, 1..5
  int iloss = 1;        ///< loss menu entry, 1..6
  float fstart = 0;     ///< MHz
  float fstop = 0;
  float deltaf = 0;
  int iprint = 2;       ///< 1 scattering parameters, 2 VSWR/losses/quadrature
  int istore = 0;       ///< 1 when report lines are also stored in a file
  std::string fn;       ///< storage file name, 20 characters, blank-padded
};

/// Values read once from the defaults file and never changed afterwards.
struct Defaults {
  int ndef = 0;
  float z0def = 0;
  float erdef = 0;
  std::array<float, max_sections> zoedef{};  ///< ohms, index i-1 for section i
  std::array<float, max_sections> f0def{};   ///< MHz
  float fstartdef = 0;
  float fstopdef = 0;
  float deltafdef = 0;
  float gpsdef = 0;     ///< ground-plane spacing B, inches
  float sdef = 0;       ///< strip spacing S, inches
  std::string fndef;    ///< storage file name, 20 characters
};

/// Local date and time at the start of a design cycle.
struct TimeStamp {
  int iyr = 0, imon = 0, iday = 0, ihr = 0, imin = 0, isec = 0;
};

}  // namespace quill

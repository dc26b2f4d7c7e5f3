#include "analysis/sweep.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "analysis/section_model.hpp"
#include "analysis/twoport.hpp"
#include "common/constants.hpp"
#include "common/fixed.hpp"
#include "common/number.hpp"

namespace quill {

namespace {

/// sin and cos of the last electrical length seen, keyed by its bits. The
/// sections of a synthesised coupler all share one length, so at each point
/// the sweep needs one sinf/cosf pair per mode instead of one per section.
struct TrigMemo {
  std::uint32_t key = 0;
  bool valid = false;
  float s = 0;
  float c = 0;

  void at(float theta) {
    const auto bits = std::bit_cast<std::uint32_t>(theta);
    if (valid && bits == key) return;
    key = bits;
    valid = true;
    s = sinf(theta);
    c = cosf(theta);
  }
};

/// sinh and cosh of the last attenuation seen, formed from expf as the line
/// model does. A lossless line has sigma = 0, where e^sigma and e^-sigma are
/// exactly 1: sinh is exactly +0 and cosh exactly 1, no exponential needed.
struct HypMemo {
  std::uint32_t key = 0;
  bool valid = false;
  float sh = 0;
  float ch = 1;

  void at(float sigma) {
    if (sigma == 0) {
      sh = 0;
      ch = 1;
      valid = false;
      return;
    }
    const auto bits = std::bit_cast<std::uint32_t>(sigma);
    if (valid && bits == key) return;
    key = bits;
    valid = true;
    const float ep = expf(sigma);
    const float em = expf(-sigma);
    sh = 0.5f * (ep - em);
    ch = 0.5f * (ep + em);
  }
};

/// Per-mode memo of one sweep point.
struct ModeMemo {
  TrigMemo trig;
  HypMemo hyp;
};

/// Four lanes of single precision. Each lane operation is one IEEE single
/// operation, exactly the one the scalar code performs (no contraction into
/// fused multiply-adds: the build forbids it), so the lanes give the same bits.
typedef float Lanes __attribute__((vector_size(16)));

/// A chain matrix split into its real parts (A, B, C, D) and imaginary parts,
/// so that one lane operation works on all four elements at once.
struct SplitAbcd {
  Lanes re;
  Lanes im;
};

/// Chain matrix of one mode of one section at the point's frequency ratio, as
/// xline_parts forms it.
inline SplitAbcd mode_matrix(float z, float theta0, float sigma0, float sigmad0, float ratio,
                             float root, ModeMemo& memo) {
  // Electrical length grows with frequency, skin-effect loss with its root,
  // dielectric loss (a board's only) with frequency itself.
  const float theta = theta0 * ratio;
  float sigma = sigma0 * root;
  if (sigmad0 != 0) sigma = sigma + sigmad0 * ratio;
  memo.trig.at(theta);
  memo.hyp.at(sigma);
  Abcd m;
  xline_parts(z, memo.trig.s, memo.trig.c, memo.hyp.sh, memo.hyp.ch, m);
  return {Lanes{m[0], m[2], m[4], m[6]}, Lanes{m[1], m[3], m[5], m[7]}};
}

/// p * x, element by element the arithmetic of mmult: each element starts at
/// zero and gets (first factor) * (second factor) for its two terms in order,
///   A = A1 A2 + B1 C2,  B = A1 B2 + B1 D2,  C = C1 A2 + D1 C2,  D = C1 B2 + D1 D2.
inline SplitAbcd cascade(const SplitAbcd& p, const SplitAbcd& x) {
  const Lanes p1re = __builtin_shufflevector(p.re, p.re, 0, 0, 2, 2);  // A1 A1 C1 C1
  const Lanes p1im = __builtin_shufflevector(p.im, p.im, 0, 0, 2, 2);
  const Lanes p2re = __builtin_shufflevector(p.re, p.re, 1, 1, 3, 3);  // B1 B1 D1 D1
  const Lanes p2im = __builtin_shufflevector(p.im, p.im, 1, 1, 3, 3);
  const Lanes x1re = __builtin_shufflevector(x.re, x.re, 0, 1, 0, 1);  // A2 B2 A2 B2
  const Lanes x1im = __builtin_shufflevector(x.im, x.im, 0, 1, 0, 1);
  const Lanes x2re = __builtin_shufflevector(x.re, x.re, 2, 3, 2, 3);  // C2 D2 C2 D2
  const Lanes x2im = __builtin_shufflevector(x.im, x.im, 2, 3, 2, 3);
  // nmult with ltype 1: (x1 x2 - y1 y2, x2 y1 + x1 y2).
  const Lanes t1re = p1re * x1re - p1im * x1im;
  const Lanes t1im = x1re * p1im + p1re * x1im;
  const Lanes t2re = p2re * x2re - p2im * x2im;
  const Lanes t2im = x2re * p2im + p2re * x2im;
  const Lanes zero = {0, 0, 0, 0};
  return {(zero + t1re) + t2re, (zero + t1im) + t2im};
}

inline Abcd joined(const SplitAbcd& m) {
  return {m.re[0], m.im[0], m.re[1], m.im[1], m.re[2], m.im[2], m.re[3], m.im[3]};
}

/// Magnitude of a port wave; an exact zero becomes 1e-10 so that its level in
/// dB stays finite (-200 dB, which the floors then lift to -90).
inline float magnitude(float re, float im) {
  const float m = sqrtf(re * re + im * im);
  return m == 0 ? 1e-10f : m;
}

/// Which values a point must produce. Each print format leaves some unprinted:
/// the VSWR format needs no return loss and no phases of ports 1 and 3, the
/// scattering-parameter format no VSWR. Skipping them changes no other value.
struct Needs {
  bool s_parameters = true;  ///< return loss and the phases of ports 1 and 3
  bool vswr = true;
};

/// The even- and odd-mode chain matrices of the whole cascade at one frequency.
inline void cascade_modes(const CouplerDesign& d, float freq, Abcd& abcde, Abcd& abcdo) {
  const float ratio = freq / d.f0;
  const float root = sqrtf(ratio);
  ModeMemo even;
  ModeMemo odd;

  // Section 1 sits at the input; each further section multiplies on the right.
  const Section& s1 = d.sec(1);
  SplitAbcd abcdoe = mode_matrix(s1.zoe, s1.thetae, s1.sigmae, s1.sigmade, ratio, root, even);
  SplitAbcd abcdoo = mode_matrix(s1.zoo, s1.thetao, s1.sigmao, s1.sigmado, ratio, root, odd);
  for (int i = 2; i <= d.n; ++i) {
    const Section& si = d.sec(i);
    abcdoe = cascade(abcdoe, mode_matrix(si.zoe, si.thetae, si.sigmae, si.sigmade, ratio, root, even));
    abcdoo = cascade(abcdoo, mode_matrix(si.zoo, si.thetao, si.sigmao, si.sigmado, ratio, root, odd));
  }
  abcde = joined(abcdoe);
  abcdo = joined(abcdoo);
}

/// Even- and odd-mode excitation superposed: the waves leaving ports 1 to 4
/// for a unit wave into port 1, (re, im) each. S11 and S21 come from the
/// reflections, S31 and S41 from the transmissions.
inline Abcd port_waves(const Complex& tauoe, const Complex& goe, const Complex& tauoo,
                       const Complex& goo) {
  return {
      0.5f * (goe[0] + goo[0]),     0.5f * (goe[1] + goo[1]),
      0.5f * (goe[0] - goo[0]),     0.5f * (goe[1] - goo[1]),
      0.5f * (tauoe[0] - tauoo[0]), 0.5f * (tauoe[1] - tauoo[1]),
      0.5f * (tauoe[0] + tauoo[0]), 0.5f * (tauoe[1] + tauoo[1]),
  };
}

/// The report's quantities from the waves leaving ports 1 to 4.
void respond_to_waves(const Abcd& a, Needs needs, PortResponse& r) {
  const float degrees = 180.0f / pi;
  for (int k = 0; k < 4; ++k) {
    const float re = a[2 * k];
    const float im = a[2 * k + 1];
    r.port[k] = magnitude(re, im);
    if (needs.s_parameters || k == 1 || k == 3) {
      r.angle[k] = atn2(im, re) * degrees;
    } else {
      r.angle[k] = 0;
    }
  }

  r.vswr = needs.vswr ? (1.0f + r.port[0]) / (1.0f - r.port[0]) : 0.0f;
  r.rl = needs.s_parameters ? 20.0f * log10f(r.port[0]) : 0.0f;
  r.cpld = 20.0f * log10f(r.port[1]);
  r.iso = 20.0f * log10f(r.port[2]);
  r.loss = 20.0f * log10f(r.port[3]);

  quadrature(r.angle[1], r.angle[3], r.phi, r.error);

  if (r.cpld < -90.0f) r.cpld = -90.0f;
  if (r.iso < -90.0f) r.iso = -90.0f;
}

/// Response at one frequency.
void respond(const CouplerDesign& d, float freq, Needs needs, PortResponse& r) {
  Abcd abcde;
  Abcd abcdo;
  cascade_modes(d, freq, abcde, abcdo);

  Complex tauoe{};
  Complex goe{};
  Complex tauoo{};
  Complex goo{};
  taugam(tauoe, goe, abcde);
  taugam(tauoo, goo, abcdo);
  respond_to_waves(port_waves(tauoe, goe, tauoo, goo), needs, r);
}

}  // namespace

void quadrature(float angle2, float angle4, float& phi, float& error) {
  // A 270 degree difference is quadrature too, and 180 is none at all.
  phi = fabsf(angle2 - angle4);
  phi = phi - 180.0f * truncf(phi / 180.0f);
  error = phi - 90.0f;
}

PortResponse port_response(const CouplerDesign& d, float freq) {
  PortResponse r;
  respond(d, freq, Needs{}, r);
  return r;
}

FourPort four_port(const CouplerDesign& d, float freq) {
  Abcd abcde;
  Abcd abcdo;
  cascade_modes(d, freq, abcde, abcdo);
  Complex tauoe{}, goe{}, tauoo{}, goo{};
  taugam(tauoe, goe, abcde);
  taugam(tauoo, goo, abcdo);
  // Seen from the far end the cascade runs backwards: a reciprocal chain
  // matrix reversed swaps A and D. The transmissions are the same both ways.
  const auto reversed = [](const Abcd& m) {
    return Abcd{m[6], m[7], m[2], m[3], m[4], m[5], m[0], m[1]};
  };
  Complex tau_back{}, goe_far{}, goo_far{};
  taugam(tau_back, goe_far, reversed(abcde));
  taugam(tau_back, goo_far, reversed(abcdo));

  const Abcd near = port_waves(tauoe, goe, tauoo, goo);     // into port 1 (or 2, by symmetry)
  const Abcd far = port_waves(tauoe, goe_far, tauoo, goo_far);  // into port 4 (or 3)
  const Complex s11{near[0], near[1]}, s21{near[2], near[3]};
  const Complex s31{near[4], near[5]}, s41{near[6], near[7]};
  const Complex s44{far[0], far[1]}, s34{far[2], far[3]};
  // Ports 1 and 4 are the ends of one line, 2 and 3 of the other; swapping
  // the lines maps 1 <-> 2 and 4 <-> 3.
  FourPort f;
  f.s = {{{s11, s21, s31, s41},
          {s21, s11, s41, s31},
          {s31, s41, s44, s34},
          {s41, s31, s34, s44}}};
  return f;
}

PortResponse port_response(const FourPort& f) {
  // Column 1 holds exactly the waves respond() forms: S11, S21, S31, S41.
  const Abcd a = {f.s[0][0][0], f.s[0][0][1], f.s[1][0][0], f.s[1][0][1],
                  f.s[2][0][0], f.s[2][0][1], f.s[3][0][0], f.s[3][0][1]};
  PortResponse r;
  respond_to_waves(a, Needs{}, r);
  return r;
}

int sweep_points(float fstart, float fstop, float deltaf) {
  const float t = (fstop - fstart) / deltaf;
  // A quotient beyond the 32-bit range (or not a number) converts to the most
  // negative integer, as an overflowing conversion does; that leaves no points.
  int whole = std::numeric_limits<int>::min();
  if (t >= -2147483648.0f && t < 2147483648.0f) whole = static_cast<int>(truncf(t));
  if (whole == std::numeric_limits<int>::min()) return 0;
  const int kk = whole + 1;
  return kk < 1 ? 0 : kk;
}

std::optional<std::string> sweep_fault(float fstart, float fstop, float deltaf) {
  const std::string sweep = "the sweep from " + plain_number(fstart) + " to " + plain_number(fstop) +
                            " MHz in steps of " + plain_number(deltaf) + " MHz";
  // The count as the sweep makes it, in float, but unbounded.
  const double quotient = static_cast<double>((fstop - fstart) / deltaf);
  const double count = std::isfinite(quotient) ? std::trunc(quotient) + 1 : HUGE_VAL;
  if (count > max_sweep_points)
    return sweep + " has " + (std::isfinite(count) ? plain_number(static_cast<float>(count)) : "endless") +
           " points, more than the " + plain_number(static_cast<float>(max_sweep_points)) +
           " one sweep may have: take a longer step or a narrower range";
  if (sweep_points(fstart, fstop, deltaf) == 0) return sweep + " has no points: the stop must not be below the start";
  return std::nullopt;
}

void append_data_line(std::string& out, int iprint, float freq, const PortResponse& r) {
  // The line is built in place and appended once: this runs for every point.
  char line[128];
  char* p = line;
  auto blanks = [&p](int n) {
    for (int k = 0; k < n; ++k) *p++ = ' ';
  };
  if (iprint == 1) {
    // Scattering parameters: level and phase of each port.
    blanks(6);
    p = put_real(p, freq, 10, 3);
    p = put_real(p, r.rl, 7, 1);
    blanks(1);
    p = put_real(p, r.angle[0], 7, 2);
    blanks(1);
    p = put_real(p, r.cpld, 7, 3);
    blanks(1);
    p = put_real(p, r.angle[1], 7, 2);
    blanks(2);
    p = put_real(p, r.iso, 7, 2);
    p = put_real(p, r.angle[2], 7, 2);
    p = put_real(p, r.loss, 7, 3);
    blanks(1);
    p = put_real(p, r.angle[3], 7, 2);
  } else {
    // VSWR, levels and the quadrature of the coupled and through ports.
    blanks(7);
    p = put_real(p, freq, 10, 3);
    blanks(1);
    p = put_real(p, r.vswr, 7, 3);
    blanks(2);
    p = put_real(p, r.cpld, 7, 3);
    p = put_real(p, r.iso, 8, 2);
    blanks(2);
    p = put_real(p, r.loss, 7, 3);
    p = put_real(p, r.phi, 9, 2);
    p = put_real(p, r.error, 9, 3);
  }
  *p++ = '\n';
  out.append(line, static_cast<size_t>(p - line));
}

void run_sweep(ReportOut& out, const CouplerDesign& d, const AnalysisSettings& s) {
  const Needs needs{s.iprint == 1, s.iprint != 1};
  // Lines are handed on in blocks: the same text, far fewer stream calls.
  constexpr size_t kBlock = 1 << 15;
  std::string block;
  block.reserve(kBlock + 128);
  PortResponse r;
  for_each_frequency(s, [&](float freq) {
    respond(d, freq, needs, r);
    append_data_line(block, s.iprint, freq, r);
    if (block.size() >= kBlock) {
      out.put(block);
      block.clear();
    }
    return !out.console_failed() && out.open_anywhere();
  });
  if (!out.console_failed()) out.put(block);
}

}  // namespace quill

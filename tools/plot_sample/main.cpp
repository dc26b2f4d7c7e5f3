// Writes three response plots from made-up sweeps into the given folder (the
// current one by default):
//   sample-symmetrical.svg  an ideal 3-section 8.34 dB coupler, 4000..8000 MHz,
//                           ripple +/-0.3 dB, isolation and return loss -200 dB
//   sample-asymmetrical.svg a lossy 10 dB coupler with finite isolation
//   sample-entered.svg      the same lossy sweep as a design entered by its
//                           section values: no band, no nominal coupling
// Render with: rsvg-convert -o sample.png sample-symmetrical.svg

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "exports/response_plot.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;

/// Through level of a lossless coupler: the power the coupled port does not take.
double complement_db(double coupled_db) {
  return 10 * std::log10(1 - std::pow(10.0, coupled_db / 10));
}

/// Equal ripple of +/-r about -c between flow and fhigh, falling away outside.
double coupled_level(double f, double c, double r, double flow, double fhigh) {
  const double width = fhigh - flow;
  if (f < flow) return -c - r - 14 * std::pow((flow - f) / width, 2) * 4;
  if (f > fhigh) return -c - r - 14 * std::pow((f - fhigh) / width, 2) * 4;
  return -c - r * std::cos(4 * kPi * (f - flow) / width);
}

std::vector<quill::ResponsePoint> symmetrical() {
  std::vector<quill::ResponsePoint> points;
  for (int i = 0; i <= 160; ++i) {
    const double f = 2000 + 50.0 * i;
    const double cp = coupled_level(f, 8.34, 0.3, 4000, 8000);
    points.push_back({static_cast<float>(f), static_cast<float>(cp), -200.0f,
                      static_cast<float>(complement_db(cp)), -200.0f});
  }
  return points;
}

std::vector<quill::ResponsePoint> lossy() {
  std::vector<quill::ResponsePoint> points;
  for (int i = 0; i <= 200; ++i) {
    const double f = 1000 + 20.0 * i;
    const double u = (f - 1000) / 4000;
    // A tilt across the band, as an asymmetrical design shows.
    const double cp = coupled_level(f, 10, 0.5, 1500, 4500) + 0.35 * (u - 0.5);
    const double iso = -32.5 - 7.5 * std::cos(3 * kPi * u);   // -25 .. -40 dB
    const double ret = -28 + 6 * std::sin(2.5 * kPi * u);
    const double loss = 0.15 + 0.25 * u;                       // line loss grows with f
    points.push_back({static_cast<float>(f), static_cast<float>(cp), static_cast<float>(iso),
                      static_cast<float>(complement_db(cp) - loss), static_cast<float>(ret)});
  }
  return points;
}

bool write(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : "";
  quill::ResponseMarks sym;
  sym.synthesised = true;
  sym.flow = 4000;
  sym.fhigh = 8000;
  sym.coupling_db = 8.34f;
  sym.ripple_db = 0.3f;
  quill::ResponseMarks asym = sym;
  asym.flow = 1500;
  asym.fhigh = 4500;
  asym.coupling_db = 10;
  asym.ripple_db = 0.5f;

  const bool ok =
      write(folder + "sample-symmetrical.svg",
            quill::response_plot_svg(symmetrical(), sym, "3-section 8.34 dB coupler")) &&
      write(folder + "sample-asymmetrical.svg",
            quill::response_plot_svg(lossy(), asym, "Asymmetrical 10 dB coupler, lossy")) &&
      write(folder + "sample-entered.svg",
            quill::response_plot_svg(lossy(), quill::ResponseMarks{}, "Entered design"));
  if (!ok) {
    std::fprintf(stderr, "plot_sample: cannot write into %s\n", folder.empty() ? "." : folder.c_str());
    return 1;
  }
  return 0;
}

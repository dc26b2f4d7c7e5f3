#include "fullwave/openems_model.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

#include "common/xml_text.hpp"
#include "dimensions/stack_modes.hpp"

namespace quill {

namespace {

/// Permittivity of vacuum, F/m, from the physical constants the paths use.
constexpr double eps0 = 1.0 / (vacuum_permeability * light_speed * light_speed);

/// The shortest text that reads back as the same double.
std::string num(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string lines(const std::vector<double>& v) {
  std::string t;
  for (size_t k = 0; k < v.size(); ++k) t += (k ? "," : "") + num(v[k]);
  return t;
}

std::string box(double x0, double y0, double z0, double x1, double y1, double z1, int priority) {
  return "<Box Priority=\"" + std::to_string(priority) + "\"><P1 X=\"" + num(x0) + "\" Y=\"" + num(y0) + "\" Z=\"" +
         num(z0) + "\"/><P2 X=\"" + num(x1) + "\" Y=\"" + num(y1) + "\" Z=\"" + num(z1) + "\"/></Box>";
}

/// A strip's copper: its outline extruded from `bottom` through `thickness`,
/// or a sheet at `bottom` when there is no thickness.
std::string copper(const Outline& o, double bottom, double thickness) {
  std::string t = thickness > 0.0 ? "<LinPoly Priority=\"10\" NormDir=\"2\" Elevation=\"" + num(bottom) +
                                        "\" Length=\"" + num(thickness) + "\""
                                  : "<Polygon Priority=\"10\" NormDir=\"2\" Elevation=\"" + num(bottom) + "\"";
  t += " QtyVertices=\"" + std::to_string(o.size()) + "\">";
  for (const Point& p : o) t += "<Vertex X1=\"" + num(p.x) + "\" X2=\"" + num(p.y) + "\"/>";
  t += thickness > 0.0 ? "</LinPoly>" : "</Polygon>";
  return t;
}

}  // namespace

std::string voltage_probe(int port, int plane, bool upper) {
  return "port_v" + std::to_string(port) + "_" + std::to_string(plane + 1) + (upper ? "_upper" : "_lower");
}
std::string current_probe(int port, int plane) {
  return "port_i" + std::to_string(port) + "_" + std::to_string(plane + 1);
}

std::string openems_model(const CouplerLayout& layout, const Stackup& stack, const FullwaveGrid& grid,
                          const FullwaveRun& run, int excited) {
  const double b = stack.b_m();
  const StripHeights z = strip_heights(stack);
  std::string t = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";
  t += "<!-- Quillomate full-wave model: board " + xml_text(stack.name) + ", port " + std::to_string(excited) +
       " driven, lengths in metres -->\n";
  t += "<openEMS>\n";
  // The pulse's spectrum is 20 dB down at f0 +/- fc: it reaches half as far
  // again beyond the band (down to near zero where the band starts low), so
  // that the band's edges are measured with the pulse's strength, not its tail.
  const double f0 = (run.fstart_hz + run.fstop_hz) / 2.0;
  const double fc = std::min(0.75 * (run.fstop_hz - run.fstart_hz), 0.95 * f0);
  t += "  <FDTD NumberOfTimesteps=\"" + std::to_string(run.max_timesteps) + "\" endCriteria=\"" +
       num(run.end_energy) + "\" f_max=\"" + num(f0 + fc) + "\">\n";
  t += "    <Excitation Type=\"0\" f0=\"" + num(f0) + "\" fc=\"" + num(fc) + "\"/>\n";
  // The ground planes are the walls below and above; every other wall absorbs.
  const std::string pml = "\"PML_" + std::to_string(absorber_cells) + "\"";
  t += "    <BoundaryCond xmin=" + pml + " xmax=" + pml + " ymin=" + pml + " ymax=" + pml +
       " zmin=\"0\" zmax=\"0\"/>\n";
  t += "  </FDTD>\n";
  t += "  <ContinuousStructure CoordSystem=\"0\">\n";
  t += "    <RectilinearGrid DeltaUnit=\"1\" CoordSystem=\"0\">\n";
  t += "      <XLines>" + lines(grid.x) + "</XLines>\n";
  t += "      <YLines>" + lines(grid.y) + "</YLines>\n";
  t += "      <ZLines>" + lines(grid.z) + "</ZLines>\n";
  t += "    </RectilinearGrid>\n";
  t += "    <Properties>\n";
  // The layers, their loss tangent as a conductivity at the centre frequency.
  double height = 0.0;
  for (size_t k = 0; k < stack.layers.size(); ++k) {
    const StackLayer& l = stack.layers[k];
    const double top = k + 1 == stack.layers.size() ? b : height + l.thickness_m;
    const double kappa = 2.0 * std::numbers::pi * run.centre_hz * eps0 * l.er * l.tan_delta;
    t += "      <Material Name=\"layer" + std::to_string(k + 1) + "\"><Property Epsilon=\"" + num(l.er) +
         "\" Kappa=\"" + num(kappa) + "\"/><Primitives>" + box(grid.x.front(), grid.y.front(), height, grid.x.back(), grid.y.back(), top, 0) +
         "</Primitives></Material>\n";
    height = top;
  }
  t += "      <Metal Name=\"upper_strip\"><Primitives>" + copper(layout.upper, z.upper_bottom, stack.copper_m) +
       "</Primitives></Metal>\n";
  t += "      <Metal Name=\"lower_strip\"><Primitives>" + copper(layout.lower, z.lower_bottom, stack.copper_m) +
       "</Primitives></Metal>\n";
  for (const PortFeed& f : grid.feeds) {
    const std::string k = std::to_string(f.number);
    const double bottom = f.upper ? z.upper_bottom : z.lower_bottom, top = f.upper ? z.upper_top : z.lower_top;
    const double y0 = f.y - f.width / 2.0, y1 = f.y + f.width / 2.0, x = f.source_x;
    // The feed runs on from the port plane to the lumped port, overlapping
    // the layout's straight lead by a width, so that no cell of the mesh
    // falls between the two pieces of copper.
    const double from = f.plane_x - f.facing * f.width;
    t += "      <Metal Name=\"feed" + k + "\"><Primitives>" +
         box(std::min(from, x), y0, bottom, std::max(from, x), y1, top, 10) + "</Primitives></Metal>\n";
    // The halves together are Zo, each carrying what the stripline mode
    // returns on its plane. Driven, they get the same voltage, their fields
    // pointing away from the strip.
    for (const bool upper : {false, true}) {
      const double z0 = upper ? top : 0.0, z1 = upper ? b : bottom;
      const std::string half = upper ? "_upper" : "_lower";
      const double r = upper ? f.upper_resistance(run.zo) : f.lower_resistance(run.zo);
      t += "      <LumpedElement Name=\"port" + k + half + "\" Direction=\"2\" Caps=\"1\" R=\"" + num(r) +
           "\"><Primitives>" + box(x, y0, z0, x, y1, z1, 5) + "</Primitives></LumpedElement>\n";
      if (f.number == excited) {
        const double field = (upper ? 1.0 : -1.0) / (z1 - z0);
        t += "      <Excitation Name=\"excite" + k + half + "\" Number=\"0\" Type=\"0\" Excite=\"0,0," + num(field) +
             "\"><Primitives>" + box(x, y0, z0, x, y1, z1, 5) + "</Primitives></Excitation>\n";
      }
    }
    // The strip's potential over each plane at three planes, and the
    // current along it, outward, through the two planes between them: a
    // rectangle around the strip half way to the planes.
    const std::array<double, 3> v = f.voltage_planes();
    for (int m = 0; m < 3; ++m) {
      const double xv = v[static_cast<size_t>(m)];
      t += "      <ProbeBox Name=\"" + voltage_probe(f.number, m, false) + "\" Type=\"0\" Weight=\"-1\"><Primitives>" +
           box(xv, f.y, 0.0, xv, f.y, bottom, 0) + "</Primitives></ProbeBox>\n";
      t += "      <ProbeBox Name=\"" + voltage_probe(f.number, m, true) + "\" Type=\"0\" Weight=\"1\"><Primitives>" +
           box(xv, f.y, top, xv, f.y, b, 0) + "</Primitives></ProbeBox>\n";
    }
    // Beside the strip the rectangle stays clear of the other feed on this
    // side, which it must not enclose.
    double beside = f.width;
    for (const PortFeed& other : grid.feeds)
      if (other.number != f.number && other.facing == f.facing)
        beside = std::min(beside, (std::fabs(other.y - f.y) - (other.width + f.width) / 2.0) / 2.0);
    const std::array<double, 2> c = f.current_planes();
    for (int m = 0; m < 2; ++m) {
      const double xc = c[static_cast<size_t>(m)];
      t += "      <ProbeBox Name=\"" + current_probe(f.number, m) + "\" Type=\"1\" NormDir=\"0\" Weight=\"" +
           (f.facing > 0 ? "1" : "-1") + "\"><Primitives>" +
           box(xc, y0 - beside, bottom / 2.0, xc, y1 + beside, (top + b) / 2.0, 0) + "</Primitives></ProbeBox>\n";
    }
  }
  t += "    </Properties>\n";
  t += "  </ContinuousStructure>\n";
  t += "</openEMS>\n";
  return t;
}

}  // namespace quill

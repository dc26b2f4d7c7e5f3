#include "fullwave/openems_model.hpp"

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

std::string voltage_probe(int port) { return "port_ut" + std::to_string(port); }
std::string current_probe(int port, bool upper) {
  return "port_it" + std::to_string(port) + (upper ? "_upper" : "_lower");
}

std::string openems_model(const CouplerLayout& layout, const Stackup& stack, const FullwaveGrid& grid,
                          const FullwaveRun& run, int excited) {
  const double b = stack.b_m();
  const StripHeights z = strip_heights(stack);
  std::string t = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";
  t += "<!-- Quillomate full-wave model: board " + xml_text(stack.name) + ", port " + std::to_string(excited) +
       " driven, lengths in metres -->\n";
  t += "<openEMS>\n";
  t += "  <FDTD NumberOfTimesteps=\"" + std::to_string(run.max_timesteps) + "\" endCriteria=\"" +
       num(run.end_energy) + "\" f_max=\"" + num(run.fstop_hz) + "\">\n";
  t += "    <Excitation Type=\"0\" f0=\"" + num((run.fstart_hz + run.fstop_hz) / 2.0) + "\" fc=\"" +
       num((run.fstop_hz - run.fstart_hz) / 2.0) + "\"/>\n";
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
  for (const PortEnd& p : layout.ports) {
    const std::string k = std::to_string(p.number);
    const double bottom = p.upper ? z.upper_bottom : z.lower_bottom, top = p.upper ? z.upper_top : z.lower_top;
    const double y0 = p.at.y - p.width / 2.0, y1 = p.at.y + p.width / 2.0, x = p.at.x;
    // Each half carries 2 Zo: together the port's Zo. Driven, the two halves
    // get the same voltage, their fields pointing away from the strip.
    for (const bool upper : {false, true}) {
      const double z0 = upper ? top : 0.0, z1 = upper ? b : bottom;
      const std::string half = upper ? "_upper" : "_lower";
      t += "      <LumpedElement Name=\"port" + k + half + "\" Direction=\"2\" Caps=\"1\" R=\"" + num(2.0 * run.zo) +
           "\"><Primitives>" + box(x, y0, z0, x, y1, z1, 5) + "</Primitives></LumpedElement>\n";
      if (p.number == excited) {
        const double field = (upper ? 1.0 : -1.0) / (z1 - z0);
        t += "      <Excitation Name=\"excite" + k + half + "\" Number=\"0\" Type=\"0\" Excite=\"0,0," + num(field) +
             "\"><Primitives>" + box(x, y0, z0, x, y1, z1, 5) + "</Primitives></Excitation>\n";
      }
      // Current up through each half: into the strip from below, out of it
      // above; counted as the current into the coupler.
      t += "      <ProbeBox Name=\"" + current_probe(p.number, upper) + "\" Type=\"1\" NormDir=\"2\" Weight=\"" +
           (upper ? "-1" : "1") + "\"><Primitives>" + box(x, y0, (z0 + z1) / 2.0, x, y1, (z0 + z1) / 2.0, 0) +
           "</Primitives></ProbeBox>\n";
    }
    t += "      <ProbeBox Name=\"" + voltage_probe(p.number) + "\" Type=\"0\" Weight=\"-1\"><Primitives>" +
         box(x, p.at.y, 0.0, x, p.at.y, bottom, 0) + "</Primitives></ProbeBox>\n";
  }
  t += "    </Properties>\n";
  t += "  </ContinuousStructure>\n";
  t += "</openEMS>\n";
  return t;
}

}  // namespace quill

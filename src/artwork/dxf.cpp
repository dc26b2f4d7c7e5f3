#include "artwork/dxf.hpp"

#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <charconv>
#include <cstdio>

namespace quill {

namespace {

/// dxflib's writer, with its output kept in memory instead of a file: the
/// command line writes it through its checked output path like every other
/// file. Group codes and values are laid out as dxflib lays them out.
class TextWriter : public DL_WriterA {
 public:
  TextWriter() : DL_WriterA("/dev/null", DL_Codes::AC1015) {}
  void dxfReal(int gc, double value) const override {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    line(gc, std::string(buf, res.ptr));
  }
  void dxfInt(int gc, int value) const override { line(gc, std::to_string(value)); }
  void dxfHex(int gc, int value) const override {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0X", static_cast<unsigned>(value));
    line(gc, buf);
  }
  void dxfString(int gc, const char* value) const override { line(gc, value); }
  void dxfString(int gc, const std::string& value) const override { line(gc, value); }
  const std::string& text() const { return text_; }

 private:
  void line(int gc, const std::string& value) const {
    text_ += gc < 10 ? "  " : gc < 100 ? " " : "";
    text_ += std::to_string(gc);
    text_ += '\n';
    text_ += value;
    text_ += '\n';
  }
  mutable std::string text_;
};

void polyline(DL_Dxf& dxf, TextWriter& w, const Outline& o, const char* layer, double per_unit) {
  dxf.writePolyline(w, DL_PolylineData(static_cast<int>(o.size()), 0, 0, 1), DL_Attributes(layer, 256, -1, "BYLAYER", 1.0));
  for (const Point& p : o) dxf.writeVertex(w, DL_VertexData(p.x / per_unit, p.y / per_unit, 0.0, 0.0));
  dxf.writePolylineEnd(w);
}

}  // namespace

std::string dxf_file(const CouplerLayout& layout, const ArtworkInfo& info) {
  DL_Dxf dxf;
  TextWriter w;
  w.dxfString(999, "Quillomate coupler artwork: design " + info.design + ", board " + info.board);
  dxf.writeHeader(w);
  // Drawing units: 4 millimetres, 1 inches.
  w.dxfString(9, "$INSUNITS");
  w.dxfInt(70, info.unit == ArtworkUnit::mm ? 4 : 1);
  w.sectionEnd();
  w.sectionTables();
  dxf.writeVPort(w);
  w.tableLinetypes(3);
  dxf.writeLinetype(w, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
  dxf.writeLinetype(w, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
  dxf.writeLinetype(w, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
  w.tableEnd();
  w.tableLayers(4);
  dxf.writeLayer(w, DL_LayerData("0", 0), DL_Attributes("", DL_Codes::black, 100, "CONTINUOUS", 1.0));
  dxf.writeLayer(w, DL_LayerData("UPPER_STRIP", 0), DL_Attributes("", DL_Codes::red, 100, "CONTINUOUS", 1.0));
  dxf.writeLayer(w, DL_LayerData("LOWER_STRIP", 0), DL_Attributes("", DL_Codes::blue, 100, "CONTINUOUS", 1.0));
  dxf.writeLayer(w, DL_LayerData("OUTLINE", 0), DL_Attributes("", DL_Codes::black, 100, "CONTINUOUS", 1.0));
  w.tableEnd();
  w.tableStyle(1);
  dxf.writeStyle(w, DL_StyleData("Standard", 0, 2.5, 1.0, 0.0, 0, 2.5, "txt", ""));
  w.tableEnd();
  dxf.writeView(w);
  dxf.writeUcs(w);
  w.tableAppid(1);
  dxf.writeAppid(w, "ACAD");
  w.tableEnd();
  dxf.writeDimStyle(w, 1, 1, 1, 1, 1);
  dxf.writeBlockRecord(w);
  w.tableEnd();
  w.sectionEnd();
  w.sectionBlocks();
  for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
    dxf.writeBlock(w, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(w, block);
  }
  w.sectionEnd();
  w.sectionEntities();
  const double per_unit = unit_metres(info.unit);
  polyline(dxf, w, layout.upper, "UPPER_STRIP", per_unit);
  polyline(dxf, w, layout.lower, "LOWER_STRIP", per_unit);
  polyline(dxf, w, layout.board, "OUTLINE", per_unit);
  w.sectionEnd();
  dxf.writeObjects(w);
  dxf.writeObjectsEnd(w);
  w.dxfEOF();
  return w.text();
}

}  // namespace quill

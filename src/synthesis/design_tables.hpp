#pragma once
/// The design-table store: tabulated maximally flat and equal-ripple TEM
/// coupler designs, looked up by section count, coupling level and ripple.
///
/// Indices are 1-based as in the engineering tables:
///   isect   N-index 1..10 (symmetrical: N = 2 isect - 1 for isect 2..5;
///           asymmetrical: N = isect for isect 2..6)
///   icoup   coupling-menu entry 1..10 (1..5 used)
///   iripple ripple index 1..20 (symmetrical 1..16, asymmetrical 1..8)
///   sect    section number 1..10

#include <array>

namespace quill {

class DesignTables {
 public:
  float& ripple(int isect, int icoup, int iripple) { return ripple_[cell(isect, icoup, iripple)]; }
  float& tembw(int isect, int icoup, int iripple) { return tembw_[cell(isect, icoup, iripple)]; }
  float& zoe(int isect, int icoup, int iripple, int sect) {
    return zoe_[cell(isect, icoup, iripple) * 10 + static_cast<size_t>(sect - 1)];
  }
  float ripple(int isect, int icoup, int iripple) const { return ripple_[cell(isect, icoup, iripple)]; }
  float tembw(int isect, int icoup, int iripple) const { return tembw_[cell(isect, icoup, iripple)]; }
  float zoe(int isect, int icoup, int iripple, int sect) const {
    return zoe_[cell(isect, icoup, iripple) * 10 + static_cast<size_t>(sect - 1)];
  }

 private:
  static size_t cell(int isect, int icoup, int iripple) {
    return (static_cast<size_t>(isect - 1) * 10 + static_cast<size_t>(icoup - 1)) * 20 +
           static_cast<size_t>(iripple - 1);
  }
  std::array<float, 10 * 10 * 20> ripple_{};  // every cell 0 until a fill writes it
  std::array<float, 10 * 10 * 20> tembw_{};
  std::array<float, 10 * 10 * 20 * 10> zoe_{};
};

}  // namespace quill

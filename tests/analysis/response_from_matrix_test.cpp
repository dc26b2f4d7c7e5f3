// The report's response derived from a four-port matrix is the response the
// sweep computes, to the bit, for every kind of design the front ends hand
// over: so a front end that keeps only the matrix loses nothing.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "analysis/sweep.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing::entered;
using testing::synthesised;

std::vector<std::uint32_t> bits(const PortResponse& r) {
  std::vector<std::uint32_t> out;
  for (int k = 0; k < 4; ++k) {
    out.push_back(std::bit_cast<std::uint32_t>(r.port[k]));
    out.push_back(std::bit_cast<std::uint32_t>(r.angle[k]));
  }
  for (float v : {r.vswr, r.rl, r.cpld, r.iso, r.loss, r.phi, r.error}) out.push_back(std::bit_cast<std::uint32_t>(v));
  return out;
}

TEST(ResponseFromMatrix, IsTheSweepsResponseBitForBit) {
  // An ideal 3-section coupler (perfect isolation at the centre: the floors),
  // a filed design with the menus' velocity ratio and loss, and sections of
  // unequal modes with a board's dielectric loss.
  CouplerDesign ideal = synthesised({1.0967f, 1.7730f, 1.0967f}, 50, 2.2f, 4000, 8000);
  CouplerDesign filed = entered(4, 50, 3.0f, {{86.5f, 0, 2000}, {71.56f, 0, 2000}, {61.97f, 0, 2100}});
  testing::set_mode_options(filed, 3, 4);
  CouplerDesign board = filed;
  for (int i = 1; i <= board.n; ++i) {
    board.sec(i).thetao *= 1.03f;
    board.sec(i).sigmade = 0.01f * static_cast<float>(i);
    board.sec(i).sigmado = 0.02f;
  }
  for (const CouplerDesign* d : {&ideal, &filed, &board}) {
    for (float f = 0.5f * d->f0; f <= 1.5f * d->f0; f += 0.01f * d->f0) {
      SCOPED_TRACE(f);
      EXPECT_EQ(bits(port_response(four_port(*d, f))), bits(port_response(*d, f)));
    }
    EXPECT_EQ(port_response(four_port(*d, d->f0)).cpld, port_response(*d, d->f0).cpld);
  }
  EXPECT_EQ(port_response(four_port(ideal, ideal.f0)).iso, -90.0f);  // the floor is there too
}

}  // namespace
}  // namespace quill

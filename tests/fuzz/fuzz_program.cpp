// libFuzzer entry: the whole program, in-process, on one case of the format
// described in harness.hpp.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  quill::fuzz::run_case(quill::fuzz::split_case(bytes));
  return 0;
}

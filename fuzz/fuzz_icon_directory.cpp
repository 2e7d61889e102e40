// The whole-file icon reader on arbitrary bytes. Whatever it accepts must be written again with every
// image unchanged, and take one image more (or one replaced) without losing any other.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/icon_directory.h"
#include "model/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto entries = pf::ReadIconEntries({data, size});
  if (!entries) return 0;
  const auto again = pf::ReadIconEntries(pf::BuildIconFromEntries(*entries));
  if (!again || again->size() != entries->size()) std::abort();
  const std::vector<std::uint8_t> zeros(512, 0);
  const auto single = pf::BuildIcon32(pf::Palette{}, zeros, std::vector<std::uint8_t>(128, 0));
  const auto plan = pf::PlanIconPut({data, size}, pf::kFourBitIcon32);
  const auto put = pf::ReadIconEntries(pf::PutIconImages({data, size}, {single}));
  if (!plan || !put || put->size() != plan->others + 1) std::abort();
  return 0;
}

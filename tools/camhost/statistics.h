// Small figures over samples.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace camhost {

// The `p`-quantile (0 to 1) of `samples` by the nearest-rank rule; 0 when
// there are none.
inline double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  const double rank = p * static_cast<double>(samples.size() - 1);
  return samples[static_cast<std::size_t>(rank + 0.5)];
}

}  // namespace camhost

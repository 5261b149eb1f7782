// Timing helpers shared by the benchmark programs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// The value below which a share q of the sorted times lie.
inline double Percentile(const std::vector<double>& sorted, double q) {
  return sorted.empty() ? 0 : sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1))];
}

// Two modes of one case's times, split where the spread within both is least (Otsu's threshold
// in one dimension). A median between two modes hides them; this says how many fall in each.
struct Modes {
  double split = 0;            // times at or below it are the fast mode
  double fastMedian = 0, slowMedian = 0;
  double slowShare = 0;        // 0 to 1
  bool twoModes = false;       // the modes lie apart by more than the spread within them
};

inline Modes SplitModes(std::vector<double> v) {
  Modes m;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  if (n < 8) return m;
  double best = -1;
  size_t cut = 0;
  for (size_t k = n / 20 + 1; k + n / 20 + 1 < n; ++k) {  // each mode at least 5 %
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < k; ++i) s1 += v[i];
    for (size_t i = k; i < n; ++i) s2 += v[i];
    double m1 = s1 / static_cast<double>(k), m2 = s2 / static_cast<double>(n - k);
    double between = static_cast<double>(k) * static_cast<double>(n - k) * (m1 - m2) * (m1 - m2);
    if (between > best) best = between, cut = k;
  }
  if (cut == 0) return m;
  std::vector<double> fast(v.begin(), v.begin() + static_cast<long>(cut)), slow(v.begin() + static_cast<long>(cut), v.end());
  m.split = fast.back();
  m.fastMedian = Median(fast);
  m.slowMedian = Median(slow);
  m.slowShare = static_cast<double>(slow.size()) / static_cast<double>(n);
  // Apart when the gap between the modes' medians is more than twice the inner spread of each.
  auto iqr = [](const std::vector<double>& w) { return Percentile(w, 0.75) - Percentile(w, 0.25); };
  m.twoModes = m.slowMedian - m.fastMedian > 2 * std::max(iqr(fast), iqr(slow));
  return m;
}

// One line per case: percentiles, the modes and a histogram of `binMs` bins, for the report.
inline void PrintDistribution(const char* name, std::vector<double> v, double binMs) {
  std::sort(v.begin(), v.end());
  if (v.empty()) return;
  printf("%s: 10th/25th/50th/75th/90th %.1f/%.1f/%.1f/%.1f/%.1f ms", name, Percentile(v, 0.1), Percentile(v, 0.25),
         Percentile(v, 0.5), Percentile(v, 0.75), Percentile(v, 0.9));
  Modes m = SplitModes(v);
  if (m.twoModes)
    printf("; two modes: %.0f%% at median %.1f ms, %.0f%% at median %.1f ms", 100 * (1 - m.slowShare), m.fastMedian,
           100 * m.slowShare, m.slowMedian);
  else
    printf("; one mode");
  printf("\n  histogram (%.0f ms bins):", binMs);
  const double low = std::floor(v.front() / binMs) * binMs;
  std::vector<int> bins(static_cast<size_t>((v.back() - low) / binMs) + 1);
  for (double t : v) bins[static_cast<size_t>((t - low) / binMs)]++;
  for (size_t b = 0; b < bins.size(); ++b)
    if (bins[b]) printf(" %.0f:%d", low + static_cast<double>(b) * binMs, bins[b]);
  printf("\n");
}

}  // namespace bench

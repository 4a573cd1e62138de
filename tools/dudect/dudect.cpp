// SPDX-License-Identifier: MIT
// A dudect-style timing test: each operation is timed with the cycle counter on
// two classes of secret input, a fixed one and random ones, drawn at random for
// every measurement so that drift and noise hit both classes alike. Welch's
// t-test compares the two timing distributions, on all measurements and on the
// measurements below each of a range of percentiles (cropping, which discards
// the long tail that interrupts and cache misses add). A |t| above 10 after at
// least 10,000 measurements means the time depends on the secret.
//
//   zolt_dudect [-n MEASUREMENTS] [OPERATION...]
//
// Run it by hand on a quiet machine (pinned: taskset -c 1 zolt_dudect). The
// control memcmp_equal, an equality built on memcmp, must show a leak.
#include <zolt/zolt.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <chrono>
#endif

namespace {

// The cycle counter, fenced so that the timed code cannot drift out of the window.
inline std::uint64_t cycles() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_lfence();
  const std::uint64_t t = __rdtsc();
  _mm_lfence();
  return t;
#elif defined(__aarch64__)
  std::uint64_t t;
  __asm__ volatile("isb; mrs %0, cntvct_el0" : "=r"(t));
  return t;
#else
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

// Welch's t statistic of two classes, from running means and variances.
class welch {
 public:
  void push(double x, int cls) {
    auto& c = classes_[cls];
    c.n += 1;
    const double delta = x - c.mean;
    c.mean += delta / c.n;
    c.m2 += delta * (x - c.mean);
  }
  double count() const { return classes_[0].n + classes_[1].n; }
  double t() const {
    const auto& [a, b] = classes_;
    if (a.n < 2 || b.n < 2) return 0;
    const double var = a.m2 / (a.n - 1) / a.n + b.m2 / (b.n - 1) / b.n;
    return var > 0 ? (a.mean - b.mean) / std::sqrt(var) : 0;
  }

 private:
  struct moments {
    double n = 0, mean = 0, m2 = 0;
  };
  std::array<moments, 2> classes_;
};

constexpr std::size_t input_bytes = 512;
constexpr std::size_t batch = 10000;
constexpr double leak_threshold = 10;
constexpr std::size_t enough_measurements = 10000;
constexpr int crops = 100;

// An operation under test: prepare writes the input of one measurement for its
// class (0 fixed, 1 random); run calls the operation on it.
struct target {
  const char* name;
  bool control;  // must show a leak
  std::function<void(std::uint8_t* in, int cls, std::mt19937_64& rng)> prepare;
  std::function<void(const std::uint8_t* in)> run;
};

volatile std::ptrdiff_t sink;

void random_fill(std::uint8_t* p, std::size_t n, std::mt19937_64& rng) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(rng());
}

std::string_view view(const std::uint8_t* p, std::size_t n) {
  return {reinterpret_cast<const char*>(p), n};
}

// Two-string operations see (reference, input): the fixed class is the
// reference itself, the random class a random string of the same length.
std::vector<target> targets() {
  static std::array<std::uint8_t, input_bytes> reference = [] {
    std::array<std::uint8_t, input_bytes> r{};
    std::mt19937_64 rng(1);
    random_fill(r.data(), r.size(), rng);
    return r;
  }();
  const auto against_reference = [](std::uint8_t* in, int cls, std::mt19937_64& rng) {
    if (cls == 0) {
      std::memcpy(in, reference.data(), input_bytes);
    } else {
      random_fill(in, input_bytes, rng);
    }
  };
  const std::string_view ref = view(reference.data(), input_bytes);
  return {
      {"equal", false, against_reference,
       [ref](const std::uint8_t* in) { sink = Zolt::equal(ref, view(in, input_bytes)); }},
      {"compare_be", false, against_reference,
       [ref](const std::uint8_t* in) { sink = Zolt::compare_be(ref, view(in, input_bytes)); }},
      {"string_of_hex", false,
       // Fixed: well-formed text of zeros; random: any bytes, mostly invalid.
       [](std::uint8_t* in, int cls, std::mt19937_64& rng) {
         if (cls == 0) {
           std::memset(in, '0', input_bytes);
         } else {
           random_fill(in, input_bytes, rng);
         }
       },
       [](const std::uint8_t* in) { sink = Zolt::string_of_hex(view(in, input_bytes)).second; }},
      {"divmod", false,
       // Fixed: dividend 0; random: any 32-bit dividend. The divisor is public.
       [](std::uint8_t* in, int cls, std::mt19937_64& rng) {
         const auto v = cls == 0 ? 0 : static_cast<std::uint32_t>(rng());
         std::memcpy(in, &v, sizeof v);
       },
       [](const std::uint8_t* in) {
         std::int32_t v;
         std::memcpy(&v, in, sizeof v);
         sink = Zolt::divmod(v, 10).first;
       }},
      {"memcmp_equal", true, against_reference,
       [](const std::uint8_t* in) {
         sink = std::memcmp(reference.data(), in, input_bytes) == 0;
       }},
  };
}

// Measures one target n times; returns the largest |t| over the uncropped test
// and the tests cropped at each percentile, among those with enough measurements.
double measure(const target& t, std::size_t n, std::mt19937_64& rng) {
  std::vector<std::uint8_t> inputs(batch * input_bytes);
  std::vector<int> classes(batch);
  std::vector<std::uint64_t> times(batch);
  std::vector<double> thresholds;
  std::vector<welch> tests(crops + 1);  // tests[crops] is uncropped

  const auto run_batch = [&] {
    for (std::size_t i = 0; i < batch; ++i) {
      classes[i] = static_cast<int>(rng() & 1);
      t.prepare(&inputs[i * input_bytes], classes[i], rng);
    }
    for (std::size_t i = 0; i < batch; ++i) {
      const std::uint8_t* in = &inputs[i * input_bytes];
      const std::uint64_t start = cycles();
      t.run(in);
      times[i] = cycles() - start;
    }
  };

  // A first batch warms the caches and fixes the cropping thresholds.
  run_batch();
  std::vector<std::uint64_t> sorted(times);
  std::sort(sorted.begin(), sorted.end());
  for (int k = 0; k < crops; ++k) {
    const double p = 1 - std::pow(0.5, 10.0 * (k + 1) / crops);
    thresholds.push_back(static_cast<double>(sorted[static_cast<std::size_t>(p * (batch - 1))]));
  }

  for (std::size_t done = 0; done < n; done += batch) {
    run_batch();
    for (std::size_t i = 0; i < batch; ++i) {
      const auto x = static_cast<double>(times[i]);
      tests[crops].push(x, classes[i]);
      for (int k = 0; k < crops; ++k) {
        if (x < thresholds[static_cast<std::size_t>(k)]) tests[static_cast<std::size_t>(k)].push(x, classes[i]);
      }
    }
  }
  double worst = 0;
  for (const welch& w : tests) {
    if (w.count() >= enough_measurements) worst = std::max(worst, std::fabs(w.t()));
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t n = 1000000;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
      n = std::max<std::size_t>(std::strtoull(argv[++i], nullptr, 10), enough_measurements);
    } else {
      only.emplace_back(argv[i]);
    }
  }
  std::mt19937_64 rng(std::random_device{}());
  int failed = 0;
  for (const target& t : targets()) {
    if (!only.empty() && std::find(only.begin(), only.end(), t.name) == only.end()) continue;
    const double worst = measure(t, n, rng);
    const bool leak = worst > leak_threshold;
    failed += leak != t.control;
    std::printf("%-14s %8zu measurements  max |t| = %8.2f  %s%s\n", t.name, n, worst,
                leak ? "LEAK" : "no leak found", t.control ? "  (control: must leak)" : "");
    std::fflush(stdout);
  }
  return failed > 0 ? 1 : 0;
}

// The pixel conversions against straightforward reference implementations:
// every Bayer phase, odd and even sizes, the borders, and every byte pattern
// of Mono12Packed.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "imaging/pixel_conversion.h"
#include "imaging/variant.h"

namespace ecocam::imaging {
namespace {

using Image = std::vector<std::uint8_t>;

// Runs `body` once per variant this processor runs, each named in failures.
template <typename Body>
void ForEachVariant(Body body) {
  for (const Variant v : RunnableVariants()) {
    SCOPED_TRACE(VariantName(v));
    ASSERT_EQ(v, UseVariant(v));
    body();
    if (::testing::Test::HasFatalFailure()) break;
  }
  UseEnvironmentVariant();
}

int MirrorRef(int i, int n) {
  while (i < 0 || i >= n) {
    if (n == 1) return 0;
    i = i < 0 ? -i : 2 * (n - 1) - i;
  }
  return i;
}

// 0 red, 1 green, 2 blue.
int ColourRef(BayerPhase phase, int x, int y) {
  const char* cells[] = {"GRBG", "RGGB", "GBRG", "BGGR"};
  const char c = cells[static_cast<int>(phase)][(y & 1) * 2 + (x & 1)];
  return c == 'R' ? 0 : (c == 'G' ? 1 : 2);
}

struct Mosaic {
  int width;
  int height;
  BayerPhase phase;
  Image data;
  int At(int x, int y) const { return data[MirrorRef(y, height) * width + MirrorRef(x, width)]; }
  int ColourAt(int x, int y) const { return ColourRef(phase, MirrorRef(x, width), MirrorRef(y, height)); }
};

// Bilinear: the mean of the samples of the wanted colour in the 3 x 3
// neighbourhood, rounded half up.
int SimpleRef(const Mosaic& m, int x, int y, int colour) {
  if (m.ColourAt(x, y) == colour) return m.At(x, y);
  int sum = 0;
  int count = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (m.ColourAt(x + dx, y + dy) == colour) {
        sum += m.At(x + dx, y + dy);
        ++count;
      }
    }
  }
  return static_cast<int>(std::floor(static_cast<double>(sum) / count + 0.5));
}

// Gradient-corrected linear interpolation, written as its four 5 x 5
// kernels (weights in eighths).
int HQRef(const Mosaic& m, int x, int y, int colour) {
  const int own = m.ColourAt(x, y);
  if (own == colour) return m.At(x, y);
  static const double kGreenAtRB[5][5] = {
      {0, 0, -1, 0, 0}, {0, 0, 2, 0, 0}, {-1, 2, 4, 2, -1}, {0, 0, 2, 0, 0}, {0, 0, -1, 0, 0}};
  static const double kRowNeighbours[5][5] = {
      {0, 0, 0.5, 0, 0}, {0, -1, 0, -1, 0}, {-1, 4, 5, 4, -1}, {0, -1, 0, -1, 0}, {0, 0, 0.5, 0, 0}};
  static const double kColumnNeighbours[5][5] = {
      {0, 0, -1, 0, 0}, {0, -1, 4, -1, 0}, {0.5, 0, 5, 0, 0.5}, {0, -1, 4, -1, 0}, {0, 0, -1, 0, 0}};
  static const double kOpposite[5][5] = {
      {0, 0, -1.5, 0, 0}, {0, 2, 0, 2, 0}, {-1.5, 0, 6, 0, -1.5}, {0, 2, 0, 2, 0}, {0, 0, -1.5, 0, 0}};
  const double(*kernel)[5] = nullptr;
  if (colour == 1) {
    kernel = kGreenAtRB;
  } else if (own != 1) {
    kernel = kOpposite;
  } else {
    kernel = m.ColourAt(x + 1, y) == colour ? kRowNeighbours : kColumnNeighbours;
  }
  double sum = 0;
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) sum += kernel[dy + 2][dx + 2] * m.At(x + dx, y + dy);
  }
  const int v = static_cast<int>(std::floor(sum / 8 + 0.5));
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Nearest neighbour: the wanted colour from the pixel's own 2 x 2 cell,
// preferring the same row.
int NoneRef(const Mosaic& m, int x, int y, int colour) {
  const int xs[] = {x, x ^ 1, x, x ^ 1};
  const int ys[] = {y, y, y ^ 1, y ^ 1};
  for (int i = 0; i < 4; ++i) {
    if (m.ColourAt(xs[i], ys[i]) == colour) return m.At(xs[i], ys[i]);
  }
  return -1;
}

Mosaic RandomMosaic(int width, int height, BayerPhase phase, unsigned seed) {
  std::mt19937 random(seed);
  Mosaic m{width, height, phase, Image(static_cast<std::size_t>(width) * height)};
  for (auto& v : m.data) v = static_cast<std::uint8_t>(random());
  return m;
}

Image DemosaicAll(const Mosaic& m, BayerMethod method) {
  Image out(static_cast<std::size_t>(m.width) * m.height * 3, 0xEE);
  Demosaic(m.data.data(), m.width, m.width, m.height, m.phase, method, out.data(), m.width * 3);
  return out;
}

TEST(Demosaic, MatchesTheReferencesForEveryPhaseSizeAndBorder) {
  ForEachVariant([&] {
    const struct {
      BayerMethod method;
      int (*reference)(const Mosaic&, int, int, int);
      int tolerance;
    } methods[] = {
        {BayerMethod::kSimple, SimpleRef, 0}, {BayerMethod::kHQLinear, HQRef, 1}, {BayerMethod::kNone, NoneRef, 0}};
    // (A mosaic of one row or column lacks colours; its result is only defined.)
    const int sizes[][2] = {{2, 2}, {2, 7}, {3, 5}, {4, 4}, {5, 3}, {7, 2}, {33, 17}, {64, 9}, {70, 31}};
    unsigned seed = 1;
    for (const auto& method : methods) {
      for (const BayerPhase phase : {BayerPhase::kGR, BayerPhase::kRG, BayerPhase::kGB, BayerPhase::kBG}) {
        for (const auto& size : sizes) {
          const Mosaic m = RandomMosaic(size[0], size[1], phase, seed++);
          const Image out = DemosaicAll(m, method.method);
          int worst = 0;
          for (int y = 0; y < m.height; ++y) {
            for (int x = 0; x < m.width; ++x) {
              for (int c = 0; c < 3; ++c) {
                const int got = out[(static_cast<std::size_t>(y) * m.width + x) * 3 + c];
                worst = std::max(worst, std::abs(got - method.reference(m, x, y, c)));
              }
            }
          }
          EXPECT_LE(worst, method.tolerance) << "method " << static_cast<int>(method.method) << " phase "
                                             << static_cast<int>(phase) << " size " << size[0] << "x" << size[1];
        }
      }
    }
  });
}

TEST(Demosaic, WritesOnlyItsRowsWithinTheStrides) {
  ForEachVariant([&] {
    const Mosaic m = RandomMosaic(9, 4, BayerPhase::kBG, 99);
    const int dstStride = 9 * 3 + 5;
    Image out(static_cast<std::size_t>(dstStride) * 4, 0xEE);
    Image padded(static_cast<std::size_t>(12) * 4, 0);
    for (int y = 0; y < 4; ++y) std::copy_n(&m.data[y * 9], 9, &padded[y * 12]);
    Demosaic(padded.data(), 12, 9, 4, m.phase, BayerMethod::kHQLinear, out.data(), dstStride);
    const Image dense = DemosaicAll(m, BayerMethod::kHQLinear);
    for (int y = 0; y < 4; ++y) {
      EXPECT_TRUE(std::equal(&dense[y * 27], &dense[y * 27] + 27, &out[y * dstStride]));
      for (int k = 27; k < dstStride; ++k) EXPECT_EQ(0xEE, out[y * dstStride + k]);
    }
  });
}

TEST(Demosaic, SurvivesASinglePixelOrRow) {
  ForEachVariant([&] {
    for (const auto method : {BayerMethod::kNone, BayerMethod::kSimple, BayerMethod::kHQLinear}) {
      for (const int w : {1, 6}) {
        const Mosaic m = RandomMosaic(w, 1, BayerPhase::kGR, 3);
        const Image out = DemosaicAll(m, method);
        EXPECT_EQ(m.data[0], out[1]);  // the green sample stays
      }
    }
  });
}

// On a smooth image whose channels vary together (as in natural images) the
// gradient correction brings the colours closer to the truth than bilinear
// interpolation does.
TEST(Demosaic, HQLinearIsCloserToTheTrueColoursThanSimpleOnASmoothImage) {
  const int w = 96;
  const int h = 64;
  std::vector<double> truth(static_cast<std::size_t>(w) * h * 3);
  Mosaic m{w, h, BayerPhase::kRG, Image(static_cast<std::size_t>(w) * h)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // Brightness varies faster than hue, as in natural images.
      const double light = 100 + 80 * std::sin(x * 0.35 + y * 0.2) * std::cos(y * 0.15);
      const double v[3] = {0.9 * light + 15 + 10 * std::sin(x * 0.03), light,
                           0.7 * light + 30 + 10 * std::cos(y * 0.04)};
      for (int c = 0; c < 3; ++c) truth[(static_cast<std::size_t>(y) * w + x) * 3 + c] = v[c];
      m.data[y * w + x] = static_cast<std::uint8_t>(std::lround(v[ColourRef(m.phase, x, y)]));
    }
  }
  auto error = [&](BayerMethod method) {
    const Image out = DemosaicAll(m, method);
    double sum = 0;
    for (int y = 2; y < h - 2; ++y) {
      for (int x = 2; x < w - 2; ++x) {
        for (int c = 0; c < 3; ++c) {
          const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 3 + c;
          sum += (out[i] - truth[i]) * (out[i] - truth[i]);
        }
      }
    }
    return sum;
  };
  const double simple = error(BayerMethod::kSimple);
  const double hq = error(BayerMethod::kHQLinear);
  EXPECT_LT(hq, simple * 0.8) << "simple " << simple << " hq " << hq;
  EXPECT_LT(simple, error(BayerMethod::kNone));
}

// Every value of a 3-byte group, then every length and alignment of a tail.
TEST(Mono12Packed, KeepsTheHighBitsForEveryBytePattern) {
  ForEachVariant([&] {
    const std::size_t groups = 1 << 16;
    Image packed(groups * 3);
    Image out(groups * 2);
    for (int first = 0; first < 256; ++first) {
      for (std::size_t g = 0; g < groups; ++g) {
        packed[3 * g] = static_cast<std::uint8_t>(first);
        packed[3 * g + 1] = static_cast<std::uint8_t>(g >> 8);
        packed[3 * g + 2] = static_cast<std::uint8_t>(g);
      }
      UnpackMono12PackedTo8(packed.data(), groups * 2, out.data());
      for (std::size_t g = 0; g < groups; ++g) {
        const int p0 = (packed[3 * g] << 4) | (packed[3 * g + 1] & 0xF);
        const int p1 = (packed[3 * g + 2] << 4) | (packed[3 * g + 1] >> 4);
        if (out[2 * g] != p0 >> 4 || out[2 * g + 1] != p1 >> 4) {
          FAIL() << "group " << first << "," << g;
        }
      }
    }
  });
}

TEST(Mono12Packed, HandlesEveryLengthWithoutWritingBeyondIt) {
  ForEachVariant([&] {
    std::mt19937 random(5);
    for (std::size_t pixels = 1; pixels < 200; ++pixels) {
      Image packed(Mono12PackedSize(pixels) + 1);  // one byte of slack the code must not read as pixel data
      for (auto& b : packed) b = static_cast<std::uint8_t>(random());
      Image out(pixels + 8, 0xEE);
      UnpackMono12PackedTo8(packed.data(), pixels, out.data());
      for (std::size_t i = 0; i < pixels; ++i) {
        ASSERT_EQ(packed[i / 2 * 3 + (i % 2) * 2], out[i]) << pixels << " " << i;
      }
      for (std::size_t i = pixels; i < out.size(); ++i) ASSERT_EQ(0xEE, out[i]);
    }
    EXPECT_EQ(3u, Mono12PackedSize(2));
    EXPECT_EQ(5u, Mono12PackedSize(3));
  });
}

// The wider variants work in steps of 32 or 64 columns with a partial last
// step: widths around those steps, rows with margins, and images of
// extreme values (where the kernels saturate and every rounding
// correction applies) must give the baseline code's bytes exactly. The
// buffers are exactly as large as the strides say.
TEST(Demosaic, EveryVariantGivesTheBaselineBytes) {
  const int widths[] = {1, 2, 3, 5, 31, 32, 33, 63, 64, 65, 66, 95, 127, 128, 129, 130, 191, 257};
  std::mt19937 random(7);
  const auto fill = [&](Image& img, int kind) {
    for (std::size_t i = 0; i < img.size(); ++i) {
      switch (kind) {
        case 0: img[i] = static_cast<std::uint8_t>(random()); break;
        case 1: img[i] = (i * 7 + i / 3) % 2 != 0 ? 255 : 0; break;  // hard edges: clamps both ways
        default: img[i] = static_cast<std::uint8_t>(random() % 2 + 254 * (random() % 2)); break;  // odd sums
      }
    }
  };
  int cases = 0;
  for (const BayerMethod method : {BayerMethod::kSimple, BayerMethod::kHQLinear, BayerMethod::kNone}) {
    for (const int width : widths) {
      const int height = 1 + (width + cases) % 6;
      const int srcStride = width + 3;
      const int dstStride = 3 * width + 4;
      Image src(static_cast<std::size_t>(srcStride) * height);
      fill(src, cases % 3);
      const BayerPhase phase = static_cast<BayerPhase>(cases % 4);
      ++cases;
      const auto run = [&](Variant v) {
        UseVariant(v);
        Image out(static_cast<std::size_t>(dstStride) * height, 0xEE);
        Demosaic(src.data(), srcStride, width, height, phase, method, out.data(), dstStride);
        return out;
      };
      const Image expected = run(Variant::kBaseline);
      for (const Variant v : RunnableVariants()) {
        EXPECT_EQ(expected, run(v)) << VariantName(v) << " method " << static_cast<int>(method) << " width " << width
                                    << " height " << height << " phase " << static_cast<int>(phase);
      }
    }
  }
  UseEnvironmentVariant();
}

// Exactly sized buffers (the sanitizer builds catch a read past the end)
// and lengths around the wider variants' steps of 32 and 64 pixels.
TEST(Mono12Packed, EveryVariantGivesTheBaselineBytes) {
  std::mt19937 random(11);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n < 300; ++n) lengths.push_back(n);
  for (const std::size_t n : {1023u, 1024u, 1025u, 4097u, 656u * 490u}) lengths.push_back(n);
  for (const std::size_t pixels : lengths) {
    Image packed(Mono12PackedSize(pixels));
    for (auto& b : packed) b = static_cast<std::uint8_t>(random());
    UseVariant(Variant::kBaseline);
    Image expected(pixels);
    UnpackMono12PackedTo8(packed.data(), pixels, expected.data());
    for (const Variant v : RunnableVariants()) {
      UseVariant(v);
      Image out(pixels);
      UnpackMono12PackedTo8(packed.data(), pixels, out.data());
      ASSERT_EQ(expected, out) << VariantName(v) << " " << pixels;
    }
  }
  UseEnvironmentVariant();
}

TEST(Variant, ARequestGivesThatVariantOrTheBestThatRuns) {
  const Variant best = RunnableVariants().back();
  EXPECT_EQ(best, ChooseVariant(nullptr).variant);
  EXPECT_EQ(best, ChooseVariant("").variant);
  EXPECT_EQ(Variant::kBaseline, ChooseVariant("Baseline").variant);
  const VariantChoice unknown = ChooseVariant("sse9");
  EXPECT_EQ(best, unknown.variant);
  EXPECT_NE(std::string::npos, unknown.description.find("sse9")) << unknown.description;
  for (const Variant v : {Variant::kAvx2, Variant::kAvx512}) {
    const VariantChoice c = ChooseVariant(VariantName(v));
    EXPECT_EQ(VariantRunnable(v) ? v : best, c.variant) << c.description;
    EXPECT_EQ(c.variant, UseVariant(v));
    EXPECT_EQ(c.variant, ActiveVariant());
  }
  UseEnvironmentVariant();
  EXPECT_EQ(EnvironmentVariantChoice().variant, ActiveVariant());
#if defined(__x86_64__) && defined(__linux__)
  // Every x86-64 processor that runs AVX-512 runs AVX2, and the Linux build
  // holds both wider variants.
  EXPECT_TRUE(!__builtin_cpu_supports("avx2") || VariantRunnable(Variant::kAvx2));
  EXPECT_TRUE(!__builtin_cpu_supports("avx512bw") || VariantRunnable(Variant::kAvx512));
#endif
}

// The variant may change while other threads convert (a benchmark or a test
// switching it beside a camera's stream): each conversion keeps to one
// variant and its bytes stay exact.
TEST(Variant, SwitchingWhileAnotherThreadConvertsKeepsTheBytes) {
  const Mosaic m = RandomMosaic(203, 12, BayerPhase::kGB, 21);
  UseVariant(Variant::kBaseline);
  const Image expected = DemosaicAll(m, BayerMethod::kHQLinear);
  std::atomic<bool> done{false};
  std::thread switcher([&] {
    const std::vector<Variant> variants = RunnableVariants();
    for (std::size_t i = 0; !done.load(); ++i) {
      UseVariant(variants[i % variants.size()]);
      std::this_thread::yield();
    }
  });
  int mismatches = 0;
  for (int i = 0; i < 300; ++i) mismatches += DemosaicAll(m, BayerMethod::kHQLinear) != expected ? 1 : 0;
  done = true;
  switcher.join();
  UseEnvironmentVariant();
  EXPECT_EQ(0, mismatches);
}

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
// The environment is read on first use, so each request runs in a fresh
// process (the death-test child, which re-runs this test alone).
void ReportEnvironmentChoice(const char* request) {
  setenv("ECOCAM_IMAGING_VARIANT", request, 1);
  const VariantChoice& choice = EnvironmentVariantChoice();
  std::fprintf(stderr, "active %s; %s\n", VariantName(ActiveVariant()), choice.description.c_str());
  std::exit(ActiveVariant() == choice.variant ? 0 : 1);
}

TEST(Variant, TheEnvironmentVariableChoosesTheVariant) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(ReportEnvironmentChoice("baseline"), ::testing::ExitedWithCode(0),
              "active baseline; baseline \\(requested\\)");
  EXPECT_EXIT(ReportEnvironmentChoice("no-such-variant"), ::testing::ExitedWithCode(0),
              std::string("active ") + VariantName(RunnableVariants().back()) + "; .*unknown request");
}
#endif

}  // namespace
}  // namespace ecocam::imaging

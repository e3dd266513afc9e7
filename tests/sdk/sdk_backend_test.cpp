// What both SDK libraries take from sdk/sdk_backend.h: the result of an
// entry point they leave out, and the argument checks of the image
// conversions.
#include <gtest/gtest.h>

#include <cstddef>
#include <limits>

#include "sdk/sdk_backend.h"

namespace ecocam::sdk {
namespace {

struct Implemented {
  static constexpr bool kImplemented = true;
  static int Call(int value) { return value * 2; }
};

TEST(SdkBackend, AnEntryPointLeftOutGivesNotSupportedOnlyWhereItsResultIsACode) {
  EXPECT_EQ(kNotSupported, (CallImplementation<NotImplemented, int>(-2, 7)));  // an SDK result code
  EXPECT_EQ(0, (CallImplementation<NotImplemented, int>(0, 7)));               // a count, a size
  EXPECT_EQ(-1, (CallImplementation<NotImplemented, CameraHandle>(-1)));       // a handle
  EXPECT_EQ(nullptr, (CallImplementation<NotImplemented, const char*>(nullptr)));
  EXPECT_EQ(14, (CallImplementation<Implemented, int>(-2, 7)));
  EXPECT_EQ(kInternalError, NeutralResult<int>(-2, kInternalError));
  EXPECT_EQ(0.0, NeutralResult<double>(0, kInternalError));
}

TEST(SdkBackend, ConversionChecksRefuseUnknownImagesNullDestinationsAndShortBuffers) {
  unsigned char byte = 0;
  EXPECT_EQ(kInvalidHandle, CheckConversion(false, nullptr));  // the image first
  EXPECT_EQ(kNullArgument, CheckConversion(true, nullptr));
  EXPECT_EQ(kOk, CheckConversion(true, &byte));

  EXPECT_TRUE(BufferHolds(12, 12));
  EXPECT_FALSE(BufferHolds(11, 12));
  EXPECT_FALSE(BufferHolds(-1, 0));  // a negative length holds nothing
  const auto intMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  EXPECT_TRUE(BufferHolds(std::numeric_limits<int>::max(), intMax));
  EXPECT_FALSE(BufferHolds(std::numeric_limits<int>::max(), intMax + 1));

  for (const int method : {-1, 1, 3}) EXPECT_TRUE(IsBayerMethod(method)) << method;
  for (const int method : {-2, 0, 2, 4}) EXPECT_FALSE(IsBayerMethod(method)) << method;
}

}  // namespace
}  // namespace ecocam::sdk

#include "platform/system/text_codec.h"

#include <gtest/gtest.h>

namespace {

using platform::decodeUtf8OrWindows1252;
using platform::decodeWindows1252;
using platform::isValidUtf8;

TEST(TextCodec, RejectsMalformedUtf8) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));          // Windows-1252 e acute
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // encoded surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // truncated
    EXPECT_FALSE(isValidUtf8("\x80"));             // lone continuation byte
}

TEST(TextCodec, DecodesWindows1252IncludingItsSpecialRange) {
    EXPECT_EQ(decodeWindows1252("\x80\x81\x8A\x9F\xE9\xFF"),
              QString::fromUtf8("\xE2\x82\xAC\xC2\x81\xC5\xA0\xC5\xB8\xC3\xA9\xC3\xBF"));
}

TEST(TextCodec, FallsBackOnlyForInvalidUtf8) {
    EXPECT_EQ(decodeUtf8OrWindows1252("C:\\Caf\xC3\xA9"), QString::fromUtf8("C:\\Caf\xC3\xA9"));
    EXPECT_EQ(decodeUtf8OrWindows1252("C:\\Caf\xE9"), QString::fromUtf8("C:\\Caf\xC3\xA9"));
}

} // namespace

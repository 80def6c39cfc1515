
#include "rp/rp.h"
#include "testsupport.h"

using namespace KORA;

namespace {

const char* const kEcho = "%KORADIR%/bin/testing::Echo";

std::string ConversionError(const RP::value& value)
{
    return testsupport::ErrorOf([&] { delete static_cast<CImage*>(value); });
}

} // namespace

TEST(RunPlugin, ReturnsOutputsInPinOrder)
{
    const RP::value_list results = RP::RunPlugin(kEcho, "value", 42, "NULL", "ignored", "also ignored");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0].IsValue());
    EXPECT_EQ(dynamic_cast<const CValueLong*>(Unwrap(results[0].Value()))->Value(), 42);
}

TEST(RunPlugin, ConvertsOnlyOwnedImagesToImagePointers)
{
    auto* image = new CImage(IMAGE_GREY_8, CSize(4, 3));
    const RP::value_list results =
        RP::RunPlugin(kEcho, "value", RP::value(new CValueOwnedPointer<CImage>(image)), "verbose", true);
    ASSERT_EQ(results.size(), 1u);
    std::unique_ptr<CImage> taken(static_cast<CImage*>(results[0]));
    EXPECT_EQ(taken.get(), image);
    // Taken once: the value no longer owns it.
    EXPECT_EQ(ConversionError(results[0]).rfind("invalid pointer conversion ", 0), 0u);

    const std::pair<RP::value, std::string> others[] = {
        {RP::RunPlugin(kEcho, "value", "text").at(0), "KORA::CValueString"},
        {RP::value(2.5), "double"},
        {RP::value(), "nothing"},
    };
    for (const auto& [value, described] : others) {
        const std::string message = ConversionError(value);
        EXPECT_EQ(message.rfind("invalid pointer conversion ", 0), 0u) << message;
        EXPECT_NE(message.find(described), std::string::npos) << message;
    }
}

TEST(RunPlugin, PassesNodeErrorsAndRefusals)
{
    EXPECT_EQ(testsupport::ErrorOf([] { RP::RunPlugin("%KORADIR%/bin/testing::Fail", "message", "boom"); }), "boom");
    EXPECT_THROW(RP::RunPlugin("%KORADIR%/bin/testing::Missing"), CException);
    EXPECT_THROW(RP::RunPlugin(kEcho, 5, 6), CException);
    EXPECT_THROW(RP::RunPlugin(kEcho), CException) << "Echo has neither input nor value";
}

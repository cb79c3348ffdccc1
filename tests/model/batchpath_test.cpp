#include "model/batchpath.h"
#include "model/drainerror.h"

#include <gtest/gtest.h>

using namespace slatewick;

namespace {
std::string render(const std::string &templateText, const std::string &card = "CARD01")
{
    const auto sampleTime = std::chrono::system_clock::from_time_t(1796427564); // 2026-12-04T23:39:24Z
    return BatchPath::rendered(templateText, card, "A1B2C3D4", sampleTime);
}
} // namespace

TEST(BatchPath, RendersTokens)
{
    EXPECT_EQ(render("{date}_{card}_{batch}"), "2026-12-04T23-39-24Z_CARD01_A1B2C3D4");
    EXPECT_EQ(render("{volume}"), render("{card}"));
    EXPECT_EQ(render("{card}", "A/B: C \n"), "A-B- C");
    EXPECT_EQ(render("{card}", "\u00A0CARD\u2003"), "CARD");
    EXPECT_EQ(render("{card}//{batch}/"), "CARD01/A1B2C3D4");
    EXPECT_EQ(render("{foo}_{card}"), "{foo}_CARD01");
    EXPECT_EQ(render("   "), "   ");
    EXPECT_EQ(render("a:b\\c"), "a:b\\c");
}

TEST(BatchPath, RefusesTemplatesThatLeaveTheRootOrNameNothing)
{
    for (const char *unsafe : {"/{card}", "{card}/../x", "./{card}", "{card}/.", "", "///", ".."})
        EXPECT_THROW(render(unsafe), DrainError) << unsafe;
    EXPECT_THROW(render(std::string("a\0b", 3)), DrainError);
    // A card whose name trims to nothing leaves no component.
    EXPECT_THROW(render("{card}", "  "), DrainError);
}


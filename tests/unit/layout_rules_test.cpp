#include "launcher/layout_rules.h"
#include "tools/assetcheck/required_forms.h"

#include <gtest/gtest.h>

TEST(ArtTierChoice, DepthsBelowEightGetTheSixteenColourSet)
{
    EXPECT_EQ(SelectArtTier(1), LowColor);
    EXPECT_EQ(SelectArtTier(4), LowColor);
    EXPECT_EQ(SelectArtTier(7), LowColor);
}

TEST(ArtTierChoice, ExactlyEightGetsThePaletteSetAndDeeperScreensTheTrueColourSet)
{
    EXPECT_EQ(SelectArtTier(8), Palette256);
    for (int depth : {9, 15, 16, 24, 32}) {
        EXPECT_EQ(SelectArtTier(depth), HighColor) << depth;
    }
}

namespace {

// Checks `id` against the asset check's table: a picture of the tier's depth for this slot.
void ExpectRequiredPicture(uint16_t id, int bitsPerPixel, int button, bool underPointer, InstallState installed)
{
    const assetcheck::RequiredForm* form = assetcheck::FindRequiredForm(id);
    ASSERT_NE(form, nullptr) << id << " is no resource the launcher ships";
    EXPECT_EQ(form->bitsPerPixel, bitsPerPixel) << id << ": " << form->what;
    EXPECT_EQ(form->slot.button, button) << id << ": " << form->what;
    EXPECT_EQ(form->slot.underPointer, underPointer) << id << ": " << form->what;
    if (button == 0) {
        EXPECT_EQ(form->slot.installState, installed) << id << ": " << form->what;
    }
}

} // namespace

// Every picture the rule can choose, for each screen depth and install state, is the required form of
// that depth's picture for the slot it fills: another tier's picture, a swapped picture at rest and
// under the pointer, or the install picture of an installed product fails here.
TEST(ArtIds, EveryChosenPictureIsTheRequiredOneForItsDepthAndSlot)
{
    const struct {
        ArtTier tier;
        int bitsPerPixel;
    } tiers[] = {{LowColor, 4}, {Palette256, 8}, {HighColor, 24}};
    for (const auto& t : tiers) {
        for (InstallState installed : {NotInstalled, Installed}) {
            SCOPED_TRACE(testing::Message() << "tier " << t.tier << ", installed " << installed);
            const ArtIds ids = ArtIdsFor(t.tier, installed);
            ExpectRequiredPicture(ids.background, t.bitsPerPixel, -1, false, installed);
            for (int i = 0; i < ButtonCount; ++i) {
                ExpectRequiredPicture(ids.atRest[i], t.bitsPerPixel, i, false, installed);
                ExpectRequiredPicture(ids.underPointer[i], t.bitsPerPixel, i, true, installed);
            }
        }
    }
}

TEST(ButtonBoxes, StandInOneColumnFifteenPixelsApartWithExclusiveEdges)
{
    PixelRect boxes[ButtonCount];
    ComputeButtonBoxes(90, 40, boxes);
    EXPECT_EQ(boxes[0].left, 30);
    EXPECT_EQ(boxes[0].top, 180);
    EXPECT_EQ(boxes[0].right, 120);
    EXPECT_EQ(boxes[0].bottom, 220);
    EXPECT_EQ(boxes[1].top, 235);
    EXPECT_EQ(boxes[2].top, 290);
    EXPECT_EQ(boxes[2].bottom, 330);

    EXPECT_TRUE(PointInBox(boxes[0], 30, 180));
    EXPECT_TRUE(PointInBox(boxes[0], 119, 219));
    EXPECT_FALSE(PointInBox(boxes[0], 120, 200));
    EXPECT_FALSE(PointInBox(boxes[0], 60, 220));
    EXPECT_FALSE(PointInBox(boxes[0], 29, 200));
}

TEST(ButtonBoxes, FollowTheButtonSizeButKeepTheirOrigins)
{
    PixelRect boxes[ButtonCount];
    ComputeButtonBoxes(100, 70, boxes);
    EXPECT_EQ(boxes[1].left, 30);
    EXPECT_EQ(boxes[1].top, 235);
    EXPECT_EQ(boxes[1].right, 130);
    EXPECT_EQ(boxes[1].bottom, 305);
    // Taller pictures overlap the next button's box.
    EXPECT_TRUE(PointInBox(boxes[0], 50, 240));
    EXPECT_TRUE(PointInBox(boxes[1], 50, 240));
}

TEST(PictureSizes, AreTheLowSixteenBitsReadUnsigned)
{
    EXPECT_EQ(Low16(530), 530);
    EXPECT_EQ(Low16(-360), 65176); // a top-down picture
    EXPECT_EQ(Low16(65536 + 90), 90);
}

TEST(Centring, SplashLandsInTheMiddleOfASmallScreen)
{
    const WindowPlacement p = CenteredPlacement(640, 480, 530, 360, nullptr);
    EXPECT_EQ(p.x, 55);
    EXPECT_EQ(p.y, 60);
}

TEST(Centring, DivisionTruncatesTowardZero)
{
    const WindowPlacement p = CenteredPlacement(641, 481, 530, 360, nullptr);
    EXPECT_EQ(p.x, 55);
    EXPECT_EQ(p.y, 60);
}

TEST(Centring, AWindowWiderThanTheScreenAlignsToItsRightEdge)
{
    const WindowPlacement p = CenteredPlacement(400, 480, 530, 360, nullptr);
    EXPECT_EQ(p.x, -130);
    EXPECT_EQ(p.y, 60);
    const WindowPlacement tall = CenteredPlacement(640, 300, 530, 360, nullptr);
    EXPECT_EQ(tall.y, -60);
}

TEST(Centring, OverAParentIsStillClampedToTheScreen)
{
    const PixelRect centred = {100, 100, 500, 400};
    const WindowPlacement inside = CenteredPlacement(1024, 768, 200, 100, &centred);
    EXPECT_EQ(inside.x, 200);
    EXPECT_EQ(inside.y, 200);

    const PixelRect nearLeftTop = {-300, -200, 100, 100};
    const WindowPlacement pulledIn = CenteredPlacement(1024, 768, 530, 360, &nearLeftTop);
    EXPECT_EQ(pulledIn.x, 0);
    EXPECT_EQ(pulledIn.y, 0);

    const PixelRect nearRightBottom = {900, 700, 1300, 1000};
    const WindowPlacement pulledBack = CenteredPlacement(1024, 768, 530, 360, &nearRightBottom);
    EXPECT_EQ(pulledBack.x, 1024 - 530);
    EXPECT_EQ(pulledBack.y, 768 - 360);
}

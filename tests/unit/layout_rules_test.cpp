#include "launcher/layout_rules.h"

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

TEST(ArtIds, EachTierAndInstallStateNamesItsOwnPictures)
{
    const ArtIds low = ArtIdsFor(LowColor, NotInstalled);
    EXPECT_EQ(low.background, 104);
    EXPECT_EQ(low.normal[0], 108);
    EXPECT_EQ(low.hover[0], 107);
    EXPECT_EQ(low.normal[1], 112);
    EXPECT_EQ(low.hover[1], 111);
    EXPECT_EQ(low.normal[2], 184);
    EXPECT_EQ(low.hover[2], 185);

    const ArtIds palette = ArtIdsFor(Palette256, NotInstalled);
    EXPECT_EQ(palette.background, 123);
    EXPECT_EQ(palette.normal[0], 120);
    EXPECT_EQ(palette.hover[0], 119);
    EXPECT_EQ(palette.normal[1], 116);
    EXPECT_EQ(palette.hover[1], 115);
    EXPECT_EQ(palette.normal[2], 186);
    EXPECT_EQ(palette.hover[2], 187);

    const ArtIds high = ArtIdsFor(HighColor, NotInstalled);
    EXPECT_EQ(high.background, 132);
    EXPECT_EQ(high.normal[0], 129);
    EXPECT_EQ(high.hover[0], 128);
    EXPECT_EQ(high.normal[1], 125);
    EXPECT_EQ(high.hover[1], 124);
    EXPECT_EQ(high.normal[2], 188);
    EXPECT_EQ(high.hover[2], 189);
}

TEST(ArtIds, InstalledProductSwapsOnlyButtonZeroForTheRemovePictures)
{
    const ArtIds tiers[3][2] = {
        {ArtIdsFor(LowColor, NotInstalled), ArtIdsFor(LowColor, Installed)},
        {ArtIdsFor(Palette256, NotInstalled), ArtIdsFor(Palette256, Installed)},
        {ArtIdsFor(HighColor, NotInstalled), ArtIdsFor(HighColor, Installed)},
    };
    const int removeNormal[3] = {165, 167, 169};
    const int removeHover[3] = {166, 168, 170};
    for (int t = 0; t < 3; ++t) {
        const ArtIds& setup = tiers[t][0];
        const ArtIds& remove = tiers[t][1];
        EXPECT_EQ(remove.normal[0], removeNormal[t]);
        EXPECT_EQ(remove.hover[0], removeHover[t]);
        EXPECT_EQ(remove.background, setup.background);
        for (int i = 1; i < ButtonCount; ++i) {
            EXPECT_EQ(remove.normal[i], setup.normal[i]);
            EXPECT_EQ(remove.hover[i], setup.hover[i]);
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

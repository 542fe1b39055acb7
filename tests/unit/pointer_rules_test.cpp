#include "launcher/pointer_rules.h"

#include <gtest/gtest.h>

namespace {

struct Buttons {
    PixelRect boxes[ButtonCount];
    int32_t hovered[ButtonCount] = {0, 0, 0};
    int32_t pressed = 0;

    Buttons() { ComputeButtonBoxes(90, 40, boxes); }

    // Moves the pointer and returns the changes as text, e.g. "-0 +1".
    std::string Move(int x, int y)
    {
        HoverChange changes[ButtonCount];
        const int32_t n = TrackHover(boxes, hovered, PointerPosition{x, y}, changes);
        std::string text;
        for (int32_t i = 0; i < n; ++i) {
            if (!text.empty()) {
                text += ' ';
            }
            text += changes[i].entered ? '+' : '-';
            text += static_cast<char>('0' + changes[i].button);
        }
        return text;
    }

    std::string Release()
    {
        int32_t targets[ButtonCount];
        const int32_t n = ReleaseTargets(hovered, &pressed, targets);
        std::string text;
        for (int32_t i = 0; i < n; ++i) {
            text += static_cast<char>('0' + targets[i]);
        }
        return text;
    }

    PressOutcome Press() { return TrackPress(hovered, &pressed); }
};

} // namespace

TEST(PointerPosition, IsUnpackedAsUnsignedSixteenBitHalves)
{
    const PointerPosition p = PointerFromMessage((235u << 16) | 30u);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 235);
    // Positions left of or above a captured window arrive as large unsigned values: off every button.
    const PointerPosition negative = PointerFromMessage(0xFFFFFFF6u);
    EXPECT_EQ(negative.x, 65526);
    EXPECT_EQ(negative.y, 65535);
}

TEST(Hover, EnteringLightsOnceAndMovingWithinChangesNothing)
{
    Buttons b;
    EXPECT_EQ(b.Move(10, 10), "");
    EXPECT_EQ(b.Move(40, 190), "+0");
    EXPECT_EQ(b.Move(100, 210), "");
    EXPECT_EQ(b.Move(119, 219), "");
    EXPECT_EQ(b.Move(120, 219), "-0");
    EXPECT_EQ(b.Move(121, 219), "");
}

TEST(Hover, MovingStraightFromOneButtonToTheNextSwapsBothInButtonOrder)
{
    Buttons b;
    EXPECT_EQ(b.Move(40, 190), "+0");
    EXPECT_EQ(b.Move(40, 240), "-0 +1");
    EXPECT_EQ(b.Move(40, 300), "-1 +2");
    EXPECT_EQ(b.Move(40, 190), "+0 -2");
}

TEST(Hover, TheGapBetweenButtonsBelongsToNone)
{
    Buttons b;
    EXPECT_EQ(b.Move(40, 220), "");
    EXPECT_EQ(b.Move(40, 234), "");
    EXPECT_EQ(b.Move(40, 235), "+1");
}

TEST(Hover, OverlappingBoxesLightEveryButtonUnderThePointer)
{
    Buttons b;
    ComputeButtonBoxes(90, 70, b.boxes);
    EXPECT_EQ(b.Move(40, 240), "+0 +1");
}

TEST(Press, OnAButtonStartsAPressAndOffTheButtonsCloses)
{
    Buttons b;
    EXPECT_EQ(b.Press(), PressCloses);
    EXPECT_EQ(b.pressed, 0);
    b.Move(40, 300);
    EXPECT_EQ(b.Press(), PressStarted);
    EXPECT_EQ(b.pressed, 1);
}

TEST(Press, FollowsTheLastMoveNotTheClickAndStartsAgainWhilePressed)
{
    Buttons b;
    b.Move(40, 190);
    EXPECT_EQ(b.Press(), PressStarted);
    EXPECT_EQ(b.Press(), PressStarted); // a second press before any release
    EXPECT_EQ(b.pressed, 1);
    // A pending press (released off the buttons) does not keep a later press off them from closing.
    b.Move(300, 100);
    EXPECT_EQ(b.Release(), "");
    EXPECT_EQ(b.Press(), PressCloses);
}

TEST(Release, OverThePressedButtonRunsItsAction)
{
    Buttons b;
    b.Move(40, 190);
    b.Press();
    EXPECT_EQ(b.pressed, 1);
    EXPECT_EQ(b.Release(), "0");
    EXPECT_EQ(b.pressed, 0);
}

TEST(Release, RunsTheButtonUnderThePointerNotTheOnePressed)
{
    Buttons b;
    b.Move(40, 240);
    b.Press();
    b.Move(40, 300);
    EXPECT_EQ(b.Release(), "2");
}

TEST(Release, OffTheButtonsDoesNothingAndKeepsThePressPending)
{
    Buttons b;
    b.Move(40, 240);
    b.Press();
    b.Move(300, 100);
    EXPECT_EQ(b.Release(), "");
    EXPECT_EQ(b.pressed, 1);
    // A later release over a button still completes it.
    b.Move(40, 190);
    EXPECT_EQ(b.Release(), "0");
}

TEST(Release, WithoutAPressDoesNothing)
{
    Buttons b;
    b.Move(40, 190);
    EXPECT_EQ(b.Release(), "");
}

TEST(Release, OverOverlappingButtonsRunsEachInButtonOrder)
{
    Buttons b;
    ComputeButtonBoxes(90, 70, b.boxes);
    b.Move(40, 240);
    b.Press();
    EXPECT_EQ(b.Release(), "01");
}

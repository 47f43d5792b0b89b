#include "Selection.h"

#include <gtest/gtest.h>

using namespace lumeno;

namespace {

const Rect kPanel{0, 0, 800, 600};

Selection selectionOf(Rect r)
{
    Selection s;
    s.captureWindowRect = r;
    return s;
}

} // namespace

TEST(CaptureSelection, NewDragIsTheUnionOfBothEndSquares)
{
    Selection s;
    s.beginNewSelection({100, 100});
    s.dragNewSelection({300, 250}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{100, 100, 201, 151}));
    // Dragging back past the start: the squares still count on both sides.
    s.dragNewSelection({90, 95}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{90, 95, 11, 6}));
}

TEST(CaptureSelection, NewDragIsClippedToThePanel)
{
    Selection s;
    s.beginNewSelection({700, 500});
    s.dragNewSelection({900, 650}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{700, 500, 100, 100}));
    // A drag entirely outside the panel leaves the zero rectangle.
    s.beginNewSelection({-50, -50});
    s.dragNewSelection({-10, -10}, kPanel);
    EXPECT_EQ(s.captureWindowRect, Rect{});
}

struct HitCase
{
    const char *name;
    Rect selection;
    Point point;
    int expected;
};

class CaptureHitTest : public ::testing::TestWithParam<HitCase>
{
};

TEST_P(CaptureHitTest, PicksTheHandleMoveOrNothing)
{
    const HitCase &c = GetParam();
    EXPECT_EQ(selectionOf(c.selection).hitTestHandle(c.point), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Handles, CaptureHitTest,
    ::testing::Values(
        HitCase{"top_left_corner", {100, 100, 200, 100}, {100, 200}, 0},
        HitCase{"five_inside_left_edge_mid_height", {100, 100, 200, 100}, {105, 150}, 3},
        HitCase{"twenty_inside", {100, 100, 200, 100}, {120, 150}, 8},
        HitCase{"twenty_outside", {100, 100, 200, 100}, {80, 150}, -1},
        HitCase{
            "right_edge_itself_is_outside_but_in_the_band", {100, 100, 200, 100}, {300, 150}, 4},
        HitCase{"bottom_right_outside_corner", {100, 100, 200, 100}, {305, 95}, 7},
        HitCase{"top_middle", {100, 100, 200, 100}, {200, 197}, 1},
        HitCase{"band_far_from_every_handle", {100, 100, 200, 100}, {150, 201}, -1},
        HitCase{"exactly_eight_from_the_nearest_handle", {100, 100, 200, 100}, {92, 150}, -1},
        HitCase{"tie_goes_to_the_lower_index", {0, 0, 20, 20}, {5, 22}, 0},
        HitCase{"narrow_selection_inside_is_move", {100, 100, 10, 100}, {100, 100}, 8},
        HitCase{"narrow_selection_band_outside", {100, 100, 10, 100}, {98, 100}, 5},
        HitCase{"low_selection_inside_is_move", {100, 100, 200, 16}, {299, 115}, 8}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CaptureSelection, HandlePointsFollowTheTableAndOthersAreTheOrigin)
{
    const Selection s = selectionOf({100, 100, 200, 100});
    const Point expected[] = {{100, 200}, {200, 200}, {300, 200}, {100, 150},
                              {300, 150}, {100, 100}, {200, 100}, {300, 100}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(s.handlePoints(i), expected[i]) << "handle " << i;
    EXPECT_EQ(s.handlePoints(8), Point{});
    EXPECT_EQ(s.handlePoints(-1), Point{});
}

struct ResizeCase
{
    int handle;
    Rect expected;
};

class CaptureResize : public ::testing::TestWithParam<ResizeCase>
{
};

// (100, 100, 200, 100) with the mouse moved by (10, -20) from the grabbed handle.
TEST_P(CaptureResize, HandleMovesItsEdges)
{
    const ResizeCase &c = GetParam();
    Selection s = selectionOf({100, 100, 200, 100});
    const Point start = c.handle == 8 ? Point{200, 150} : s.handlePoints(c.handle);
    s.beginAdjust(start);
    ASSERT_EQ(s.dragDirection, c.handle);
    ASSERT_TRUE(s.dragAdjust({start.x + 10, start.y - 20}, kPanel));
    EXPECT_EQ(s.captureWindowRect, c.expected);
    EXPECT_EQ(s.dragWindowRect, c.expected);
    EXPECT_EQ(s.startPoint, (Point{start.x + 10, start.y - 20}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureResize,
    ::testing::Values(ResizeCase{0, {110, 100, 190, 80}}, ResizeCase{1, {100, 100, 200, 80}},
                      ResizeCase{2, {100, 100, 210, 80}}, ResizeCase{3, {110, 100, 190, 100}},
                      ResizeCase{4, {100, 100, 210, 100}}, ResizeCase{5, {110, 80, 190, 120}},
                      ResizeCase{6, {100, 80, 200, 120}}, ResizeCase{7, {100, 80, 210, 120}},
                      ResizeCase{8, {110, 80, 200, 100}}));

TEST(CaptureSelection, HandleDraggedAcrossTheOppositeEdgeFlips)
{
    Selection s = selectionOf({100, 100, 200, 100});
    s.beginAdjust({300, 150}); // right-middle
    ASSERT_EQ(s.dragDirection, 4);
    s.dragAdjust({50, 150}, kPanel);
    EXPECT_EQ(s.dragWindowRect, (Rect{100, 100, -50, 100}));
    EXPECT_EQ(s.captureWindowRect, (Rect{50, 100, 50, 100}));
    // The next step goes on from the negative width instead of from the flipped rectangle.
    s.dragAdjust({60, 150}, kPanel);
    EXPECT_EQ(s.dragWindowRect, (Rect{100, 100, -40, 100}));
    EXPECT_EQ(s.captureWindowRect, (Rect{60, 100, 40, 100}));
}

TEST(CaptureSelection, SizeBelowOnePointCountsAsOne)
{
    Selection s = selectionOf({100, 100, 200, 100});
    s.beginAdjust({300, 150});
    s.dragAdjust({100.5, 150}, kPanel);
    EXPECT_EQ(s.dragWindowRect.width, 0.5);
    EXPECT_EQ(s.captureWindowRect, (Rect{100, 100, 1, 100}));
}

TEST(CaptureSelection, MoveStopsAtThePanelEdgeAndMeasuresFromThere)
{
    Selection s = selectionOf({100, 100, 200, 100});
    s.beginAdjust({200, 150});
    ASSERT_EQ(s.dragDirection, 8);
    s.dragAdjust({50, 150}, kPanel); // 150 to the left: 50 past the edge
    EXPECT_EQ(s.captureWindowRect, (Rect{0, 100, 200, 100}));
    EXPECT_EQ(s.startPoint, (Point{100, 150}));
    s.dragAdjust({110, 150}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{10, 100, 200, 100}));
    // Past the top right corner.
    s.dragAdjust({2000, 2000}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{600, 500, 200, 100}));
}

TEST(CaptureSelection, RectangleLargerThanThePanelEndsAtMaxMinusSize)
{
    Selection s = selectionOf({0, 0, 1000, 100});
    s.beginAdjust({500, 50});
    s.dragAdjust({510, 50}, kPanel);
    EXPECT_EQ(s.captureWindowRect, (Rect{-200, 0, 1000, 100}));
}

TEST(CaptureSelection, DragOutsideTheBandDoesNothing)
{
    Selection s = selectionOf({100, 100, 200, 100});
    s.beginAdjust({500, 500});
    EXPECT_EQ(s.dragDirection, Selection::kNoHandle);
    EXPECT_FALSE(s.dragAdjust({510, 510}, kPanel));
    EXPECT_EQ(s.captureWindowRect, (Rect{100, 100, 200, 100}));
}

TEST(CaptureSelection, AdjustStandardizesTheSelectionFirst)
{
    Selection s = selectionOf({300, 200, -200, -100});
    s.beginAdjust({100, 200});
    EXPECT_EQ(s.captureWindowRect, (Rect{100, 100, 200, 100}));
    EXPECT_EQ(s.dragDirection, 0);
}

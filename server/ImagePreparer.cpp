#include "ImagePreparer.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lumeno {

namespace {

// The grey level below which the given share of the pixels lie.
int rankLevel(const std::array<l_float64, 256> &histogram, double total, double share)
{
    double seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[static_cast<size_t>(level)];
        if (seen >= share * total)
            return level;
    }
    return 255;
}

} // namespace

PreparedPage ImagePreparer::prepare(Pix *decoded) const
{
    // Alpha is dropped: captures are opaque screen pixels.
    PixPtr grey(pixConvertTo8(decoded, 0));
    if (!grey)
        return {};
    std::array<l_float64, 256> histogram{};
    if (NumaPtr numa{pixGetGrayHistogram(grey.get(), 1)}) {
        l_float32 value = 0;
        for (l_int32 i = 0; i < 256 && i < numaGetCount(numa.get()); ++i) {
            numaGetFValue(numa.get(), i, &value);
            histogram[static_cast<size_t>(i)] = value;
        }
    }
    const double total = static_cast<double>(pixGetWidth(grey.get())) * pixGetHeight(grey.get());
    // The background is most of a capture: light text on a dark background is inverted so that
    // the engine always sees dark ink.
    if (rankLevel(histogram, total, 0.5) < 128) {
        pixInvert(grey.get(), grey.get());
        std::reverse(histogram.begin(), histogram.end());
    }
    // Low-contrast text (grey on white) is stretched to the full range.
    const int dark = rankLevel(histogram, total, 0.005);
    const int light = rankLevel(histogram, total, 0.5);
    if (light - dark >= 16 && (dark > 0 || light < 255))
        pixGammaTRC(grey.get(), grey.get(), 1.0f, dark, light);
    const int xHeight = estimateXHeight(grey.get());
    return {std::move(grey), xHeight};
}

PixPtr ImagePreparer::piece(Pix *page, const QRect &box, int xHeight) const
{
    BoxPtr clip(boxCreate(box.x(), box.y(), box.width(), box.height()));
    PixPtr part(clip ? pixClipRectangle(page, clip.get(), nullptr) : nullptr);
    if (!part)
        return nullptr;
    l_uint32 background = 255;
    pixGetRankValue(part.get(), 1, 0.5f, &background);
    if (background < 128) {
        pixInvert(part.get(), part.get());
        background = 255 - background;
    }
    // A hostile page of bars reads as letters as tall as the page; a margin that size would
    // make the piece many times the page.
    const int margin = std::clamp(xHeight, 4, kMaxMargin);
    PixPtr framed(pixAddBorder(part.get(), margin, background));
    if (!framed || xHeight <= 0 || xHeight >= kSmallXHeight)
        return framed;
    if (PixPtr doubled{pixScaleGray2xLI(framed.get())})
        return doubled;
    return framed;
}

int ImagePreparer::estimateXHeight(Pix *grey)
{
    PixPtr ink(pixThresholdToBinary(grey, 128));
    if (!ink)
        return 0;
    BoxaPtr boxes(pixConnCompBB(ink.get(), 8));
    if (!boxes)
        return 0;
    std::vector<l_int32> heights;
    const l_int32 count = boxaGetCount(boxes.get());
    heights.reserve(static_cast<size_t>(count));
    for (l_int32 i = 0; i < count; ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        // Specks and rules are not letters.
        if (boxaGetBoxGeometry(boxes.get(), i, &x, &y, &w, &h) == 0 && h >= 3 && w <= 4 * h)
            heights.push_back(h);
    }
    if (heights.empty())
        return 0;
    const auto middle = heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}

} // namespace lumeno

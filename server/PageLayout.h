#pragma once

#include "PixPtr.h"

#include <QRect>
#include <vector>

namespace lumeno {

// Where the text of a capture lies and in which order it reads. The page is cut along clear
// gaps of background, columns before the paragraphs inside them, into blocks of lines; every mark
// of the page ends up in one line, so nothing the engine could read is left out. Lines can then
// be cut into pieces at word gaps, so that a request with few lines still keeps several workers
// busy.
//
// Marks are found as edges (the grey level changing), not as dark pixels, so light text on a
// dark panel is cut out like dark text on a light one.
class PageLayout
{
public:
    struct Options
    {
        // Median height (pixels) of the page's small letters; 0 when unknown. Every gap the
        // layout looks for is measured in it.
        int xHeight = 0;
        // Columns are read right to left, and lines are never cut: their pieces would be joined
        // in the wrong order.
        bool rightToLeft = false;
        // Words are set apart by spaces; without them (Chinese, Japanese, Thai) a line is never
        // cut, since joining the pieces would add spaces the text does not have.
        bool spacedWords = true;
    };

    struct Line
    {
        QRect box;
        // Left to right; the whole box until the line is cut.
        std::vector<QRect> pieces;
        // Background gaps between its words, left to right, where it may be cut.
        std::vector<std::pair<int, int>> wordGaps; // [begin, end) in page columns
    };
    struct Block
    {
        std::vector<Line> lines;
    };

    // The page must be 8-bit grey. A page without marks has no blocks.
    static PageLayout analyse(Pix *grey, const Options &options);

    const std::vector<Block> &blocks() const { return m_blocks; }
    int pieceCount() const;
    // Cuts the widest pieces at a word gap near their middle until there are `wanted` pieces or
    // none is wide enough to give two that the engine still reads well.
    void splitLines(int wanted);

private:
    std::vector<Block> m_blocks;
    Options m_options;
};

} // namespace lumeno

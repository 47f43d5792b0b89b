#include "PageLayout.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace lumeno {

namespace {

// A run of rows or columns: [begin, end).
struct Span
{
    int begin;
    int end;
    int size() const { return end - begin; }
};

// Grey-level change that counts as the edge of a mark: well above JPEG noise and the steps of a
// colour gradient, well below the edges of antialiased text after the contrast stretch.
constexpr int kEdgeLevel = 48;
// Used when the page gave no letters to measure, which mostly means there is nothing to read.
constexpr int kFallbackXHeight = 7;
// Nesting of the cuts; hostile images could otherwise nest them as deep as they are wide.
constexpr int kMaxDepth = 48;

// Marks are one where the grey level changes within a 3x3 square: the strokes of text, one
// pixel wider on each side, whichever of ink and background is the darker.
PixPtr markMask(Pix *grey)
{
    PixPtr gradient(pixMorphGradient(grey, 3, 3, 0));
    if (!gradient)
        return nullptr;
    PixPtr mask(pixThresholdToBinary(gradient.get(), kEdgeLevel));
    if (mask)
        pixInvert(mask.get(), mask.get());
    return mask;
}

// Runs of non-zero counts, or of zero counts when `ink` is false.
std::vector<Span> runs(const std::vector<l_int32> &counts, bool ink)
{
    std::vector<Span> found;
    const int size = static_cast<int>(counts.size());
    for (int i = 0; i < size;) {
        if ((counts[static_cast<size_t>(i)] != 0) != ink) {
            ++i;
            continue;
        }
        const int begin = i;
        while (i < size && (counts[static_cast<size_t>(i)] != 0) == ink)
            ++i;
        found.push_back({begin, i});
    }
    return found;
}

// Gaps between ink runs: the zero runs that have ink on both sides.
std::vector<Span> innerGaps(const std::vector<l_int32> &counts)
{
    std::vector<Span> gaps = runs(counts, false);
    std::erase_if(gaps, [&](const Span &gap) {
        return gap.begin == 0 || gap.end == static_cast<int>(counts.size());
    });
    return gaps;
}

class Cutter
{
public:
    Cutter(Pix *mask, const PageLayout::Options &options)
        : m_mask(mask), m_options(options),
          m_xHeight(options.xHeight > 0 ? options.xHeight : kFallbackXHeight)
    {
    }

    void cut(const QRect &area, int depth, std::vector<PageLayout::Block> &blocks) const;

private:
    std::optional<QRect> foreground(const QRect &area) const;
    std::vector<l_int32> profile(const QRect &area, bool byRow) const;
    std::vector<l_int32> columnProfile(const QRect &area, const std::vector<Span> &rows) const;
    std::vector<Span> textRows(const QRect &area) const;
    std::vector<Span> paragraphBreaks(const std::vector<Span> &rows) const;
    // Background from the top of the text rows to their bottom, wide enough not to be a word
    // gap: where the area splits into columns, in page columns.
    std::vector<Span> columnGaps(const QRect &box, const std::vector<Span> &rows) const;
    // The areas between the gaps, in reading order.
    std::vector<QRect> parts(const QRect &box, const std::vector<Span> &gaps, bool byColumn) const;
    void addBlock(const QRect &box, const std::vector<Span> &rows,
                  std::vector<PageLayout::Block> &blocks) const;
    PageLayout::Line line(const QRect &area, const Span &rows) const;
    bool isRule(const QRect &box) const
    {
        const int thin = std::max(3, m_xHeight / 2);
        return (box.width() <= thin && box.height() >= 3 * m_xHeight) ||
               box.height() < std::max(4, 2 * m_xHeight / 3);
    }

    Pix *m_mask;
    PageLayout::Options m_options;
    int m_xHeight;
};

std::optional<QRect> Cutter::foreground(const QRect &area) const
{
    BoxPtr box(boxCreate(area.x(), area.y(), area.width(), area.height()));
    Box *found = nullptr;
    if (!box || pixClipBoxToForeground(m_mask, box.get(), nullptr, &found) != 0 || !found)
        return std::nullopt;
    BoxPtr owned(found);
    l_int32 x = 0, y = 0, w = 0, h = 0;
    boxGetGeometry(found, &x, &y, &w, &h);
    return QRect(x, y, w, h);
}

std::vector<l_int32> Cutter::profile(const QRect &area, bool byRow) const
{
    BoxPtr box(boxCreate(area.x(), area.y(), area.width(), area.height()));
    PixPtr part(box ? pixClipRectangle(m_mask, box.get(), nullptr) : nullptr);
    if (!part)
        return {};
    NumaPtr counts(byRow ? pixCountPixelsByRow(part.get(), nullptr)
                         : pixCountPixelsByColumn(part.get()));
    if (!counts)
        return {};
    std::vector<l_int32> values(static_cast<size_t>(numaGetCount(counts.get())));
    for (size_t i = 0; i < values.size(); ++i)
        numaGetIValue(counts.get(), static_cast<l_int32>(i), &values[i]);
    return values;
}

// The marks per column of an area, counting only its text rows: a rule across the whole area
// (the edge of a title bar, a separator) must not hide the gap between two columns below it.
std::vector<l_int32> Cutter::columnProfile(const QRect &area, const std::vector<Span> &rows) const
{
    std::vector<l_int32> total(static_cast<size_t>(area.width()), 0);
    for (const Span &row : rows) {
        const std::vector<l_int32> counts =
            profile(QRect(area.x(), row.begin, area.width(), row.size()), false);
        for (size_t i = 0; i < counts.size() && i < total.size(); ++i)
            total[i] += counts[i];
    }
    return total;
}

// The row runs of an area that can hold text, in page rows; rules and specks are left out.
std::vector<Span> Cutter::textRows(const QRect &area) const
{
    std::vector<Span> rows = runs(profile(area, true), true);
    std::erase_if(rows,
                  [&](const Span &span) { return span.size() < std::max(4, 2 * m_xHeight / 3); });
    for (Span &span : rows)
        span = {span.begin + area.y(), span.end + area.y()};
    return rows;
}

// The gaps between rows that are wider than the lines' own spacing by most of a line: an empty
// line, or more, in the text.
std::vector<Span> Cutter::paragraphBreaks(const std::vector<Span> &rows) const
{
    if (rows.size() < 2)
        return {};
    // A line's height is that of its tallest letters; many lines of screen text have no
    // ascender or descender at all ("OK", "a", "5"), so the taller quarter is the measure.
    std::vector<int> heights;
    for (const Span &row : rows)
        heights.push_back(row.size());
    const auto tall = heights.begin() + static_cast<long>(heights.size() * 3 / 4);
    std::nth_element(heights.begin(), tall, heights.end());
    const int lineHeight = *tall;
    // The lines' own spacing. With three gaps or more it is the narrower quarter of them, so
    // that a list spaced wide apart (a menu, a side bar) stays one block; with fewer it is the
    // narrower gap but never more than a third of a line, so that one-line paragraphs keep the
    // empty line between them.
    std::vector<int> gaps;
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        gaps.push_back(rows[i + 1].begin - rows[i].end);
    int spacing = 0;
    if (gaps.size() >= 3) {
        const auto quarter = gaps.begin() + static_cast<long>(gaps.size() / 4);
        std::nth_element(gaps.begin(), quarter, gaps.end());
        spacing = *quarter;
    } else {
        spacing = std::min(lineHeight / 3, *std::min_element(gaps.begin(), gaps.end()));
    }
    std::vector<Span> breaks;
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        if (rows[i + 1].begin - rows[i].end >= spacing + 3 * lineHeight / 4)
            breaks.push_back({rows[i].end, rows[i + 1].begin});
    return breaks;
}

PageLayout::Line Cutter::line(const QRect &area, const Span &rows) const
{
    PageLayout::Line line;
    line.box = foreground(QRect(area.x(), rows.begin, area.width(), rows.size()))
                   .value_or(QRect(area.x(), rows.begin, area.width(), rows.size()));
    line.pieces = {line.box};
    // Only a single line of text can be cut into pieces; taller rows hold several.
    if (line.box.height() <= 3 * m_xHeight) {
        // In the mask, whose marks are a pixel wider on each side, the gaps between letters of
        // screen text are two pixels wide and word gaps three or more (up to seven at 16 px);
        // in larger or monospaced text letters stand further apart, but words further still,
        // so a word gap is also at least half the widest gap of its line. Light text on dark
        // comes out bolder once turned round, which makes its x-height look half as large
        // again, so the gap grows only slowly with the x-height.
        const std::vector<Span> gaps = innerGaps(profile(line.box, false));
        int widest = 0;
        for (const Span &gap : gaps)
            widest = std::max(widest, gap.size());
        const int wordGap = std::max({3, m_xHeight / 3, widest / 2});
        for (const Span &gap : gaps)
            if (gap.size() >= wordGap)
                line.wordGaps.emplace_back(line.box.x() + gap.begin, line.box.x() + gap.end);
    }
    return line;
}

std::vector<Span> Cutter::columnGaps(const QRect &box, const std::vector<Span> &rows) const
{
    // A single line with a wide gap in it is still one line.
    if (box.height() < 3 * m_xHeight)
        return {};
    std::vector<Span> gaps;
    for (const Span &gap : innerGaps(columnProfile(box, rows)))
        if (gap.size() >= std::max(6, 5 * m_xHeight / 2))
            gaps.push_back({gap.begin + box.x(), gap.end + box.x()});
    return gaps;
}

void Cutter::addBlock(const QRect &box, const std::vector<Span> &rows,
                      std::vector<PageLayout::Block> &blocks) const
{
    PageLayout::Block block;
    for (const Span &span : rows)
        if (PageLayout::Line found = line(box, span); !isRule(found.box))
            block.lines.push_back(std::move(found));
    if (!block.lines.empty())
        blocks.push_back(std::move(block));
}

std::vector<QRect> Cutter::parts(const QRect &box, const std::vector<Span> &gaps,
                                 bool byColumn) const
{
    std::vector<QRect> parts;
    int from = byColumn ? box.left() : box.top();
    for (const Span &gap : gaps) {
        parts.push_back(byColumn ? QRect(from, box.y(), gap.begin - from, box.height())
                                 : QRect(box.x(), from, box.width(), gap.begin - from));
        from = gap.end;
    }
    parts.push_back(byColumn ? QRect(from, box.y(), box.right() + 1 - from, box.height())
                             : QRect(box.x(), from, box.width(), box.bottom() + 1 - from));
    if (byColumn && m_options.rightToLeft)
        std::reverse(parts.begin(), parts.end());
    return parts;
}

void Cutter::cut(const QRect &area, int depth, std::vector<PageLayout::Block> &blocks) const
{
    const std::optional<QRect> box = foreground(area);
    if (!box || isRule(*box))
        return;
    const std::vector<Span> rows = textRows(*box);
    if (rows.empty())
        return;
    const std::vector<Span> columns = columnGaps(*box, rows);
    const std::vector<Span> breaks = paragraphBreaks(rows);
    if (depth >= kMaxDepth || (columns.empty() && breaks.empty()))
        return addBlock(*box, rows, blocks);
    const auto widest = [](const std::vector<Span> &spans) {
        int most = 0;
        for (const Span &span : spans)
            most = std::max(most, span.size());
        return most;
    };
    // Side-by-side columns whose paragraph breaks line up must still be read one after the
    // other, so the wider kind of gap is cut first; stacked rows of columns (cards in a grid)
    // have the wider gaps between the rows.
    const bool byColumn = !columns.empty() && widest(columns) >= widest(breaks);
    for (const QRect &part : parts(*box, byColumn ? columns : breaks, byColumn))
        cut(part, depth + 1, blocks);
}

// Where to cut a piece in two: the widest word gap in its middle half, else the word gap
// nearest its middle, leaving at least `least` columns on each side.
std::optional<std::pair<int, int>> cutPoint(const QRect &piece,
                                            const std::vector<std::pair<int, int>> &gaps, int least)
{
    const int middle = piece.x() + piece.width() / 2;
    std::optional<std::pair<int, int>> best;
    auto score = [&](const std::pair<int, int> &gap) {
        const int centre = (gap.first + gap.second) / 2;
        const bool central = std::abs(centre - middle) <= piece.width() / 4;
        // Central gaps first, then wider, then nearer the middle.
        return std::tuple(central, central ? gap.second - gap.first : 0,
                          -std::abs(centre - middle));
    };
    for (const auto &gap : gaps) {
        if (gap.first - piece.x() < least || piece.x() + piece.width() - gap.second < least)
            continue;
        if (!best || score(gap) > score(*best))
            best = gap;
    }
    return best;
}

} // namespace

PageLayout PageLayout::analyse(Pix *grey, const Options &options)
{
    PageLayout layout;
    layout.m_options = options;
    PixPtr mask = markMask(grey);
    if (!mask)
        return layout;
    Cutter(mask.get(), options)
        .cut(QRect(0, 0, pixGetWidth(grey), pixGetHeight(grey)), 0, layout.m_blocks);
    return layout;
}

int PageLayout::pieceCount() const
{
    int count = 0;
    for (const Block &block : m_blocks)
        for (const Line &line : block.lines)
            count += static_cast<int>(line.pieces.size());
    return count;
}

void PageLayout::splitLines(int wanted)
{
    if (m_options.rightToLeft || !m_options.spacedWords)
        return;
    const int xHeight = m_options.xHeight > 0 ? m_options.xHeight : kFallbackXHeight;
    // About a dozen letters: shorter pieces lose more to the engine's fixed cost per image and
    // to words cut from their neighbours than they gain.
    const int least = 12 * xHeight;
    for (int count = pieceCount(); count < wanted; ++count) {
        Line *widestLine = nullptr;
        size_t widestPiece = 0;
        std::pair<int, int> at;
        for (Block &block : m_blocks)
            for (Line &line : block.lines)
                for (size_t i = 0; i < line.pieces.size(); ++i) {
                    const QRect &piece = line.pieces[i];
                    if (widestLine && piece.width() <= widestLine->pieces[widestPiece].width())
                        continue;
                    if (const auto gap = cutPoint(piece, line.wordGaps, least)) {
                        widestLine = &line;
                        widestPiece = i;
                        at = *gap;
                    }
                }
        if (!widestLine)
            return;
        // Each side keeps half of the gap: the faint edges of the letters next to it lie beyond
        // the mask, and the engine misreads letters whose edges were cut off.
        const QRect piece = widestLine->pieces[widestPiece];
        const int middle = (at.first + at.second) / 2;
        const QRect left(piece.x(), piece.y(), middle - piece.x(), piece.height());
        const QRect right(middle, piece.y(), piece.x() + piece.width() - middle, piece.height());
        widestLine->pieces[widestPiece] = left;
        widestLine->pieces.insert(
            widestLine->pieces.begin() + static_cast<std::ptrdiff_t>(widestPiece) + 1, right);
    }
}

} // namespace lumeno

#pragma once

#include "PageLayout.h"

#include <QString>

namespace lumeno {

// The text of a page that is read piece by piece, put together in reading order: the pieces of
// a line joined by a space, lines by a line break, blocks by an empty line. A piece that reads
// as nothing leaves no empty line behind.
class PageText
{
public:
    explicit PageText(const std::vector<PageLayout::Block> &blocks);

    int pieceCount() const { return static_cast<int>(m_pieces.size()); }
    // Where piece `index` lies on the page.
    const QRect &box(int index) const { return m_pieces[static_cast<size_t>(index)].box; }
    // Each piece is set at most once; different pieces may be set from different threads at
    // once, and joined() reads them after every setter is done.
    void set(int index, QString text)
    {
        m_pieces[static_cast<size_t>(index)].text = std::move(text);
    }
    QString joined() const;

private:
    struct Piece
    {
        QRect box;
        int block;
        int line;
        QString text;
    };
    std::vector<Piece> m_pieces;
};

} // namespace lumeno

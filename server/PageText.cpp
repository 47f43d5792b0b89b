#include "PageText.h"

namespace lumeno {

PageText::PageText(const std::vector<PageLayout::Block> &blocks)
{
    int blockIndex = 0;
    for (const PageLayout::Block &block : blocks) {
        int lineIndex = 0;
        for (const PageLayout::Line &line : block.lines) {
            for (const QRect &box : line.pieces)
                m_pieces.push_back({box, blockIndex, lineIndex, QString()});
            ++lineIndex;
        }
        ++blockIndex;
    }
}

QString PageText::joined() const
{
    QString text;
    const Piece *previous = nullptr;
    for (const Piece &piece : m_pieces) {
        if (piece.text.isEmpty())
            continue;
        if (previous)
            text += previous->block != piece.block ? QStringLiteral("\n\n")
                    : previous->line != piece.line ? QStringLiteral("\n")
                                                   : QStringLiteral(" ");
        text += piece.text;
        previous = &piece;
    }
    return text;
}

} // namespace lumeno

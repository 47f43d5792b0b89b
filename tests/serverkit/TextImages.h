#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

namespace lumeno::testkit {

struct TextStyle
{
    int pixelSize = 16;
    QColor ink = Qt::black;
    QColor paper = Qt::white;
    QString family = QString(); // empty: DejaVu Sans
};

// The font renderText draws with, for measuring what it drew.
QFont textFont(const TextStyle &style);

// Renders lines of DejaVu Sans the way a screen shows them: antialiased, a little margin, one
// line every 1.5 pixel sizes. Needs a QGuiApplication.
QImage renderText(const QStringList &lines, const TextStyle &style);
// Words of `text` wrapped into lines no wider than `width` pixels, as renderText sets them.
QStringList wrapText(const QString &text, int width, int pixelSize);
// Columns of text side by side, each wrapped to fit and rendered as renderText does, with a
// gap of `gap` pixels between them.
QImage renderColumns(const QList<QStringList> &columns, const TextStyle &style, int gap);
QByteArray pngBytes(const QImage &image);
QByteArray jpegBytes(const QImage &image);

// Collapses every run of white space to one blank and trims both ends.
QString normalizeWhitespace(const QString &text);
// Edit distance between the normalised texts over the normalised reference's length.
double characterErrorRate(const QString &reference, const QString &recognised);

// Ordinary prose for recognition tests and the bench: no words a dictionary would not know.
QStringList sampleParagraph();

} // namespace lumeno::testkit

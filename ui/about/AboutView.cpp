#include "AboutView.h"

#include "SystemColors.h"
#include "TextStyle.h"
#include "Version.h"

#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QJsonDocument>
#include <QLabel>
#include <QVBoxLayout>

namespace lumeno {

namespace {

constexpr int kSpacing = 16;
constexpr int kImageSide = 100;

QString textFor(const std::optional<QJsonObject> &dictionary, const char *key)
{
    if (!dictionary)
        return QStringLiteral("Unknown");
    const QJsonValue value = dictionary->value(QLatin1String(key));
    return value.isString() ? value.toString() : QStringLiteral("Unknown");
}

QLabel *styledLabel(const QString &text, TextStyle style, QWidget *parent, bool secondary = false)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(textStyleFont(style, parent->font()));
    if (secondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, SystemColors::secondary(parent->palette()));
        label->setPalette(palette);
    }
    return label;
}

} // namespace

std::optional<QJsonObject> mainInfoDictionary()
{
    QFile file(QStringLiteral(":/lumeno/about/Info.json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

AboutView::AboutView(const std::optional<QJsonObject> &infoDictionary, QWidget *parent)
    : QWidget(parent), m_appVersion(textFor(infoDictionary, "CFBundleShortVersionString")),
      m_buildVersion(textFor(infoDictionary, "CFBundleVersion"))
{
    setFixedSize(kWidth, kHeight);

    auto *image = new QLabel(this);
    image->setPixmap(QIcon(QStringLiteral(":/lumeno/about/app.svg"))
                         .pixmap(QSize(kImageSide, kImageSide), devicePixelRatioF()));
    image->setFixedSize(kImageSide, kImageSide);

    QLabel *name = styledLabel(tr("LumenoOCR"), TextStyle::Title, this);
    QFont heavy = name->font();
    heavy.setWeight(QFont::ExtraBold);
    name->setFont(heavy);

    auto *versions = new QHBoxLayout;
    versions->addWidget(
        styledLabel(tr("Version ") + m_appVersion, TextStyle::Headline, this, true));
    versions->addWidget(
        styledLabel(tr("Build ") + m_buildVersion, TextStyle::Headline, this, true));

    QLabel *description = styledLabel(
        tr("Lumeno OCR for Linux is designed to capture screenshot and turn uncopyable text into "
           "editable text. Simple and easy to use."),
        TextStyle::Body, this);
    QFont medium = description->font();
    medium.setWeight(QFont::Medium);
    description->setFont(medium);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignCenter);
    description->setContentsMargins(kSpacing, 0, kSpacing, 0);

    auto *stack = new QVBoxLayout(this);
    stack->setSpacing(kSpacing);
    stack->addStretch();
    stack->addWidget(image, 0, Qt::AlignHCenter);
    stack->addWidget(name, 0, Qt::AlignHCenter);
    stack->addLayout(versions);
    stack->setAlignment(versions, Qt::AlignHCenter);
    stack->addWidget(description);
    stack->addWidget(styledLabel(tr("Website: ") + QString::fromLatin1(kHomePage),
                                 TextStyle::Headline, this, true),
                     0, Qt::AlignHCenter);
    stack->addStretch();
}

} // namespace lumeno

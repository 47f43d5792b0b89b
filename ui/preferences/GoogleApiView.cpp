#include "GoogleApiView.h"

#include "LocalizedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace lumeno {

namespace {
constexpr int kSidePadding = 40;
constexpr int kBottomPadding = 70;
} // namespace

GoogleApiView::GoogleApiView(LumenoObject &lumenoObject, const QString &googleKey, QWidget *parent)
    : QWidget(parent), m_lumenoObject(lumenoObject), m_keyField(new QLineEdit(googleKey, this))
{
    // A key is a secret on a shared screen: shown only while it is being typed.
    m_keyField->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    m_keyField->setPlaceholderText(makeLocalizedText(""));

    auto *row = new QHBoxLayout;
    row->setContentsMargins(kSidePadding, 0, kSidePadding, kBottomPadding);
    row->addWidget(new QLabel(makeLocalizedText("Google API Key:"), this));
    row->addWidget(m_keyField, 1);

    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addLayout(row);
    page->addStretch();
}

QString GoogleApiView::googleKey() const
{
    return m_keyField->text();
}

} // namespace lumeno

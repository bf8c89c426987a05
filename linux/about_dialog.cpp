#include "about_dialog.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "centring.h"
#include "dialog_layout.h"
#include "qt_dialog_units.h"
#include "release_facts.h"

namespace {

constexpr int ICON_PIXELS = 32;  // an icon static takes the icon's own size

QLabel* AddText(QWidget* parent, const char* utf8, const QRect& rect) {
    auto* label = new QLabel(QString::fromUtf8(utf8), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QString::fromUtf8(TXT_ABOUT_CAPTION));
    setFont(DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(ABOUT_DIALOG_WIDTH, ABOUT_DIALOG_HEIGHT));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/res/orvaneats_sizes.ico"))
                        .pixmap(QSize(ICON_PIXELS, ICON_PIXELS), devicePixelRatioF()));
    icon->setGeometry(
        QRect(units.ToPixels(RECT_ABOUT_ICON).topLeft(), QSize(ICON_PIXELS, ICON_PIXELS)));
    icon->setAccessibleName(QStringLiteral("OrvaneATS"));

    m_version = AddText(this, TXT_VERSION_PLACEHOLDER, units.ToPixels(RECT_ABOUT_VERSION));
    m_version->setObjectName(QString::number(IDC_VERSION));
    AddText(this, TXT_LEGAL_LINE, units.ToPixels(RECT_ABOUT_LEGAL));

    auto* ok = new QPushButton(QString::fromUtf8(TXT_OK), this);
    ok->setGeometry(units.ToPixels(RECT_ABOUT_OK));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();

    // The template's placeholder gives way to the real version line when the box opens.
    m_version->setText(QString::fromUtf8(ORVANE_VERSION_LINE));
}

void AboutDialog::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) CentreOver(*this, parentWidget()->frameGeometry());
    QDialog::showEvent(event);
}

#include "FormWidgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

TPanel::TPanel(const QString& Name, QWidget* Parent) : QLabel(Parent) {
    setObjectName(Name);
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BevelWidth());
    setAutoFillBackground(true);
}

QColor TPanel::Color() const {
    return palette().color(QPalette::Window);
}

void TPanel::SetColor(const QColor& Color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, Color);
    setPalette(p);
}

namespace {

// The space kept between a caption and the panel's edge.
const int kCaptionMargin = 2;
// Smaller than this a caption is no longer read; it is then cut after all.
const qreal kSmallestPointSize = 5;

}  // namespace

QFont TPanel::CaptionFont() const {
    QFont f = font();
    const int room = contentsRect().width() - 2 * kCaptionMargin;
    // A system font may be set in pixels; the caption then shrinks pixel by pixel.
    const bool points = f.pointSizeF() > 0;
    while (QFontMetrics(f).horizontalAdvance(text()) > room) {
        if (points && f.pointSizeF() - 0.5 >= kSmallestPointSize) {
            f.setPointSizeF(f.pointSizeF() - 0.5);
        } else if (!points && f.pixelSize() > 7) {
            f.setPixelSize(f.pixelSize() - 1);
        } else {
            break;
        }
    }
    return f;
}

void TPanel::paintEvent(QPaintEvent* Event) {
    // The sunken edge, then the caption in a font that lets the whole of it show.
    QFrame::paintEvent(Event);
    QPainter p(this);
    p.setFont(CaptionFont());
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

TImage::TImage(const QString& Name, const QPixmap& Picture, QWidget* Parent) : QLabel(Parent) {
    setObjectName(Name);
    setPixmap(Picture);
}

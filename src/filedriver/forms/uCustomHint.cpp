#include "uCustomHint.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

namespace {

QPointer<TCustomHint> GCurrentHint;

const int kWrapWidth = 500;

QFont BoldFont() {
    QFont f = QToolTip::font();
    f.setBold(true);
    return f;
}

}  // namespace

TCustomHint::TCustomHint(QWidget* Owner, const TImageList& Images)
    : QWidget(Owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      HideTimer(new QTimer(this)),
      FImages(Images) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(BoldFont());
    setPalette(QToolTip::palette());
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    HideTimer->setInterval(5000);
    HideTimer->setSingleShot(true);
    connect(HideTimer, &QTimer::timeout, this, &TCustomHint::HideTimerTimer);
}

const QPixmap* TCustomHint::Picture() const {
    // Kind 1 shows the error picture, 2 the warning, 3 the information.
    static const int kPicture[] = {-1, 2, 1, 0};
    if (Kind == 0 || Kind > 3) {
        return nullptr;
    }
    const size_t index = static_cast<size_t>(kPicture[Kind]);
    return index < FImages.size() ? &FImages[index] : nullptr;
}

void TCustomHint::ActivateHint(QRect Rect, const QString& Text) {
    FCaption = Text;
    Rect.setHeight(Rect.height() + 1);
    Rect.setWidth(Rect.width() + 10);
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    if (Rect.top() + Rect.height() > desktop.height()) {
        Rect.moveTop(desktop.height() - Rect.height());
    }
    if (Rect.left() + Rect.width() > desktop.width()) {
        Rect.moveLeft(desktop.width() - Rect.width());
    }
    if (Rect.left() < desktop.left()) {
        Rect.moveLeft(desktop.left());
    }
    setGeometry(Rect);
    show();
    raise();
    update();
    HideTimer->start();
}

QRect TCustomHint::TextRect() const {
    QRect r = rect();
    if (const QPixmap* picture = Picture()) {
        r.setLeft(r.left() + picture->width() + 10);
    } else {
        r.setLeft(r.left() + 6);
    }
    r.setTop(r.top() + 6);
    return r.translated(1, 1);
}

void TCustomHint::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (const QPixmap* picture = Picture()) {
        p.drawPixmap(2, height() / 2 - picture->height() / 2, *picture);
    }
    DrawHintText(p, TextRect());
}

void TCustomHint::DrawHintText(QPainter& Painter, QRect Rect) {
    Painter.setPen(palette().color(QPalette::ToolTipText));
    Painter.drawText(Rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs,
                     FCaption);
}

void TCustomHint::HideTimerTimer() {
    HideTimer->stop();
    HideNotifyHint();
}

TCustomHint* CurrentHint() {
    return GCurrentHint;
}

void HideNotifyHint() {
    if (GCurrentHint) {
        // Its own hide timer may be what calls this.
        GCurrentHint->hide();
        GCurrentHint->deleteLater();
    }
    GCurrentHint.clear();
}

void ShowNotifyHint(uint8_t Kind, const QString& Text, const TImageList& Images) {
    HideNotifyHint();
    auto* hint = new TCustomHint(nullptr, Images);
    GCurrentHint = hint;
    hint->hide();
    if (Kind != 0) {
        hint->Kind = Kind;
    }
    const QRect need =
        QFontMetrics(hint->font())
            .boundingRect(QRect(0, 0, kWrapWidth, 0), Qt::TextWordWrap | Qt::TextExpandTabs, Text);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const int wa = work.width();
    const int ha = work.height();
    const int left = wa - need.width() - 100;
    const int top = ha - need.height() - 40;
    hint->ActivateHint(QRect(left, top, (wa - 35) - left, (ha - 20) - top), Text);
}

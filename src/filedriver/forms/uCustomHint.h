#pragma once

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

// The pictures that notifications show, 32 by 32 each: 0 information, 1 warning, 2 error.
using TImageList = std::vector<QPixmap>;

// The notification window at the bottom right of the screen: bold text on the tool-tip colour,
// a picture for its kind, gone after 5000 ms.
class TCustomHint : public QWidget {
    Q_OBJECT
public:
    TCustomHint(QWidget* Owner, const TImageList& Images);

    // Places the window at Rect (adjusted to the desktop), shows it without taking the focus and
    // starts the hide timer.
    void ActivateHint(QRect Rect, const QString& Text);

    uint8_t Kind = 0;  // 0: no picture
    QTimer* const HideTimer;

    QString Caption() const { return FCaption; }
    // Where the text is drawn; the picture, when there is one, stands left of it.
    QRect TextRect() const;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void DrawHintText(QPainter& Painter, QRect Rect);
    void HideTimerTimer();
    const QPixmap* Picture() const;

    const TImageList& FImages;
    QString FCaption;
};

// The notification window now shown, or none.
TCustomHint* CurrentHint();

// Shows Text in a new notification window of Kind (1 connection failure, 2 failed batch or
// pause, 3 information) and drops the one shown before.
void ShowNotifyHint(uint8_t Kind, const QString& Text, const TImageList& Images);

// Drops the notification window now shown (the main window closing).
void HideNotifyHint();

#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>

// A panel with a centred caption and a background colour of its own, as the main window's top
// panel and status-bar panels are. Translation treats it as a panel: its caption is only
// looked up when it is not empty.
class TPanel : public QLabel {
    Q_OBJECT
public:
    TPanel(const QString& Name, QWidget* Parent);

    QColor Color() const;
    void SetColor(const QColor& Color);
    // The width of the sunken edge inside the panel's rectangle.
    int BevelWidth() const { return 1; }
    // The font of the caption: the panel's own, made smaller where the caption would not fit.
    QFont CaptionFont() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
};

// A picture, as the error picture and the about box's program picture are. Translation leaves
// it alone, so no key of the language file can put a text in its place.
class TImage : public QLabel {
    Q_OBJECT
public:
    TImage(const QString& Name, const QPixmap& Picture, QWidget* Parent);
};

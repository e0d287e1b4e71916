#include "FormWidgets.h"

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

TImage::TImage(const QString& Name, const QPixmap& Picture, QWidget* Parent) : QLabel(Parent) {
    setObjectName(Name);
    setPixmap(Picture);
}

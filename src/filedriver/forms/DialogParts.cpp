#include "DialogParts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

QLabel* NamedLabel(const char* Name, const char* Caption, QWidget* Parent) {
    return Named(new QLabel(QString::fromUtf8(Caption), Parent), Name);
}

QBoxLayout* DialogButtons(QDialog& Dialog, const char* OkName, const char* CancelName) {
    auto* ok = Named(new QPushButton(QStringLiteral("OK"), &Dialog), OkName);
    auto* cancel = Named(new QPushButton(QString::fromUtf8("Отказ"), &Dialog), CancelName);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &Dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &Dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

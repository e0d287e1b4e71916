#pragma once

#include <QString>

class QBoxLayout;
class QDialog;
class QLabel;
class QObject;
class QWidget;

// Components carry the names that the language file knows them by.
template <class TComponent>
TComponent* Named(TComponent* Component, const char* Name) {
    Component->setObjectName(QString::fromLatin1(Name));
    return Component;
}

// A label with its built-in caption (UTF-8 in the source).
QLabel* NamedLabel(const char* Name, const char* Caption, QWidget* Parent);

// The OK and cancel buttons of a dialog, right-aligned, named OkName and CancelName; OK is the
// default button and runs accept(), the other reject().
QBoxLayout* DialogButtons(QDialog& Dialog, const char* OkName, const char* CancelName);

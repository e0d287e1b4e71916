#pragma once

#include <string>

#include "StrResUnit.h"

class QObject;
class QWidget;

// Translation of a Qt form from the language file. The form's components are its named child
// objects (widgets, menus and actions) in creation order; Qt's own internal children ("qt_...")
// are not components.

// The language-file class of a component, the first of the kinds that it belongs to.
TComponentKind ComponentKind(const QObject* Component);

// The form as translation sees it: names, kinds, captions, hints, list items, column titles.
TFormDesc DescribeForm(QWidget* Form);
// Puts the texts of Desc back into the form's components, found by their names.
void ApplyFormTexts(QWidget* Form, const TFormDesc& Desc);

// TranslateForm on the form's widgets: False when the language file does not exist.
bool TranslateQtForm(const std::string& LngFileName, QWidget* Form);

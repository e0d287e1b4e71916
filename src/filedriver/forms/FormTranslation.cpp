#include "FormTranslation.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "FormText.h"
#include "FormWidgets.h"

namespace {

bool IsComponent(const QObject* Object) {
    const QString name = Object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

std::string Caption(const QObject* c) {
    if (auto* w = qobject_cast<const QLabel*>(c)) {
        return ToAnsi(w->text());
    }
    if (auto* w = qobject_cast<const QAbstractButton*>(c)) {
        return ToAnsi(w->text());
    }
    if (auto* w = qobject_cast<const QGroupBox*>(c)) {
        return ToAnsi(w->title());
    }
    if (auto* w = qobject_cast<const QMenu*>(c)) {
        return ToAnsi(w->title());
    }
    if (auto* a = qobject_cast<const QAction*>(c)) {
        return a->isSeparator() ? std::string("-") : ToAnsi(a->text());
    }
    if (auto* w = qobject_cast<const QWidget*>(c); w && w->isWindow()) {
        return ToAnsi(w->windowTitle());
    }
    return {};
}

void SetCaption(QObject* c, const QString& Text) {
    if (auto* w = qobject_cast<QLabel*>(c)) {
        w->setText(Text);
    } else if (auto* w = qobject_cast<QAbstractButton*>(c)) {
        w->setText(Text);
    } else if (auto* w = qobject_cast<QGroupBox*>(c)) {
        w->setTitle(Text);
    } else if (auto* w = qobject_cast<QMenu*>(c)) {
        w->setTitle(Text);
    } else if (auto* a = qobject_cast<QAction*>(c)) {
        a->setText(Text);
    } else if (auto* w = qobject_cast<QWidget*>(c); w && w->isWindow()) {
        w->setWindowTitle(Text);
    }
}

// A menu item's hint is the status-bar text of the action; a widget's is its tool tip.
QString Hint(const QObject* c) {
    if (auto* a = qobject_cast<const QAction*>(c)) {
        return a->statusTip();
    }
    if (auto* w = qobject_cast<const QWidget*>(c)) {
        return w->toolTip();
    }
    return {};
}

void SetHint(QObject* c, const QString& Text) {
    if (auto* a = qobject_cast<QAction*>(c)) {
        a->setStatusTip(Text);
    } else if (auto* w = qobject_cast<QWidget*>(c)) {
        w->setToolTip(Text);
    }
}

std::vector<std::string> Items(const QObject* c) {
    std::vector<std::string> items;
    if (auto* w = qobject_cast<const QComboBox*>(c)) {
        for (int i = 0; i < w->count(); ++i) {
            items.push_back(ToAnsi(w->itemText(i)));
        }
    } else if (auto* w = qobject_cast<const QAbstractItemView*>(c); w && w->model()) {
        for (int i = 0; i < w->model()->columnCount(); ++i) {
            items.push_back(ToAnsi(w->model()->headerData(i, Qt::Horizontal).toString()));
        }
    }
    return items;
}

void SetItems(QObject* c, const std::vector<std::string>& Items) {
    const int n = static_cast<int>(Items.size());
    if (auto* w = qobject_cast<QComboBox*>(c)) {
        for (int i = 0; i < n && i < w->count(); ++i) {
            w->setItemText(i, FromAnsi(Items[i]));
        }
    } else if (auto* w = qobject_cast<QAbstractItemView*>(c); w && w->model()) {
        for (int i = 0; i < n && i < w->model()->columnCount(); ++i) {
            w->model()->setHeaderData(i, Qt::Horizontal, FromAnsi(Items[i]));
        }
    }
}

QList<QObject*> Components(QWidget* Form) {
    QList<QObject*> result;
    for (QObject* c : Form->findChildren<QObject*>()) {
        if (IsComponent(c)) {
            result.push_back(c);
        }
    }
    return result;
}

}  // namespace

TComponentKind ComponentKind(const QObject* c) {
    if (qobject_cast<const QMainWindow*>(c) || qobject_cast<const QDialog*>(c)) {
        return TComponentKind::Form;
    }
    if (qobject_cast<const TImage*>(c)) {
        return TComponentKind::Other;
    }
    if (qobject_cast<const TPanel*>(c)) {
        return TComponentKind::Panel;
    }
    if (qobject_cast<const QLabel*>(c)) {
        return TComponentKind::Label;
    }
    if (qobject_cast<const QGroupBox*>(c)) {
        return TComponentKind::GroupBox;
    }
    if (qobject_cast<const QCheckBox*>(c)) {
        return TComponentKind::CheckBox;
    }
    if (qobject_cast<const QRadioButton*>(c)) {
        return TComponentKind::RadioButton;
    }
    if (qobject_cast<const QPushButton*>(c)) {
        return TComponentKind::Button;
    }
    if (qobject_cast<const QToolButton*>(c)) {
        return TComponentKind::SpeedButton;
    }
    if (qobject_cast<const QMenu*>(c) || qobject_cast<const QAction*>(c)) {
        return TComponentKind::MenuItem;
    }
    if (qobject_cast<const QComboBox*>(c)) {
        return TComponentKind::ComboBox;
    }
    if (qobject_cast<const QAbstractItemView*>(c)) {
        return TComponentKind::RxDBGrid;
    }
    if (qobject_cast<const QAbstractSpinBox*>(c)) {
        return TComponentKind::RxSpinButton;
    }
    if (qobject_cast<const QLineEdit*>(c)) {
        return TComponentKind::Edit;
    }
    return TComponentKind::Other;
}

TFormDesc DescribeForm(QWidget* Form) {
    const auto describe = [](const QObject* c) {
        TComponentDesc d;
        d.Name = c->objectName().toStdString();
        d.Kind = ComponentKind(c);
        d.Caption = Caption(c);
        d.Hint = ToAnsi(Hint(c));
        // Qt shows every tool tip that is set.
        d.ShowHint = true;
        d.Items = Items(c);
        return d;
    };
    TFormDesc desc;
    desc.Form = describe(Form);
    for (const QObject* c : Components(Form)) {
        desc.Components.push_back(describe(c));
    }
    return desc;
}

void ApplyFormTexts(QWidget* Form, const TFormDesc& Desc) {
    const auto apply = [](QObject* c, const TComponentDesc& d) {
        if (d.Caption != Caption(c)) {
            SetCaption(c, FromAnsi(d.Caption));
        }
        if (d.Hint != ToAnsi(Hint(c))) {
            SetHint(c, FromAnsi(d.Hint));
        }
        if (d.Items != Items(c)) {
            SetItems(c, d.Items);
        }
    };
    apply(Form, Desc.Form);
    const QList<QObject*> components = Components(Form);
    for (const TComponentDesc& d : Desc.Components) {
        for (QObject* c : components) {
            if (c->objectName().toStdString() == d.Name) {
                apply(c, d);
                break;
            }
        }
    }
}

bool TranslateQtForm(const std::string& LngFileName, QWidget* Form) {
    TFormDesc desc = DescribeForm(Form);
    if (!TranslateForm(LngFileName, desc)) {
        return false;
    }
    ApplyFormTexts(Form, desc);
    return true;
}

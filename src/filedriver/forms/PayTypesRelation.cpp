#include "PayTypesRelation.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "ConstUnit.h"
#include "DialogParts.h"
#include "FormText.h"
#include "FormTranslation.h"
#include "MessageDlg.h"
#include "StrResUnit.h"

namespace {

constexpr int kKeyColumn = 0;
constexpr int kValueColumn = 1;

// The message for a value that row Row (0 for pay type 1) cannot take, or empty. Blank is
// always accepted; pay type 1 is never replaced.
std::string RefusalOf(int Row, const std::string& Value) {
    if (Trim(Value).empty()) {
        return {};
    }
    const TLngMessages& m = LngMessages();
    int32_t number = 0;
    if (!TryStrToInt(Value, number) || number < 0) {
        return m.S_InvalidValue + " \"" + Value + "\"";
    }
    if (number > PayTypeCount) {
        return m.S_InvalidDigit + " \"" + Value + "\"";
    }
    if (Row == 0) {
        return m.S_PayType1CantChange;
    }
    return {};
}

}  // namespace

void TPayTypesModel::Load(const std::array<TPayTypePair, PayTypeCount>& PayTypeMap) {
    beginResetModel();
    FValues = {};
    for (const TPayTypePair& pair : PayTypeMap) {
        if (pair.FromType >= 1 && pair.FromType <= PayTypeCount) {
            FValues[pair.FromType - 1] = std::to_string(pair.ToType);
        }
    }
    endResetModel();
}

void TPayTypesModel::Store(std::array<TPayTypePair, PayTypeCount>& PayTypeMap) const {
    for (int n = 1; n <= PayTypeCount; ++n) {
        int32_t to = 0;
        if (TryStrToInt(FValues[n - 1], to) && to > 0) {
            PayTypeMap[n - 1] = {n, to};
        }
    }
}

void TPayTypesModel::SetTitles(const std::string& KeyTitle, const std::string& ValueTitle) {
    FKeyTitle = KeyTitle;
    FValueTitle = ValueTitle;
    emit headerDataChanged(Qt::Horizontal, kKeyColumn, kValueColumn);
}

int TPayTypesModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : PayTypeCount;
}

int TPayTypesModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : 2;
}

QVariant TPayTypesModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || (Role != Qt::DisplayRole && Role != Qt::EditRole)) {
        return {};
    }
    if (Index.column() == kKeyColumn) {
        return QString::number(Index.row() + 1);
    }
    return FromAnsi(FValues[Index.row()]);
}

bool TPayTypesModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
    if (!Index.isValid() || Index.column() != kValueColumn || Role != Qt::EditRole) {
        return false;
    }
    const std::string value = ToAnsi(Value.toString());
    const std::string refusal = RefusalOf(Index.row(), value);
    FValues[Index.row()] = refusal.empty() && !Trim(value).empty() ? value : std::string();
    emit dataChanged(Index, Index);
    if (!refusal.empty()) {
        emit ValueRefused(refusal);
    }
    return true;
}

Qt::ItemFlags TPayTypesModel::flags(const QModelIndex& Index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(Index);
    if (Index.column() == kValueColumn) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant TPayTypesModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    }
    return FromAnsi(Section == kKeyColumn ? FKeyTitle : FValueTitle);
}

TPayTypeRelations::TPayTypeRelations(const std::string& LngFileName, QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("PayTypeRelations"));
    setWindowTitle(QString::fromUtf8("Типове плащане - съответствие"));
    QLabel* Label1 = NamedLabel("Label1",
                                "При попълнена таблица типът плащане, зададен от командния файл,\n"
                                "се подменя с числото от колона \"Да се подмени на\".",
                                this);
    PayTypesEdit = Named(new QTableView(this), "PayTypesEdit");
    PayTypesEdit->verticalHeader()->hide();
    PayTypesEdit->setSelectionMode(QAbstractItemView::SingleSelection);
    PayTypesEdit->setEditTriggers(QAbstractItemView::AllEditTriggers);
    auto* form = new QVBoxLayout(this);
    form->addWidget(Label1);
    form->addWidget(PayTypesEdit);
    form->addLayout(DialogButtons(*this, "btnOK", "btnCancel"));

    // Translated before the grid gets its columns: a key/value grid has no column keys; its
    // titles are messages.
    TranslateQtForm(LngFileName, this);
    const TLngMessages& m = LngMessages();
    FValues.SetTitles(m.S_PayTypeInFile, m.S_PayTypeReplace);
    // Filled once: a message box that hands the focus back must not throw away what the
    // user typed in the other rows.
    FValues.Load(Settings().PayTypeMap);
    PayTypesEdit->setModel(&FValues);
    PayTypesEdit->horizontalHeader()->setStretchLastSection(true);
    PayTypesEdit->resizeColumnToContents(kKeyColumn);
    connect(&FValues, &TPayTypesModel::ValueRefused, this, [](const std::string& Message) {
        MessageDlg(LngMessages().S_Error + "\r" + Message, TMsgDlgType::mtError);
    });
}

void TPayTypeRelations::StorePairs() const {
    FValues.Store(Settings().PayTypeMap);
}

bool ShowPayTypeRelations(QWidget* Parent, const std::string& LngFileName) {
    TPayTypeRelations dialog(LngFileName, Parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    dialog.StorePairs();
    return true;
}

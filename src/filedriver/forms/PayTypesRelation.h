#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <array>
#include <string>

#include "ConstUnit_Program.h"

class QTableView;

// The pay-type grid: one row per pay type 1 to 11 with the number of the pay type to use
// instead, as text. Each value is checked when it is set; a refused one is cleared and
// reported through ValueRefused.
class TPayTypesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Row N - 1 shows the replacement of every pair in use for pay type N; the others are empty.
    void Load(const std::array<TPayTypePair, PayTypeCount>& PayTypeMap);
    // A row whose value is a number above 0 sets its pair; every other row leaves its pair
    // as it was.
    void Store(std::array<TPayTypePair, PayTypeCount>& PayTypeMap) const;
    const std::string& Value(int Row) const { return FValues.at(Row); }

    void SetTitles(const std::string& KeyTitle, const std::string& ValueTitle);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

signals:
    void ValueRefused(const std::string& Message);

private:
    std::array<std::string, PayTypeCount> FValues;
    std::string FKeyTitle;
    std::string FValueTitle;
};

// The pay-type replacement dialog ("PayTypeRelations") over Settings().PayTypeMap.
class TPayTypeRelations : public QDialog {
    Q_OBJECT

public:
    explicit TPayTypeRelations(const std::string& LngFileName, QWidget* Parent = nullptr);

    TPayTypesModel& Values() { return FValues; }
    // Takes the grid into Settings().PayTypeMap.
    void StorePairs() const;

private:
    TPayTypesModel FValues;
    QTableView* PayTypesEdit;
};

// True when the dialog was closed with OK; Settings().PayTypeMap then holds the new pairs.
bool ShowPayTypeRelations(QWidget* Parent = nullptr,
                          const std::string& LngFileName = AppLngFileName());

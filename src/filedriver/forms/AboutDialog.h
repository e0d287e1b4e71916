#pragma once

#include <QDialog>
#include <string>

#include "ConstUnit_Program.h"

class QLabel;

// The about box ("AboutDlg").
class TAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDlg(std::string LngFileName, QWidget* Parent = nullptr);

protected:
    // Each showing translates the box and fills in the program's name and version.
    void showEvent(QShowEvent* Event) override;
    // A click on the web address opens it in the desktop's browser.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    std::string FLngFileName;
    QLabel* LabelWeb;
    QLabel* lblProgName;
    QLabel* lblVerCOM;
};

// Shows the box and returns at once; the box goes when it is closed.
TAboutDlg* ShowAboutDialog(QWidget* Parent = nullptr,
                           const std::string& LngFileName = AppLngFileName());

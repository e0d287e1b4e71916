#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "ConstUnit_Program.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

// The main window's operations behind the dialog's search and test buttons.
class ISettingsHost {
public:
    // True when a printer answered; ComPort then names its port and Serial its serial number.
    virtual bool AutoSearchPort(std::string& Serial) = 0;
    // Tests the serial connection on Port at Speed and reports the result itself.
    virtual void TestConnection(const std::string& Port, int32_t Speed) = 0;

protected:
    ~ISettingsHost() = default;
};

// The settings dialog ("SettingsForm"): edits Settings(), which change only when it is closed
// with OK and StoreSettings runs.
class TSettingsForm : public QDialog {
    Q_OBJECT

public:
    // ComPorts are the items of the port list; LngFileName the language file that each
    // activation translates the dialog from.
    TSettingsForm(ISettingsHost& Host, const std::vector<std::string>& ComPorts,
                  std::string LngFileName, QWidget* Parent = nullptr);

    // Puts Settings() into the controls.
    void LoadSettings();
    // Takes the controls into Settings(); the folders keep a trailing "/".
    void StoreSettings() const;
    // The first failing check shows its message; True when every check passed.
    bool ValidateInput();
    void UpdateControls();

    void btnTestClick();
    void btnSearchClick();

    // Closes with OK only after ValidateInput passed.
    void accept() override;

protected:
    bool event(QEvent* Event) override;

private:
    void BuildControls();
    void ShowConnectionSheet();

    ISettingsHost& FHost;
    std::string FLngFileName;

    QLineEdit* cbBonFiles;
    QLineEdit* eFileExt;
    QRadioButton* rbRS232;
    QRadioButton* rbTCP;
    QStackedWidget* FSheets;
    QWidget* shRS232;
    QWidget* shTCP;
    QRadioButton* rbAutoSerach;
    QRadioButton* cbDierectConn;
    QLabel* lblDevSerial;
    QLineEdit* edtDevSerial;
    QPushButton* btnSearch;
    QLabel* Label2;
    QComboBox* cmbComPorts;
    QLabel* Label5;
    QComboBox* cmbBaudRate;
    QPushButton* btnTest;
    QLineEdit* eIPAddress;
    QLineEdit* eTCPPort;
    QSpinBox* edChekPrnInterval;
    QLineEdit* edtCshierPass;
    QCheckBox* ckBoxUsePluNoAsDepartNo;
    QCheckBox* chkCreateLog;
};

// Edits the settings with the machine's serial ports; True when closed with OK, the settings
// then holding the new values for the caller to save.
bool EditSettings(ISettingsHost& Host, QWidget* Parent = nullptr,
                  const std::string& LngFileName = AppLngFileName());

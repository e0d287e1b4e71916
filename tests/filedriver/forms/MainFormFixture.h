#pragma once

#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <ostream>

#include "FakePrinter.h"
#include "MainUnit.h"
#include "TestFolder.h"

// Texts in test messages as people read them.
inline void PrintTo(const QString& Text, std::ostream* Out) {
    *Out << '"' << Text.toStdString() << '"';
}

// Answers every modal box that opens while it lives and keeps the texts it saw.
class TModalAnswerer : public QObject {
public:
    explicit TModalAnswerer(QString Input = QStringLiteral("0"), bool Yes = true);

    // Waits until every box is answered, also one shown without being waited for.
    void Settle();

    QStringList Texts;
    // Runs while a box is open, before it is answered: what a click or a tick would do then.
    std::function<void()> WhileOpen;

private:
    void Poll();

    QTimer FTimer;
    QString FInput;
    bool FYes;
};

// A main window in a program folder of its own, with a fake printer on TCP 127.0.0.1:4999.
class MainFormTest : public TestFolder {
protected:
    void SetUp() override;
    void TearDown() override;

    // The window, created on first use; Services may be changed before that.
    TMainForm& Form();
    // The window after its first activation.
    TMainForm& Started();

    std::string Program() const { return Path("Ostrelin"); }
    std::string BonFolder() const { return Path("Reciepts/"); }
    // Every line of the program log so far.
    std::string LogText() const;
    void WriteIni(const std::string& Text) { Put(Path("Ostrelin.ini"), Text); }

    TMainFormServices Services;
    std::vector<std::string> Journal;
    TFakePrinter* Printer = nullptr;  // owned by the window
    TDateTime Clock = 45000.5;        // the window's "now", in days
    std::unique_ptr<TMainForm> FForm;
};

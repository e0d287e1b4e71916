#include "MainUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <filesystem>

#include "ConstUnit_Program.h"
#include "FormText.h"
#include "OstrelinApp.h"
#include "StrResUnit.h"

namespace {

QLabel* NewLabel(const char* Name, const QString& Caption, QWidget* Parent, QRect Geometry) {
    auto* label = new QLabel(Caption, Parent);
    label->setObjectName(QLatin1String(Name));
    label->setGeometry(Geometry);
    return label;
}

QAction* NewItem(QMenu* Menu, const char* Name, const QString& Caption, QObject* Owner) {
    auto* item = new QAction(Caption, Owner);
    item->setObjectName(QLatin1String(Name));
    Menu->addAction(item);
    return item;
}

QMenu* NewMenu(const char* Name, const QString& Caption, QWidget* Owner) {
    auto* menu = new QMenu(Caption, Owner);
    menu->setObjectName(QLatin1String(Name));
    return menu;
}

// A round tray picture in the colour of the state.
QIcon StateIcon(const QColor& Color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Color);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRect(3, 3, 26, 26));
    return QIcon(pixmap);
}

}  // namespace

TMainForm::TMainForm(std::string ProgramPath, TMainFormServices Services, QWidget* Parent)
    : QMainWindow(Parent), FProgramPath(std::move(ProgramPath)), FServices(std::move(Services)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Tavrino - file printer"));
    CreateIcons();
    CreateComponents();
    CreateMenus();
    DisableUnboundDialogs();
    // A single fixed border: the window keeps the size of its menu and client area, and it
    // first appears in the middle of the screen.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    QRect placed = geometry();
    placed.moveCenter(screen()->geometry().center());
    move(placed.topLeft());
    FormCreate();
}

TMainForm::~TMainForm() {
    if (auto* app = qobject_cast<TOstrelinApp*>(QCoreApplication::instance())) {
        app->OnException = nullptr;
    }
    HideNotifyHint();
    for (const QPointer<TAnimationThread>& thread : FBarThreads) {
        delete thread.data();
    }
    if (FWaitCursor) {
        QApplication::restoreOverrideCursor();
    }
}

void TMainForm::CreateIcons() {
    Icons[0] = StateIcon(QColor(0, 160, 0));
    Icons[1] = StateIcon(QColor(210, 0, 0));
    QStyle* style = QApplication::style();
    for (QStyle::StandardPixmap picture :
         {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxWarning,
          QStyle::SP_MessageBoxCritical}) {
        Images.push_back(style->standardIcon(picture).pixmap(32, 32));
    }
}

void TMainForm::CreateComponents() {
    auto* client = new QWidget(this);
    client->setFixedSize(521, 359);
    setCentralWidget(client);

    FileReadTimer = new QTimer(this);
    FileReadTimer->setObjectName(QStringLiteral("FileReadTimer"));
    FileReadTimer->setInterval(2000);
    connect(FileReadTimer, &QTimer::timeout, this, &TMainForm::FileReadTimerTimer);

    auto* pTop = new TPanel(QStringLiteral("pTop"), client);
    pTop->setGeometry(0, 0, 521, 100);
    pTop->SetColor(Qt::white);
    NewLabel("lblCurrentTaskTitle", QStringLiteral("Текуща задача"), pTop, {8, 6, 200, 18})
        ->setStyleSheet(QStringLiteral("font-weight: bold"));
    lblCurrentTaskName = NewLabel("lblCurrentTaskName", QString(), pTop, {16, 26, 495, 18});
    lbCurrentStatus = NewLabel("lbCurrentStatus", QString(), pTop, {16, 46, 495, 18});
    imgError = new TImage(QStringLiteral("imgError"), Images[2], pTop);
    imgError->setGeometry(8, 64, 32, 32);
    imgError->hide();
    lblComError = NewLabel("lblComError", QString(), pTop, {48, 72, 465, 18});
    lblComError->setStyleSheet(QStringLiteral("color: red"));

    chkProcessPause = new QCheckBox(QStringLiteral("Пауза печат на файлове"), client);
    chkProcessPause->setObjectName(QStringLiteral("chkProcessPause"));
    chkProcessPause->setGeometry(8, 106, 300, 22);
    connect(chkProcessPause, &QCheckBox::toggled, this, &TMainForm::chkProcessPauseClick);

    NewLabel("lblLastTaskTitle", QStringLiteral("Последна задача"), client, {8, 132, 200, 18})
        ->setStyleSheet(QStringLiteral("font-weight: bold"));
    lblLastTaskName = NewLabel("lblLastTaskName", QString(), client, {16, 150, 240, 18});
    lblLastTaskResult = NewLabel("lblLastTaskResult", QString(), client, {260, 150, 253, 18});

    auto* gbDevice = new QGroupBox(QStringLiteral("Данни за устройството"), client);
    gbDevice->setObjectName(QStringLiteral("gbDeviceInfo"));
    gbDevice->setGeometry(8, 174, 505, 160);
    const struct {
        const char* title;
        QString caption;
        const char* value;
        QLabel** label;
    } rows[] = {
        {"lblModelTitle", QStringLiteral("Модел"), "lblModelName", &lblModelName},
        {"lblSerialTitle", QStringLiteral("Сериен номер"), "lblSerialNo", &lblSerialNo},
        {"lblFMTitle", QStringLiteral("Фискален номер"), "lblFMNom", &lblFMNom},
        {"lblLastDocTitle", QStringLiteral("Номер на последния документ"), "lblLastDoc",
         &lblLastDoc},
        {"lblNextInvTitle", QStringLiteral("Номер на последната фактура"), "lblNextInvNo",
         &lblNextInvNo},
        {"lblColumnTitle", QStringLiteral("Брой колони"), "lblColumnCount", &lblColumnCount},
    };
    int top = 22;
    for (const auto& row : rows) {
        NewLabel(row.title, row.caption, gbDevice, {12, top, 230, 18});
        *row.label = NewLabel(row.value, QStringLiteral("-"), gbDevice, {250, top, 245, 18});
        top += 22;
    }

    pConn = new TPanel(QStringLiteral("pConn"), client);
    pConn->setGeometry(0, 341, 103, 18);
    pAction = new TPanel(QStringLiteral("pAction"), client);
    pAction->setGeometry(103, 341, 283, 18);
    pMarque = new TMarquePanel(QStringLiteral("pMarque"), client);
    pMarque->setGeometry(386, 342, 135, 16);

    PopupMenu1 = NewMenu("PopupMenu1", QString(), this);
    PMenuConfig = NewItem(PopupMenu1, "PMenuConfig", QStringLiteral("Maximize"), this);
    PMenuMinimize = NewItem(PopupMenu1, "PMenuMinimize", QStringLiteral("Minimize"), this);
    PMenuHelp = NewMenu("PMenuHelp", QStringLiteral("Помощ"), this);
    PopupMenu1->addMenu(PMenuHelp);
    PMenuAbout = NewItem(PMenuHelp, "PMenuAbout", QStringLiteral("За програмата"), this);
    PopupMenu1->addSeparator();
    PMenuExit = NewItem(PopupMenu1, "PMenuExit", QStringLiteral("Прекрати"), this);
    PMenuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(PMenuConfig, &QAction::triggered, this, &TMainForm::PMenuConfigClick);
    connect(PMenuMinimize, &QAction::triggered, this, &TMainForm::PMenuMinimizeClick);
    connect(PMenuAbout, &QAction::triggered, this, &TMainForm::PMenuAboutClick);
    connect(PMenuExit, &QAction::triggered, this, &TMainForm::PMenuExitClick);

    TrayIcon = new QSystemTrayIcon(Icons[0], this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Драйвер за фискален принтер"));
    TrayIcon->setContextMenu(PopupMenu1);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason Reason) {
                if (Reason == QSystemTrayIcon::DoubleClick) {
                    TrayIconDblClick();
                }
            });
    TrayIcon->show();
}

void TMainForm::CreateMenus() {
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    const auto menu = [this](QMenu*& Menu, const char* Name, const QString& Caption) {
        Menu = NewMenu(Name, Caption, this);
        MainMenu->addMenu(Menu);
    };
    const auto item = [this](QMenu* Menu, QAction*& Item, const char* Name, const QString& Caption,
                             void (TMainForm::*Handler)()) {
        Item = NewItem(Menu, Name, Caption, this);
        connect(Item, &QAction::triggered, this, Handler);
    };

    menu(MainMenuFile, "MainMenuFile", QStringLiteral("&Файл"));
    item(MainMenuFile, MainMenuExit, "MainMenuExit", QStringLiteral("&Прекрати"),
         &TMainForm::MainMenuExitClick);
    item(MainMenuFile, mnHide, "mnHide", QStringLiteral("Скрий в трея"), &TMainForm::mnHideClick);

    menu(mnFuncs, "mnFuncs", QStringLiteral("Функции"));
    item(mnFuncs, mnPRNInfo, "mnPRNInfo", QStringLiteral("Инфо за апарата"),
         &TMainForm::mnPRNInfoClick);
    mnFuncs->addSeparator();
    item(mnFuncs, mnDayReportReset, "mnDayReportReset", QStringLiteral("Дневен отчет С Нулиране"),
         &TMainForm::mnDayReportResetClick);
    item(mnFuncs, mnDayReportNoReset, "mnDayReportNoReset",
         QStringLiteral("Дневен отчет БЕЗ Нулиране"), &TMainForm::mnDayReportNoResetClick);
    N9 = NewMenu("N9", QStringLiteral("Дневен отчет по департаменти"), this);
    mnFuncs->addMenu(N9);
    item(N9, mnDepartRpt, "mnDepartRpt", QStringLiteral("Отчет БЕЗ нулиране"),
         &TMainForm::mnDepartRptClick);
    item(N9, mnDepartRptReset, "mnDepartRptReset", QStringLiteral("Отчет с нулиране"),
         &TMainForm::mnDepartRptResetClick);
    item(mnFuncs, mnFiskMemory, "mnFiskMemory", QStringLiteral("Отчет фиск.памет"),
         &TMainForm::mnFiskMemoryClick);
    mnFuncs->addSeparator();
    N3 = NewMenu("N3", QStringLiteral("Въвеждане/Извеждане на суми"), this);
    mnFuncs->addMenu(N3);
    item(N3, NSumIn, "NSumIn", QStringLiteral("Служебно въвеждане"), &TMainForm::NSumInClick);
    item(N3, NSumOut, "NSumOut", QStringLiteral("Служебно извеждане"), &TMainForm::NSumOutClick);
    item(mnFuncs, spbEmptyBon, "spbEmptyBon", QStringLiteral("Печат на празен бон"),
         &TMainForm::spbEmptyBonClick);
    item(mnFuncs, CopyLastBon, "CopyLastBon", QStringLiteral("Копие на последен бон"),
         &TMainForm::CopyLastBonClick);
    mnFuncs->addSeparator();
    item(mnFuncs, mnDepartments, "mnDepartments", QStringLiteral("Департаменти"),
         &TMainForm::mnDepartmentsClick);
    item(mnFuncs, spbTestPrn, "spbTestPrn", QStringLiteral("Печат на тест"),
         &TMainForm::spbTestPrnClick);
    mnFuncs->addSeparator();
    item(mnFuncs, mnDoFiles, "mnDoFiles", QStringLiteral("Печат на файлове"),
         &TMainForm::mnDoFilesClick);

    menu(MainMenuOptions, "MainMenuOptions", QStringLiteral("&Опции"));
    item(MainMenuOptions, MainMenuPreferences, "MainMenuPreferences", QStringLiteral("Настройки"),
         &TMainForm::MainMenuPreferencesClick);
    item(MainMenuOptions, mnPayTypesRel, "mnPayTypesRel",
         QStringLiteral("Типове плащане - съответствие "), &TMainForm::mnPayTypesRelClick);

    menu(Log1, "Log1", QStringLiteral("Журнал"));
    item(Log1, mnShowAppData, "mnShowAppData", QStringLiteral("Отвори папката"),
         &TMainForm::mnShowAppDataClick);

    menu(MainMenuHelp, "MainMenuHelp", QStringLiteral("&Помощ"));
    item(MainMenuHelp, MainMenuAbout, "MainMenuAbout", QStringLiteral("&За програмата"),
         &TMainForm::MainMenuAboutClick);
}

void TMainForm::DisableUnboundDialogs() {
    MainMenuPreferences->setEnabled(static_cast<bool>(FServices.EditSettings));
    mnPayTypesRel->setEnabled(static_cast<bool>(FServices.ShowPayTypeRelations));
    mnDepartments->setEnabled(static_cast<bool>(FServices.ShowDepartments));
    mnFiskMemory->setEnabled(static_cast<bool>(FServices.SelectReportPeriod));
    MainMenuAbout->setEnabled(static_cast<bool>(FServices.ShowAboutDialog));
    PMenuAbout->setEnabled(static_cast<bool>(FServices.ShowAboutDialog));
}

void TMainForm::FormCreate() {
    TSettings& s = Settings();
    s.AppFolder = ExtractFileDir(FProgramPath) + "/";
    s.LogFolder = s.AppFolder + "Log/";
    s.BonFolder = s.AppFolder + "Reciepts/";
    std::error_code ignored;
    std::filesystem::create_directory(s.LogFolder, ignored);
    std::filesystem::create_directory(s.BonFolder, ignored);
    FFirstActivate = true;
    FBusy = false;
    FileReadTimer->stop();
    FLastInfoTime = FLastCheckTime = 0;
    // Minimising is watched in changeEvent; exceptions of event handlers come here.
    if (auto* app = qobject_cast<TOstrelinApp*>(QCoreApplication::instance())) {
        app->OnException = [this](QObject* Sender, const std::exception& E) {
            AppException(Sender, E);
        };
    }
    // Numbers are written and read with "." everywhere in this program (ConstUnit), whatever
    // the system's regional settings say.
}

std::string TMainForm::LngFileName() const {
    return ChangeFileExt(FProgramPath, ".Lng");
}

std::string TMainForm::IniFileName() const {
    return ChangeFileExt(FProgramPath, ".ini");
}

bool TMainForm::HasTray() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TMainForm::event(QEvent* Event) {
    const bool result = QMainWindow::event(Event);
    if (Event->type() == QEvent::WindowActivate || Event->type() == QEvent::Show) {
        // Activation of a window that has just been shown; the first one runs the start-up.
        QMetaObject::invokeMethod(this, &TMainForm::FormActivate, Qt::QueuedConnection);
    }
    return result;
}

void TMainForm::changeEvent(QEvent* Event) {
    QMainWindow::changeEvent(Event);
    if (Event->type() == QEvent::WindowStateChange && isMinimized()) {
        AppMinimize();
    }
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (FClosed) {
        Event->accept();
        return;
    }
    // Closing frees the printer object, which a running tick or action is still using.
    if (!CheckNotBusy()) {
        Event->ignore();
        return;
    }
    FormClose();
    Event->accept();
}

void TMainForm::ErrorBox(const QString& Text) {
    QMessageBox::critical(this, QStringLiteral("Error"), Text);
}

void TMainForm::InfoBox(const QString& Text) {
    QMessageBox::information(this, QStringLiteral("Information"), Text);
}

void TMainForm::WarningBox(const QString& Text) {
    // Not waited for: the busy warning comes in the middle of a task, which would otherwise stop
    // at its next step until the box is closed.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Warning"), Text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

bool TMainForm::ConfirmBox(const QString& Text) {
    return QMessageBox::question(this, QStringLiteral("Confirm"), Text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QToolTip>

#include <algorithm>
#include <array>

#include "FormText.h"
#include "FormTranslation.h"
#include "MainFormFixture.h"
#include "WaitUnit.h"
#include "uCustomHint.h"

namespace {

TEST_F(MainFormTest, ComponentsCarryTheirNamesAndCaptions) {
    TMainForm& form = Form();
    const struct {
        const char* name;
        const char* caption;
        TComponentKind kind;
    } rows[] = {
        {"MainMenuFile", "&Файл", TComponentKind::MenuItem},
        {"MainMenuExit", "&Прекрати", TComponentKind::MenuItem},
        {"mnHide", "Скрий в трея", TComponentKind::MenuItem},
        {"mnDayReportNoReset", "Дневен отчет БЕЗ Нулиране", TComponentKind::MenuItem},
        {"N9", "Дневен отчет по департаменти", TComponentKind::MenuItem},
        {"mnDepartRptReset", "Отчет с нулиране", TComponentKind::MenuItem},
        {"mnFiskMemory", "Отчет фиск.памет", TComponentKind::MenuItem},
        {"N3", "Въвеждане/Извеждане на суми", TComponentKind::MenuItem},
        {"NSumOut", "Служебно извеждане", TComponentKind::MenuItem},
        {"spbEmptyBon", "Печат на празен бон", TComponentKind::MenuItem},
        {"mnPayTypesRel", "Типове плащане - съответствие ", TComponentKind::MenuItem},
        {"Log1", "Журнал", TComponentKind::MenuItem},
        {"mnShowAppData", "Отвори папката", TComponentKind::MenuItem},
        {"MainMenuAbout", "&За програмата", TComponentKind::MenuItem},
        {"PMenuConfig", "Maximize", TComponentKind::MenuItem},
        {"PMenuHelp", "Помощ", TComponentKind::MenuItem},
        {"PMenuExit", "Прекрати", TComponentKind::MenuItem},
        {"chkProcessPause", "Пауза печат на файлове", TComponentKind::CheckBox},
        {"pConn", "", TComponentKind::Panel},
        {"pMarque", "", TComponentKind::Panel},
        {"lblLastTaskResult", "", TComponentKind::Label},
        {"imgError", "", TComponentKind::Other},
        {"FileReadTimer", nullptr, TComponentKind::Other},
        {"TrayIcon", nullptr, TComponentKind::Other},
    };
    const TFormDesc desc = DescribeForm(&form);
    EXPECT_EQ(desc.Form.Name, "MainForm");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto it = std::find_if(desc.Components.begin(), desc.Components.end(),
                                     [&](const TComponentDesc& c) { return c.Name == row.name; });
        ASSERT_NE(it, desc.Components.end());
        EXPECT_EQ(it->Kind, row.kind);
        if (row.caption) {
            EXPECT_EQ(FromAnsi(it->Caption), QString::fromUtf8(row.caption));
        }
    }
    EXPECT_EQ(form.PMenuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(form.centralWidget()->size(), QSize(521, 359));
    EXPECT_EQ(form.pMarque->size(), QSize(135, 16));
}

TEST_F(MainFormTest, TheWindowHasAFixedSizeAndFirstAppearsInTheMiddleOfTheScreen) {
    TMainForm& form = Form();
    form.show();
    const QSize size(521, 359 + form.menuBar()->height());
    EXPECT_EQ(form.size(), size);
    EXPECT_EQ(form.minimumSize(), size);
    EXPECT_EQ(form.maximumSize(), size);
    // Centred as exactly as the frame, which the system adds as the window appears, allows.
    const QRect screen = form.screen()->geometry();
    const QRect frame = form.frameGeometry();
    EXPECT_LE(std::abs(frame.left() - (screen.right() - frame.right())),
              frame.width() - form.width() + 1);
    EXPECT_LE(std::abs(frame.top() - (screen.bottom() - frame.bottom())),
              frame.height() - form.height() + 1);
    form.resize(800, 600);
    EXPECT_EQ(form.size(), size);
}

// Columns of the panel's inside, from its left edge, that hold ink of its caption.
std::vector<int> InkColumns(QWidget& Panel) {
    const QImage drawn = Panel.grab().toImage();
    std::vector<int> columns;
    for (int x = 1; x < drawn.width() - 1; ++x) {
        for (int y = 1; y < drawn.height() - 1; ++y) {
            if (drawn.pixelColor(x, y).lightness() < 128) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

TEST_F(MainFormTest, StatusPanelsShowTheirWholeCaption) {
    TMainForm& form = Form();
    form.show();
    const std::pair<TPanel*, QString> rows[] = {
        {form.pAction, QStringLiteral("Няма връзка или повреда във фискалния принтер!")},
        {form.pAction, QStringLiteral("-")},
        {form.pConn, QStringLiteral("255.255.255.255/65535")},
    };
    for (const auto& [panel, caption] : rows) {
        SCOPED_TRACE(panel->objectName().toStdString() + " " + caption.toStdString());
        panel->setText(caption);
        const std::vector<int> ink = InkColumns(*panel);
        ASSERT_FALSE(ink.empty());
        EXPECT_GT(ink.front(), 2);
        EXPECT_LT(ink.back(), panel->width() - 3);
    }
}

TEST_F(MainFormTest, NotificationsHaveTheSystemsToolTipColours) {
    Form().ShowNotifyHint(0, "Paused");
    TCustomHint* hint = CurrentHint();
    ASSERT_NE(hint, nullptr);
    const QPalette tips = QToolTip::palette();
    ASSERT_NE(tips.color(QPalette::ToolTipBase), tips.color(QPalette::Window));
    const QImage shown = hint->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 2, shown.height() - 2),
              tips.color(QPalette::ToolTipBase));
    EXPECT_EQ(hint->palette().color(hint->foregroundRole()), tips.color(QPalette::ToolTipText));
}

TEST(BarFrames, GrowShrinkGrowBackShrinkBack) {
    // An area 5 wide moving 2 at a time: right edge out, left edge after it, and back.
    const int expected[][3] = {{0, 2, 0}, {0, 4, 0}, {0, 5, 1}, {2, 5, 1}, {4, 5, 1},
                               {5, 5, 2}, {3, 5, 2}, {1, 5, 2}, {0, 5, 3}, {0, 3, 3},
                               {0, 1, 3}, {0, 0, 0}, {0, 2, 0}};
    TBarFrame f;
    for (const auto& row : expected) {
        f = NextBarFrame(f, 2, 5);
        EXPECT_EQ((std::array{f.L, f.R, f.Phase}), (std::array{row[0], row[1], row[2]}));
    }
    // A step of 0 (an area narrower than 50) never leaves the start.
    f = NextBarFrame(NextBarFrame(TBarFrame{}, 0, 40), 0, 40);
    EXPECT_EQ(f.R, 0);
}

TEST_F(MainFormTest, TheBarIsPaintedByTheInterfaceThreadOnly) {
    TMainForm& form = Started();
    form.RestoreFromTray();
    form.StartTask("Work");
    EXPECT_EQ(form.lblCurrentTaskName->text(), "Work");
    ASSERT_NE(form.Animation(), nullptr);
    EXPECT_EQ(form.Animation()->BarRect, QRect(1, 1, 133, 14));
    EXPECT_EQ(form.Animation()->BarColor, QColor(0, 128, 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.pMarque->PaintedFrames() >= 3; }, 5000));
    EXPECT_EQ(form.pMarque->PaintThread(), QThread::currentThread());
    EXPECT_GT(form.pMarque->LastFrame().R, 0);
    QPointer<TAnimationThread> thread = form.Animation();
    form.EndTask();
    form.EndTask();
    EXPECT_EQ(form.Animation(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
    EXPECT_FALSE(form.pMarque->HasBar());
    EXPECT_EQ(form.lblLastTaskName->text(), "Work");
    EXPECT_EQ(form.lblCurrentTaskName->text(), "-");
}

TEST_F(MainFormTest, OneNotificationAtATimeGoneAfterFiveSeconds) {
    TMainForm& form = Form();
    form.ShowNotifyHint(2, "first");
    QPointer<TCustomHint> first = CurrentHint();
    form.ShowNotifyHint(0, "second");
    TCustomHint* second = CurrentHint();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_TRUE(first.isNull() || first->isHidden());
    EXPECT_EQ(second->Caption(), "second");
    EXPECT_EQ(second->Kind, 0);
    EXPECT_EQ(second->TextRect().left(), 7);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->HideTimer->interval(), 5000);
    EXPECT_TRUE(second->HideTimer->isActive());
    form.ShowNotifyHint(1, "third");
    EXPECT_EQ(CurrentHint()->TextRect().left(), 32 + 10 + 1);
    CurrentHint()->HideTimer->setInterval(1);
    CurrentHint()->HideTimer->start();
    EXPECT_TRUE(QTest::qWaitFor([] { return CurrentHint() == nullptr; }, 5000));
}

}  // namespace

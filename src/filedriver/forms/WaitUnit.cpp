#include "WaitUnit.h"

#include <QPainter>
#include <QThread>

TBarFrame NextBarFrame(TBarFrame F, int Step, int Width) {
    switch (F.Phase) {
        case 0:
            F.R += Step;
            if (F.R > Width) {
                F.R = Width;
                F.Phase = 1;
            }
            break;
        case 1:
            F.L += Step;
            if (F.L >= F.R) {
                F.L = F.R;
                F.Phase = 2;
            }
            break;
        case 2:
            F.L -= Step;
            if (F.L <= 0) {
                F.L = 0;
                F.Phase = 3;
            }
            break;
        default:
            F.R -= Step;
            if (F.R <= 0) {
                F.R = 0;
                F.Phase = 0;
            }
            break;
    }
    return F;
}

TMarquePanel::TMarquePanel(const QString& Name, QWidget* Parent) : TPanel(Name, Parent) {}

void TMarquePanel::ShowFrame(const TAnimationThread* Source, TBarFrame Frame) {
    FSource = Source;
    FBarRect = Source->BarRect;
    FBackColor = Source->BackColor;
    FBarColor = Source->BarColor;
    FFrame = Frame;
    update();
}

void TMarquePanel::EndFrames(const TAnimationThread* Source) {
    if (FSource == Source) {
        FSource = nullptr;
        update();
    }
}

void TMarquePanel::paintEvent(QPaintEvent* Event) {
    TPanel::paintEvent(Event);
    if (FSource == nullptr) {
        return;
    }
    QPainter p(this);
    p.fillRect(FBarRect, FBackColor);
    p.fillRect(
        QRect(FBarRect.left() + FFrame.L, FBarRect.top(), FFrame.R - FFrame.L, FBarRect.height()),
        FBarColor);
    ++FPaintedFrames;
    FPaintThread = QThread::currentThread();
}

TAnimationThread::TAnimationThread(TMarquePanel* Panel, int32_t FrameInterval, QColor BarColor,
                                   QColor BackColor, QRect Rect)
    : PanelHandle(Panel),
      BarRect(Rect),
      BackColor(BackColor),
      BarColor(BarColor),
      FrameInterval(FrameInterval) {
    // The panel may go first; a queued frame for it is then dropped with the connection.
    connect(this, &TAnimationThread::Frame, Panel,
            [this, Panel](TBarFrame F) { Panel->ShowFrame(this, F); });
    connect(this, &TAnimationThread::Ended, Panel, [this, Panel] { Panel->EndFrames(this); });
    connect(this, &TAnimationThread::Ended, this, &QObject::deleteLater);
}

TAnimationThread::~TAnimationThread() {
    Terminate();
    if (FThread.joinable()) {
        FThread.join();
    }
}

void TAnimationThread::Start() {
    FThread = std::thread([this] {
        Execute();
        emit Ended();
    });
}

void TAnimationThread::Terminate() {
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FTerminated = true;
    }
    FWake.notify_all();
}

void TAnimationThread::Execute() {
    const int step = BarRect.width() / 50;
    TBarFrame frame;
    std::unique_lock<std::mutex> lock(FLock);
    while (!FTerminated) {
        frame = NextBarFrame(frame, step, BarRect.width());
        lock.unlock();
        emit Frame(frame);
        lock.lock();
        FWake.wait_for(lock, std::chrono::milliseconds(FrameInterval),
                       [this] { return FTerminated; });
    }
}

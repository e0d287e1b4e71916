#pragma once

#include <QColor>
#include <QMetaType>
#include <QPointer>
#include <QRect>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "FormWidgets.h"

// The moving bar of the running task. Qt paints widgets only on the user-interface thread, so
// the bar thread keeps time and computes the frames, and the panel paints each frame it is
// handed.

// One frame of the bar: its left and right edge inside the bar area, and the phase of its
// movement (0 grows to the right, 1 shrinks towards the right, 2 grows back from the right,
// 3 shrinks towards the left).
struct TBarFrame {
    int L = 0;
    int R = 0;
    int Phase = 0;
};

Q_DECLARE_METATYPE(TBarFrame)

// The frame after F in an area Width wide, moving Step pixels at a time.
TBarFrame NextBarFrame(TBarFrame F, int Step, int Width);

class TAnimationThread;

// The panel that shows the bar (pMarque).
class TMarquePanel : public TPanel {
    Q_OBJECT
public:
    TMarquePanel(const QString& Name, QWidget* Parent);

    // The frame to show next; frames of a thread that is no longer current are dropped.
    void ShowFrame(const TAnimationThread* Source, TBarFrame Frame);
    // The thread ended: back to the plain panel.
    void EndFrames(const TAnimationThread* Source);

    // What the panel last painted, and on which thread (tests watch the painting).
    bool HasBar() const { return FSource != nullptr; }
    TBarFrame LastFrame() const { return FFrame; }
    int PaintedFrames() const { return FPaintedFrames; }
    QThread* PaintThread() const { return FPaintThread; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    // Only compared, never followed: the thread may be gone by the time the panel paints.
    const TAnimationThread* FSource = nullptr;
    QRect FBarRect;
    QColor FBackColor;
    QColor FBarColor;
    TBarFrame FFrame;
    int FPaintedFrames = 0;
    QThread* FPaintThread = nullptr;
};

// The bar thread. A plain thread joined when the object goes, so that nothing of it outlives
// the program's end.
class TAnimationThread : public QObject {
    Q_OBJECT
public:
    // Created idle; Start runs Execute. The object deletes itself once Execute has ended.
    TAnimationThread(TMarquePanel* Panel, int32_t FrameInterval, QColor BarColor, QColor BackColor,
                     QRect Rect);
    // Stops Execute and waits for the thread.
    ~TAnimationThread() override;

    void Start();
    // Ends Execute at once; nobody needs to wait for it.
    void Terminate();

    const QPointer<TMarquePanel> PanelHandle;
    const QRect BarRect;
    const QColor BackColor;
    const QColor BarColor;
    const int32_t FrameInterval;

signals:
    void Frame(TBarFrame F);
    void Ended();

private:
    void Execute();

    std::mutex FLock;
    std::condition_variable FWake;
    bool FTerminated = false;
    std::thread FThread;
};

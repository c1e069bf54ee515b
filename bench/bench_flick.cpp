// SPDX-License-Identifier: GPL-3.0-or-later
// A finger's flick through a long listing:  bench_flick <folder>
// The window lists the folder; a press, a fast move up and a release set the list going, and
// the flick runs to its stop. Prints how many frames it drew, how far apart they came (the most,
// and the median), and the time to draw one frame at points all along the list (each drawn at
// once, the most and the median).
#include "browser/filedialog.h"
#include "platform/zapplication.h"
#include "platform/zflick.h"
#include "platform/zlistbox.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Counts the paints of the list while it moves, with the time of each.
class Frames : public QObject
{
public:
    QElapsedTimer clock;
    std::vector<qint64> at;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            at.push_back(clock.nsecsElapsed());
        return false;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void send(QWidget *to, QEvent::Type type, const QPoint &at)
{
    QMouseEvent event(type, at, to->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_flick folder\n");
        return 2;
    }
    int appArgc = 2;
    char *appArgv[] = { argv[0], argv[1], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    fileDialog window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    ZListBox *list = window.entryList();
    QWidget *viewport = list->viewport();
    Frames frames;
    frames.clock.start();
    viewport->installEventFilter(&frames);
    // A finger drawn up fast over most of the list's height, then let go.
    const int x = viewport->width() / 2, bottom = viewport->height() - 10;
    send(viewport, QEvent::MouseButtonPress, QPoint(x, bottom));
    for (int y = bottom; y > 10; y -= 20) {
        QTest::qWait(4);
        send(viewport, QEvent::MouseMove, QPoint(x, y));
    }
    send(viewport, QEvent::MouseButtonRelease, QPoint(x, 10));
    const auto *flick = list->findChild<ZFlick *>();
    while (flick && flick->isFlicking())
        QTest::qWait(5);
    std::vector<double> apart;
    for (size_t i = 1; i < frames.at.size(); ++i)
        apart.push_back(double(frames.at[i] - frames.at[i - 1]) / 1e6);
    // One frame drawn at once, at points along the whole list.
    std::vector<double> drawn;
    for (int step = 0; step < 200; ++step) {
        list->setScrollPosition(int(qint64(list->scrollBar()->maximum()) * step / 199));
        QElapsedTimer one;
        one.start();
        viewport->repaint();
        drawn.push_back(double(one.nsecsElapsed()) / 1e6);
    }
    std::printf("flick through %d rows: %zu frames, %.1f ms apart at most (median %.1f); a frame "
                "drawn in %.2f ms at most (median %.2f) at 200 points along the list\n",
                list->count(), frames.at.size(),
                apart.empty() ? 0.0 : *std::max_element(apart.begin(), apart.end()), median(apart),
                *std::max_element(drawn.begin(), drawn.end()), median(drawn));
    return 0;
}

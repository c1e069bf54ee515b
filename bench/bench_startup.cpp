// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up as the program does it, timed from the entry point to the moment the first listing
// has been drawn on the screen:  bench_startup [start-folder]
#include "browser/filedialog.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer &clock)
        : m_clock(clock)
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // After this paint event has been handled, the rows are on the screen.
            QTimer::singleShot(0, [this] {
                std::printf("start to first listing drawn: %lld ms\n",
                            static_cast<long long>(m_clock.elapsed()));
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
    bool m_done = false;
};
} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    auto *app = new ZApplication(argc, argv, 1);
    auto *window = new fileDialog();
    FirstPaint watcher(clock);
    window->entryList()->viewport()->installEventFilter(&watcher);
    app->setMainWidget(window);
    window->show();
    app->exec();
    delete window;
    delete app;
    return 0;
}

#include "zapplication.h"

#include <QHash>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

// The platform's own texts. Without an entry, Qt hands back the source text, so "..", the
// catalogue texts and anything else pass through unchanged.
class PlatformTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        static const QHash<QByteArray, QString> table = {
            { "TXT_RID_SOFTKEY_OPTIONS", QStringLiteral("Options") },
            { "TXT_RID_SOFTKEY_BACK", QStringLiteral("Back") },
            { "TXT_RID_SOFTKEY_SELECT", QStringLiteral("Select") },
            { "TXT_RID_OPTION_CANCEL", QStringLiteral("Cancel") },
            { "TXT_RID_SOFTKEY_YES", QStringLiteral("Yes") },
            { "TXT_RID_SOFTKEY_NO", QStringLiteral("No") },
            { "TXT_RID_SOFTKEY_OK", QStringLiteral("OK") },
        };
        return sourceText ? table.value(QByteArray(sourceText)) : QString();
    }
    bool isEmpty() const override { return false; }
};

// Waits for the window's first paint; what is painted then has reached the screen once the event
// that painted it is done.
class FirstPaintReporter : public QObject
{
public:
    FirstPaintReporter(QWidget *window, qint64 startNs)
        : QObject(window)
        , m_startNs(startNs)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (m_done || event->type() != QEvent::Paint || !widget || widget->window() != parent())
            return false;
        m_done = true;
        QTimer::singleShot(0, this, [this] {
            timespec now;
            ::clock_gettime(CLOCK_REALTIME, &now);
            const qint64 elapsedNs = qint64(now.tv_sec) * 1000000000 + now.tv_nsec - m_startNs;
            std::printf("drawn %.1f ms, peak %ld kB\n", double(elapsedNs) / 1e6, peakKilobytes());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        return false;
    }

private:
    static long peakKilobytes()
    {
        FILE *status = std::fopen("/proc/self/status", "r");
        long peak = -1;
        char line[256];
        while (status && std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1)
                break;
        }
        if (status)
            std::fclose(status);
        return peak;
    }

    qint64 m_startNs;
    bool m_done = false;
};

} // namespace

void reportFirstPaintForBenchmark(QWidget *window)
{
    const QByteArray start = qgetenv("FM_BENCH_START_NS");
    if (start.isEmpty() || !window)
        return;
    new FirstPaintReporter(window, start.toLongLong());
}

void installPlatformTranslator()
{
    static PlatformTranslator *translator = nullptr;
    if (translator || !QCoreApplication::instance())
        return;
    translator = new PlatformTranslator(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
}

ZApplication::ZApplication(int &argc, char **argv, int /*type*/)
    : QApplication(argc, argv)
    , m_argc(argc)
    , m_argv(argv)
{
    installPlatformTranslator();
}

ZApplication::~ZApplication() = default;

void ZApplication::setMainWidget(QWidget *widget)
{
    m_mainWidget = widget;
    reportFirstPaintForBenchmark(widget);
}

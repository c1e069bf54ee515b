// Lists a folder of 100,000 entries (half folders, half files) in the real window and prints how
// long each listing took:  bench_listing [entries] [repeats]
#include "filedialog.h"
#include "zapplication.h"
#include "zlistbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

int main(int argc, char *argv[])
{
    int appArgc = 1;
    char *appArgv[] = { argv[0], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir;
    std::fprintf(stderr, "creating %d entries in %s\n", entries, qPrintable(dir.path()));
    for (int i = 0; i < entries / 2; ++i) {
        QDir(dir.path()).mkdir(QStringLiteral("folder%1").arg(i, 6, 10, QLatin1Char('0')));
        QFile file(dir.filePath(QStringLiteral("file%1.txt").arg(i, 6, 10, QLatin1Char('0'))));
        file.open(QIODevice::WriteOnly);
    }

    fileDialog window;
    window.show();
    std::vector<qint64> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.showDir(dir.path(), Browse);
        window.entryList()->currentItem(); // the rows reach the view
        QCoreApplication::processEvents(); // and are laid out and drawn
        times.push_back(timer.elapsed());
    }
    std::sort(times.begin(), times.end());
    std::printf("listing %d entries (%d rows): median %lld ms, best %lld ms, worst %lld ms\n",
                entries, window.entryList()->count(),
                static_cast<long long>(times[times.size() / 2]),
                static_cast<long long>(times.front()), static_cast<long long>(times.back()));
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the process: %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}

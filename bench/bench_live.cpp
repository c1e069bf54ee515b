// The listing that follows changes from outside:  bench_live <folder>
// While another process makes 100 files a second for 10 s in the folder shown, prints the
// program's CPU time over those 10 s (as a share of one core) and the delay from the last file
// made to its row shown. The files are removed afterwards.
#include "browser/filedialog.h"
#include "core/names/filename.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_live <folder>\n");
        return 2;
    }
    const QByteArray folder(argv[1]);
    int appArgc = 2;
    char *appArgv[] = { argv[0], argv[1], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    fileDialog window;
    window.show();
    const int before = window.entryList()->count();

    // Another program: 1,000 files, one every 10 ms.
    const pid_t maker = ::fork();
    if (maker == 0) {
        for (int i = 0; i < 1000; ++i) {
            const QByteArray name = folder + "/live-" + QByteArray::number(10000 + i);
            ::close(::creat(name.constData(), 0644));
            ::usleep(10000);
        }
        ::_exit(0);
    }
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceLast;
    QEventLoop loop;
    QTimer poll;
    bool made = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!made && ::waitpid(maker, nullptr, WNOHANG) == maker) {
            made = true;
            sinceLast.start();
        }
        if (made && window.entryList()->count() == before + 1000)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    const double cpu = cpuSeconds() - cpuAtStart;
    std::printf("%d entries, 100 files a second made for 10 s: CPU %.0f%% of one core, last row "
                "shown %lld ms after its file\n",
                before - 1, 100 * cpu / (double(clock.elapsed()) / 1000), sinceLast.elapsed());
    for (int i = 0; i < 1000; ++i)
        ::unlink((folder + "/live-" + QByteArray::number(10000 + i)).constData());
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

class QWidget;

// The phone's application object. Qt removes its own options (-platform, -geometry...) from the
// argument vector while constructing; argc() and argv() give what is left for the program.
// It also installs the platform translation of the "TXT_RID_" texts (see setPlatformLanguage),
// and grows the font as the screen asks (ZGlobal::sizes()). The type argument is accepted and
// ignored.
class ZApplication : public QApplication
{
    Q_OBJECT
public:
    ZApplication(int &argc, char **argv, int type = 1);
    ~ZApplication() override;

    int argc() const { return m_argc; }
    char **argv() const { return m_argv; }

    void setMainWidget(QWidget *widget);
    // A session or a phone's shell asks a program to end with SIGTERM (a terminal with SIGINT):
    // from then on either ends the event loop as quit() does, so that the program ends cleanly.
    void quitOnTerminationSignals();
    QWidget *mainWidget() const { return m_mainWidget; }

private:
    int &m_argc;
    char **m_argv;
    QWidget *m_mainWidget = nullptr;
};

// For the benchmark, and only when the environment holds FM_BENCH_START_NS (the wall-clock time
// in nanoseconds, CLOCK_REALTIME, taken just before the process was started): once the window
// has been painted for the first time, prints "drawn <ms> ms, peak <kB> kB" on standard output
// and ends the program. setMainWidget() calls it for the main window.
void reportFirstPaintForBenchmark(QWidget *window);

// Installs the platform translation table once per application; the test programs, which make a
// plain QApplication, call it too.
void installPlatformTranslator();
// The language of the platform's texts (a code such as "de-de"); English until the application
// says which language the platform is set to.
void setPlatformLanguage(const QByteArray &code);

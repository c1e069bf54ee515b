// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zapplication.h"

#include "platform/zglobal.h"

#include <QFontInfo>
#include <QHash>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The platform's own texts, in the platform's language. Without an entry, Qt hands back the
// source text, so "..", the catalogue texts and anything else pass through unchanged.
class PlatformTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    void setLanguage(const QByteArray &code) { m_language = code.left(2).toLower(); }

    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        // Options, Back, Select, Cancel, Yes, No, OK.
        static const QHash<QByteArray, QStringList> texts = {
            { "en", { "Options", "Back", "Select", "Cancel", "Yes", "No", "OK" } },
            { "de", { "Optionen", "Zurück", "Wählen", "Abbrechen", "Ja", "Nein", "OK" } },
            { "fr", { "Options", "Retour", "Choisir", "Annuler", "Oui", "Non", "OK" } },
            { "es", { "Opciones", "Atrás", "Elegir", "Cancelar", "Sí", "No", "Aceptar" } },
            { "it", { "Opzioni", "Indietro", "Scegli", "Annulla", "Sì", "No", "OK" } },
            { "pt", { "Opções", "Voltar", "Escolher", "Cancelar", "Sim", "Não", "OK" } },
            { "pl", { "Opcje", "Wstecz", "Wybierz", "Anuluj", "Tak", "Nie", "OK" } },
        };
        static const QByteArrayList keys
                = { "TXT_RID_SOFTKEY_OPTIONS", "TXT_RID_SOFTKEY_BACK", "TXT_RID_SOFTKEY_SELECT",
                    "TXT_RID_OPTION_CANCEL",   "TXT_RID_SOFTKEY_YES",  "TXT_RID_SOFTKEY_NO",
                    "TXT_RID_SOFTKEY_OK" };
        const qsizetype key = sourceText ? keys.indexOf(QByteArray(sourceText)) : -1;
        if (key < 0)
            return longText(sourceText);
        return texts.value(m_language, texts.value("en")).value(key);
    }
    bool isEmpty() const override { return false; }

private:
    // The application's longer texts that go through the platform's translation: the about
    // box's credits. Without a translation, the source text stands.
    QString longText(const char *sourceText) const
    {
        static const char credits[] = " for the phone: browse, open, create, rename, delete, "
                                      "copy and move files and folders.\n"
                                      "Free software, built on Qt.";
        static const QHash<QByteArray, const char *> translated = {
            { "de", " für das Telefon: Dateien und Ordner durchsuchen, öffnen, anlegen, "
                    "umbenennen, löschen, kopieren und verschieben.\n"
                    "Freie Software, gebaut mit Qt." },
            { "fr", " pour le téléphone : parcourir, ouvrir, créer, renommer, supprimer, copier "
                    "et déplacer fichiers et dossiers.\n"
                    "Logiciel libre, construit avec Qt." },
            { "es", " para el teléfono: explorar, abrir, crear, renombrar, eliminar, copiar y "
                    "mover archivos y carpetas.\n"
                    "Software libre, hecho con Qt." },
            { "it", " per il telefono: sfogliare, aprire, creare, rinominare, eliminare, copiare "
                    "e spostare file e cartelle.\n"
                    "Software libero, costruito con Qt." },
            { "pt", " para o telefone: navegar, abrir, criar, renomear, excluir, copiar e mover "
                    "arquivos e pastas.\n"
                    "Software livre, feito com Qt." },
            { "pl", " dla telefonu: przeglądanie, otwieranie, tworzenie, zmiana nazwy, usuwanie, "
                    "kopiowanie i przenoszenie plików i folderów.\n"
                    "Wolne oprogramowanie, zbudowane na Qt." },
        };
        if (!sourceText || std::strcmp(sourceText, credits) != 0
            || !translated.contains(m_language))
            return QString();
        return QString::fromUtf8(translated.value(m_language));
    }

private:
    QByteArray m_language = "en";
};

PlatformTranslator *platformTranslator()
{
    static PlatformTranslator *translator = nullptr;
    if (!translator && QCoreApplication::instance()) {
        translator = new PlatformTranslator(QCoreApplication::instance());
        QCoreApplication::installTranslator(translator);
    }
    return translator;
}

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
    platformTranslator();
}

void setPlatformLanguage(const QByteArray &code)
{
    if (PlatformTranslator *translator = platformTranslator())
        translator->setLanguage(code);
}

ZApplication::ZApplication(int &argc, char **argv, int /*type*/)
    : QApplication(argc, argv)
    , m_argc(argc)
    , m_argv(argv)
{
    installPlatformTranslator();
    // Text as large as the screen's density asks (or, where it says none, as its size allows).
    ZGlobal::setBaseTextPixels(QFontInfo(font()).pixelSize());
    if (const qreal scale = ZGlobal::sizes().scale; scale > 1) {
        QFont grown = font();
        grown.setPointSizeF(grown.pointSizeF() * scale);
        setFont(grown);
    }
}

ZApplication::~ZApplication() = default;

namespace {

// A signal handler may do next to nothing: it only wakes the event loop through a pipe.
int terminationPipe[2] = { -1, -1 };

void onTermination(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

} // namespace

void ZApplication::quitOnTerminationSignals()
{
    if (terminationPipe[0] >= 0 || ::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char byte;
        while (::read(terminationPipe[0], &byte, 1) > 0) { }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void ZApplication::setMainWidget(QWidget *widget)
{
    m_mainWidget = widget;
    reportFirstPaintForBenchmark(widget);
}

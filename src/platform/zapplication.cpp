#include "zapplication.h"

#include <QHash>
#include <QTranslator>
#include <QWidget>

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

} // namespace

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
}

// SPDX-License-Identifier: GPL-3.0-or-later
// In every catalogue, on the screen it runs on (one run per phone screen, see CMakeLists.txt):
// each text whole where it is drawn, and rows and soft keys as large as a finger needs.
#include "browser/filedialog.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zchoicedelegate.h"
#include "platform/zmenustyle.h"
#include "platform/zmessagedlg.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsingleselectdlg.h"
#include "platform/zsoftkeybutton.h"
#include "platform/zwrappedtext.h"
#include "support/testmain.h"

#include <QDir>
#include <QFontInfo>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionMenuItem>

namespace {

// Empty where the text, in the font it is drawn in, fits the room it is drawn in, that font is at
// least 2.5 mm high, and the target (a row, a key) is at least so many millimetres each way;
// otherwise what is wrong.
QString misfit(const QString &text, const QFont &font, const QRect &room, const QSize &target,
               qreal wideMm, qreal highMm)
{
    const qreal perMm = QGuiApplication::primaryScreen()->physicalDotsPerInch() / 25.4;
    const QSize need = ZWrappedText::size(font, text, room.width());
    const bool fits = need.width() <= room.width() && need.height() <= room.height()
                      && QFontInfo(font).pixelSize() >= 2.5 * perMm
                      && target.width() >= wideMm * perMm && target.height() >= highMm * perMm;
    const auto shown = [](QSize size) {
        return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    };
    return fits ? QString()
                : QStringLiteral("%1: %2 for %3 in %4, font %5")
                           .arg(text, shown(room.size()), shown(need), shown(target))
                           .arg(QFontInfo(font).pixelSize());
}

#define FITS(...) \
    do { \
        const QString wrong = misfit(__VA_ARGS__); \
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong)); \
    } while (false)

} // namespace

class tst_Sizes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    WindowFixture m_fixture;
    QString m_config = QString::fromLatin1(LanguageCatalog::defaultConfigPath);

    // Every entry of a menu and of its submenus, as the menu lays it out on this screen: on one
    // line wherever the screen is wide enough for it.
    void checkMenu(ZOptionsMenu *menu)
    {
        menu->popup(QPoint(0, 0));
        QTRY_VERIFY(menu->isVisible());
        const int screenWidth = menu->screen()->availableGeometry().width();
        QVERIFY(menu->width() <= screenWidth);
        for (QAction *action : menu->actions()) {
            const QStyleOptionMenuItem option = menu->styleOption(action);
            const QRect entry = menu->actionGeometry(action);
            QRect room = ZMenuStyle::textRect(option, entry);
            if (menu->width() < screenWidth)
                room.setHeight(
                        std::min(room.height(), ZWrappedText::size(option.font, "X").height()));
            FITS(action->text(), option.font, room, QSize(0, entry.height()), 0, 7);
        }
        menu->hide();
        for (QAction *action : menu->actions()) {
            if (auto *submenu = qobject_cast<ZOptionsMenu *>(action->menu()))
                checkMenu(submenu);
        }
    }

    void checkSoftKeys(const QWidget *popup)
    {
        for (const auto *key : popup->findChildren<ZSoftKeyButton *>()) {
            if (!key->isVisible())
                continue;
            FITS(key->text(), key->font(), key->captionRect(), key->size(), 9, 9);
            QVERIFY(popup->rect().contains(QRect(key->mapTo(popup, QPoint(0, 0)), key->size())));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_dir.path() + "/Documents"));
        QVERIFY(makeFile(m_dir.path() + "/holiday film from the summer by the sea, cut.mp4"));
    }

    void cleanup()
    {
        QVERIFY(m_fixture.finish());
        QFile::remove(m_config);
    }

    void fitsTheScreen_data()
    {
        QTest::addColumn<QByteArray>("language");
        for (const char *language :
             { "en-us", "de-de", "es-es", "fr-fr", "it-it", "pl-pl", "pt-br" })
            QTest::newRow(language) << QByteArray(language);
    }

    void fitsTheScreen()
    {
        QFETCH(QByteArray, language);
        // The language comes from the platform's configuration: a private one (isolated.sh).
        if (language != "en-us") {
            if (qEnvironmentVariableIsEmpty("FM_ISOLATED"))
                QSKIP("the platform's configuration folder is this machine's own here");
            QVERIFY(QDir().mkpath(QFileInfo(m_config).path()));
            QVERIFY(makeFile(m_config, "LanguageType = " + language + "\n"));
        }
        fileDialog &window = m_fixture.start(m_dir.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const ZListBox *list = window.entryList();
        const QRect row = list->visualRect(list->model()->index(0, 0));
        FITS("..", list->font(), row, row.size(), 0, 7);
        for (int mode : { Browse, MultiSelect, PickCopyTarget, PickMoveTarget }) {
            window.showDir(m_dir.path(), mode);
            checkSoftKeys(&window);
            checkMenu(window.mainMenu());
        }
        window.showDir(m_dir.path(), Browse);

        // The catalogue borrows its names.
        const QByteArray base = QCoreApplication::applicationFilePath().toLocal8Bit();
        const QByteArray config = m_config.toLocal8Bit();
        LanguageCatalog catalog(base.constData(), config.constData());
        const Texts texts(catalog);
        ZMessageDlg question(texts("BR_COPY"), texts("BR_CONFIRM_COPY") + "/a -> /b ?", 1, 0,
                             nullptr, nullptr, true, 0);
        question.show();
        QVERIFY(QTest::qWaitForWindowExposed(&question));
        checkSoftKeys(&question);
        question.hide();

        QStringList choices;
        for (const auto &offered : Texts::resolutions())
            choices << texts(offered.second);
        ZSingleSelectDlg choice(texts("BR_COPY"), texts.existing(2), choices);
        choice.show();
        QVERIFY(QTest::qWaitForWindowExposed(&choice));
        checkSoftKeys(&choice);
        const auto *options = choice.findChild<QListWidget *>();
        const auto *drawn = qobject_cast<ZChoiceDelegate *>(options->itemDelegate());
        // All in sight, unless the screen is too small for them: then the list scrolls.
        QTRY_VERIFY(options->viewport()->rect().contains(options->visualItemRect(options->item(3)))
                    || options->verticalScrollBar()->maximum() > 0);
        for (int row = 0; row < options->count(); ++row) {
            const QRect option = options->visualItemRect(options->item(row));
            FITS(choices[row], options->font(), drawn->textRect(option), option.size(), 0, 7);
        }
    }
};

FM_TEST_MAIN(tst_Sizes)
#include "tst_sizes.moc"

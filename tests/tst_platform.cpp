// SPDX-License-Identifier: GPL-3.0-or-later
// The phone toolkit on Qt: keys, soft keys, menus, dialogs, icons, translation and the launcher.
#include "platform/am_launcherclient.h"
#include "platform/res_icon_reader.h"
#include "platform/zglobal.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zoptionsmenu.h"
#include "platform/zpalette.h"
#include "platform/zpopup.h"
#include "platform/zsinglecapturedlg.h"
#include "platform/zsingleselectdlg.h"
#include "platform/zsoftkey.h"
#include "support/testmain.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QListWidget>
#include <QMap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolButton>

namespace {

// Receives the slots that menu entries and soft keys invoke by name.
class Receiver : public QObject
{
    Q_OBJECT
public:
    QStringList calls;
public slots:
    void first() { calls << "first"; }
    void second() { calls << "second"; }
    void inner() { calls << "inner"; }
    void right() { calls << "right"; }
};

ZListBox *filledList(const QString &itemType, int rows)
{
    auto *list = new ZListBox(itemType);
    const int column = itemType.startsWith("%C") ? 2 : 1;
    for (int i = 0; i < rows; ++i) {
        auto *item = new ZListBoxItem(list);
        item->appendSubItem(column, QStringLiteral("row %1").arg(i));
        list->insertItem(item);
    }
    list->resize(200, 300);
    return list;
}

// Also for the keypad's keys, which QTest::keyClick cannot type.
void press(QWidget *target, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

Qt::Key keyNamed(const QString &name)
{
    static const QMap<QString, Qt::Key> keys = {
        { "F1", Qt::Key_F1 },
        { "F2", Qt::Key_F2 },
        { "Escape", Qt::Key_Escape },
        { "Return", Qt::Key_Return },
        { "Enter", Qt::Key_Enter },
        { "Select", Qt::Key_Select },
        { "Back", Qt::Key_Back },
        { "Context1", Qt::Key_Context1 },
        { "Context2", Qt::Key_Context2 },
        { "Space", Qt::Key_Space },
    };
    return keys.value(name, Qt::Key_unknown);
}

// Presses a key, or taps: a soft-key caption, a menu's first entry, a row, or its check box.
void sendInput(QWidget *target, const QString &input)
{
    if (input == "tap left" || input == "tap right") {
        auto *caption
                = target->findChild<QToolButton *>(input == "tap left" ? "leftKey" : "rightKey");
        QVERIFY(caption && caption->isVisible());
        QTest::mouseClick(caption, Qt::LeftButton);
    } else if (input == "tap entry") {
        auto *menu = qobject_cast<QMenu *>(target);
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions().value(0)).center());
    } else if (input.endsWith("option") || input.endsWith("option twice")) {
        // The second choice, through the window as the window system delivers it.
        auto *list = target->findChild<QListWidget *>();
        const QPoint point
                = list->viewport()->mapTo(target, list->visualItemRect(list->item(1)).center());
        for (int tap = 0; tap < (input.endsWith("twice") ? 2 : 1); ++tap) {
            if (input.startsWith("double"))
                QTest::mouseDClick(target->windowHandle(), Qt::LeftButton, {}, point);
            else
                QTest::mouseClick(target->windowHandle(), Qt::LeftButton, {}, point);
        }
    } else if (input.startsWith("tap") || input == "double tap") {
        auto *list = qobject_cast<ZListBox *>(target);
        const QModelIndex row = list->model()->index(1, 0);
        QPoint point = list->visualRect(row).center();
        if (input == "tap check box") {
            QStyleOptionViewItem option;
            option.initFrom(list);
            option.rect = list->visualRect(row);
            option.features |= QStyleOptionViewItem::HasCheckIndicator;
            point = list->style()
                            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list)
                            .center();
        }
        // Through the window, as the window system delivers it: a double click is a press, a
        // release, a press that Qt also reports as a double click, and a release.
        point = list->viewport()->mapTo(list->window(), point);
        if (input == "double tap")
            QTest::mouseDClick(list->window()->windowHandle(), Qt::LeftButton, {}, point);
        else
            QTest::mouseClick(list->window()->windowHandle(), Qt::LeftButton, {}, point);
    } else {
        QWidget *focused = target->focusWidget();
        press(focused ? focused : target, keyNamed(input));
    }
}

int runWithKey(ZPopup *popup, Qt::Key key)
{
    QTimer::singleShot(0, popup, [popup, key] { press(popup, key); });
    return popup->exec();
}

} // namespace

class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    void translation_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("options") << QByteArray("TXT_RID_SOFTKEY_OPTIONS") << "Options";
        QTest::newRow("back") << QByteArray("TXT_RID_SOFTKEY_BACK") << "Back";
        QTest::newRow("select") << QByteArray("TXT_RID_SOFTKEY_SELECT") << "Select";
        QTest::newRow("cancel") << QByteArray("TXT_RID_OPTION_CANCEL") << "Cancel";
        QTest::newRow("parent row unchanged") << QByteArray("..") << "..";
        QTest::newRow("unknown unchanged")
                << QByteArray("TXT_RID_NOT_THERE") << "TXT_RID_NOT_THERE";
    }

    void translation()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, text);
        QCOMPARE(QApplication::translate("fileDialog", key.constData(), "a comment, no default"),
                 text);
        QCOMPARE(QApplication::translate("deathDlg", key.constData()), text);
    }

    // The platform's own texts follow the platform's language.
    void platformTexts_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QStringList>("texts"); // Options, Back, Select, Cancel, Yes, No, OK
        QTest::newRow("en-us") << QByteArray(
                "en-us") << QStringList{ "Options", "Back", "Select", "Cancel", "Yes", "No", "OK" };
        QTest::newRow("de-de") << QByteArray("de-de")
                               << QStringList{ "Optionen", "Zurück", "Wählen", "Abbrechen",
                                               "Ja",       "Nein",   "OK" };
        QTest::newRow("pl-pl") << QByteArray("pl-pl")
                               << QStringList{ "Opcje", "Wstecz", "Wybierz", "Anuluj",
                                               "Tak",   "Nie",    "OK" };
        QTest::newRow("unknown: English")
                << QByteArray("xx-yy")
                << QStringList{ "Options", "Back", "Select", "Cancel", "Yes", "No", "OK" };
    }

    void platformTexts()
    {
        QFETCH(QByteArray, language);
        QFETCH(QStringList, texts);
        setPlatformLanguage(language);
        QStringList got;
        for (const char *key :
             { "TXT_RID_SOFTKEY_OPTIONS", "TXT_RID_SOFTKEY_BACK", "TXT_RID_SOFTKEY_SELECT",
               "TXT_RID_OPTION_CANCEL", "TXT_RID_SOFTKEY_YES", "TXT_RID_SOFTKEY_NO",
               "TXT_RID_SOFTKEY_OK" })
            got << QApplication::translate("fileDialog", key);
        auto *question = new ZMessageDlg("Title", "Text", 1, 0, nullptr, nullptr, true, 0);
        const QString yes = question->getSoftKey()->text(0);
        delete question;
        // The about box's credits too, in every language but English.
        const char credits[] = " for the phone: browse, open, create, rename, delete, copy and "
                               "move files and folders.\nFree software, built on Qt.";
        const bool creditsTranslated = QApplication::translate("fileDialog", credits) != credits;
        setPlatformLanguage("en-us");
        QCOMPARE(creditsTranslated, texts[0] != "Options"); // English wherever the keys are
        QCOMPARE(got, texts);
        QCOMPARE(yes, texts[4]);
    }

    // A screen reader finds each popup's question, the soft keys and the highlighted row.
    void accessibleNames()
    {
        auto *question = new ZMessageDlg("Delete", QString::fromUtf8("Delete /a/caf\xc3\xa9 ?"), 1,
                                         0, nullptr, nullptr, true, 0);
        QCOMPARE(question->accessibleName(), QStringLiteral("Delete"));
        QCOMPARE(question->accessibleDescription(), QString::fromUtf8("Delete /a/caf\xc3\xa9 ?"));
        const auto *yes = question->getSoftKey()->findChild<QToolButton *>("leftKey");
        QCOMPARE(yes->accessibleName(), QStringLiteral("Yes"));
        delete question;
        std::unique_ptr<ZListBox> list(filledList("%C%I%M", 3));
        list->item(2)->setDescription(QStringLiteral("file, 6 B"));
        list->checkItem(1, true);
        list->currentItem(); // the rows reach the view
        QCOMPARE(list->model()->index(2, 0).data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("row 2"));
        // What each row is, and its check box as checkable and checked states (Qt's AT-SPI
        // bridge carries no "checkable": e2e_screenreader cannot see it).
        QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(list.get());
        QCOMPARE(rows->child(2)->text(QAccessible::Description), QStringLiteral("file, 6 B"));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(rows->child(row)->state().checkable + rows->child(row)->state().checked,
                     row == 1 ? 2 : 1);
    }

    // Nothing grows past a phone's screen: not the main window for a long path, not a question
    // for a long name; the path keeps its end (the current folder's name) in sight.
    void longTextsStayInside()
    {
        const QString path = "/" + QString(40, u'x') + "/" + QString(60, u'y') + "/current";
        auto *window = new ZPopup(0);
        window->setInstructText(path);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // On a phone-sized screen, all of it.
        QCOMPARE(window->size(), ZGlobal::getContentR().size());
        QVERIFY(window->minimumSizeHint().width() <= 240);
        QCOMPARE(window->instructText(), path);
        delete window;
        auto *question
                = new ZMessageDlg("Delete", "Delete " + path + "/" + QString(200, u'z') + " ?", 1,
                                  0, nullptr, nullptr, true, 0);
        QVERIFY2(question->sizeHint().width() <= 480,
                 qPrintable(QString::number(question->sizeHint().width())));
        delete question;
    }

    // Every kind of popup opens at the bottom of the main window, wherever that is and however
    // big: a question, a notice, a text entry, a choice of long texts (every row in sight, none
    // wider than the window) and a plain popup such as the wait popup.
    void popupsInsideTheWindow_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("240x320+0+0") << QRect(0, 0, 240, 320);
        QTest::newRow("480x640+0+0") << QRect(0, 0, 480, 640);
        QTest::newRow("480x640+50+70") << QRect(50, 70, 480, 640);
    }

    void popupsInsideTheWindow()
    {
        QFETCH(QRect, geometry);
        auto *window = new ZPopup(0);
        window->setGeometry(geometry);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // Where it shows on this screen.
        const QRect host = QRect(window->mapToGlobal(QPoint(0, 0)), window->size())
                                   .intersected(ZGlobal::getContentR());
        const QStringList choices = { "Replace all (replace files, merge folders)", "Skip existing",
                                      "Keep both", "Decide for each" };
        const QList<ZPopup *> popups = {
            new ZMessageDlg("Delete", "Delete /sdcard/Music ?", 1, 0, nullptr, nullptr, true, 0),
            new ZMessageDlg("About", "File Manager for the phone", 2, 0, nullptr, nullptr, true, 0),
            new ZSingleCaptureDlg("Rename", "Folder: /sdcard", 0, nullptr, "ZSingleCaptureDlg",
                                  true, 0, 0),
            new ZSingleSelectDlg("Copy", "Entries that already exist there: 2", choices),
            new ZPopup(1),
        };
        for (ZPopup *popup : popups) {
            popup->show();
            QVERIFY(QTest::qWaitForWindowExposed(popup));
            QTRY_VERIFY2(host.contains(popup->geometry()),
                         qPrintable(popup->title()
                                    + QStringLiteral(" at %1,%2 %3x%4")
                                              .arg(popup->x())
                                              .arg(popup->y())
                                              .arg(popup->width())
                                              .arg(popup->height())));
            QCOMPARE(popup->geometry().bottom(), host.bottom());
            if (auto *choice = qobject_cast<ZSingleSelectDlg *>(popup)) {
                auto *list = choice->findChild<QListWidget *>();
                const QRect last = list->visualItemRect(list->item(3));
                QVERIFY(list->viewport()->rect().contains(last));
                QVERIFY(!list->horizontalScrollBar()->isVisible());
            }
            delete popup;
        }
        delete window;
    }

    // Where a popup's text may wrap: between a path's folders, not right after its first "/",
    // and never before a question's end, whose blank does not break either.
    void breakableTexts_data()
    {
        QTest::addColumn<QString>("text");
        // "|" a place to wrap, "=" one where it must not, "_" a blank that stays
        QTest::addColumn<QString>("breakable");
        QTest::newRow("a question's end") << "Delete /a/b ?"
                                          << "Delete /=a/|b_?";
        QTest::newRow("without its blank") << "Kopieren von /a -> /b/c?"
                                           << "Kopieren von /=a -=> /=b/|c?";
        QTest::newRow("the root") << "Undo the copy to / ?"
                                  << "Undo the copy to /_?";
        QTest::newRow("a long name") << "Delete /" + QString(14, u'x') + " ?"
                                     << "Delete /=" + QString(11, u'x') + "|xxx_?";
        QTest::newRow("a question mark inside") << "Why ? not"
                                                << "Why ? not";
    }

    void breakableTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, breakable);
        breakable.replace(u'|', QChar(0x200B))
                .replace(u'=', QChar(0x2060))
                .replace(u'_', QChar(QChar::Nbsp));
        QCOMPARE(ZPopup::breakable(text), breakable);
    }

    // A text taller than the popup may grow scrolls, and Up and Down reach its end: the " ?" of a
    // delete question for a 255-byte name is never out of reach.
    void textLongerThanThePopup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("a short question") << "Delete /a/b ?" << false;
        QTest::newRow("a 255-byte name")
                << "Delete /sdcard/" + QString(250, u'n') + "end ?" << true;
    }

    void textLongerThanThePopup()
    {
        QFETCH(QString, text);
        QFETCH(bool, scrolls);
        auto *question = new ZMessageDlg("Delete", text, 1, 0, nullptr, nullptr, true, 0);
        question->setMaximumSize(240, 150);
        question->show();
        QVERIFY(QTest::qWaitForWindowExposed(question));
        auto *scroll = question->findChild<QScrollArea *>("messageScroll");
        QScrollBar *bar = scroll->verticalScrollBar();
        QVERIFY(question->height() <= 150 && question->width() <= 240);
        QCOMPARE(bar->maximum() > 0, scrolls);
        QCOMPARE(bar->isVisible(), scrolls); // it shows that there is more
        for (int i = 0; i < 50 && bar->value() < bar->maximum(); ++i)
            QTest::keyClick(question, Qt::Key_Down);
        // The last line of the text lies inside the visible part.
        const QWidget *label = scroll->widget();
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
        QVERIFY(bar->value() + scroll->viewport()->height() >= label->height());
        QTest::keyClick(question, Qt::Key_Up);
        QCOMPARE(bar->value() < bar->maximum(), scrolls);
        delete question;
    }

    // Every part at least 3:1 against what it stands on; the arrow as its icon draws it.
    void contrast_data()
    {
        QTest::addColumn<QRgb>("part");
        QTest::addColumn<QRgb>("background");
        const QImage arrow = RES_ICON_Reader()
                                     .getIcon("gen_back_to_arrw_small.bmp", true)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
        QRgb arrowColour = 0;
        for (int y = 0; y < arrow.height(); ++y) {
            for (int x = 0; x < arrow.width(); ++x) {
                if (qAlpha(arrow.pixel(x, y)) == 255)
                    arrowColour = arrow.pixel(x, y) & 0xffffff;
            }
        }
        using P = ZPalette;
        QTest::addColumn<double>("least"); // 3:1 for a part, 4.5:1 for what is read as text
        QTest::newRow("check box border on the list")
                << P::checkBoxBorder << P::listBackground << 3.0;
        QTest::newRow("check box border on the highlight")
                << P::highlightedText << P::highlight << 3.0;
        QTest::newRow("check mark in its box") << P::checkMark << P::highlight << 4.5;
        QTest::newRow("check mark on the highlighted row")
                << P::checkMarkOnList << P::listBackground << 4.5;
        QTest::newRow("parent arrow on the highlight") << arrowColour << P::highlight << 3.0;
        QTest::newRow("parent arrow on the list") << arrowColour << P::listBackground << 3.0;
        QTest::newRow("highlighted text") << P::highlightedText << P::highlight << 4.5;
        QTest::newRow("title on its bar") << QRgb(0xffffff) << P::titleBarTop << 3.0;
        QTest::newRow("path on its line") << P::pathText << P::pathBackground << 4.5;
        QTest::newRow("soft key on its bar") << QRgb(0xffffff) << P::softKeyBar << 4.5;
    }

    void contrast()
    {
        QFETCH(QRgb, part);
        QFETCH(QRgb, background);
        QFETCH(double, least);
        QVERIFY2(ZPalette::contrast(part, background) >= least,
                 qPrintable(QString::number(ZPalette::contrast(part, background))));
    }

    // The sizes a screen gets: from its density where it reports one, else the phone's own grown
    // by a whole factor; for text that starts at 12 pixels.
    void sizesForAScreen_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<double>("dotsPerInch");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("row"); // a row that would be 34 pixels, at least 7 mm
        QTest::newRow("240x320, no density") << QSize(240, 320) << 0.0 << 1.0 << 34;
        QTest::newRow("720x1440, no density") << QSize(720, 1440) << 0.0 << 3.0 << 34;
        QTest::newRow("a desktop, no density") << QSize(1920, 1080) << 0.0 << 2.0 << 34;
        QTest::newRow("240x320 at 96") << QSize(240, 320) << 96.0 << 1.0 << 34;
        QTest::newRow("720x1440 at 270") << QSize(720, 1440) << 270.0 << 2.25 << 75;
        QTest::newRow("the same at scale 2") << QSize(360, 720) << 135.0 << 1.17 << 38;
        QTest::newRow("1080x2340 at 400") << QSize(1080, 2340) << 400.0 << 3.33 << 111;
    }

    void sizesForAScreen()
    {
        QFETCH(QSize, available);
        QFETCH(double, dotsPerInch);
        QFETCH(double, scale);
        QFETCH(int, row);
        const ZSizes sizes = ZGlobal::sizesFor(available, dotsPerInch, 12);
        QVERIFY2(qAbs(sizes.scale - scale) < 0.01, qPrintable(QString::number(sizes.scale)));
        QCOMPARE(sizes.atLeastMm(34, ZSizes::rowMm), row);
    }

    void icons()
    {
        const RES_ICON_Reader icons;
        for (const char *name :
             { "fm_folder_small.bmp", "gen_back_to_arrw_small.bmp", "fm_insert_file_small.bmp",
               "info_pop.bmp", "error_pop.bmp", "recur_enable_pop.bmp" })
            QVERIFY2(!icons.getIcon(QString::fromLatin1(name), true).isNull(), name);
        QVERIFY(icons.getIcon("unknown.bmp").isNull());
        QVERIFY(icons.getIcon("").isNull());
        QVERIFY(icons.getIcon("../icons/fm_folder_small.png").isNull());
    }

    void launcherWithoutOpener()
    {
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(empty.path()));
        OutputCapture errors(2);
        AM_LauncherClient::openDocument("/etc/hosts", QString(), true);
        const QByteArray said = errors.finish();
        qputenv("PATH", path);
        QCOMPARE(said.count('\n'), 1);
        QVERIFY(said.contains("xdg-open") && said.contains("/etc/hosts"));
    }

    void launcherHandsOverLocalPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("handed");
        QTest::newRow("plain") << "/etc/hosts"
                               << "/etc/hosts";
        QTest::newRow("double slash at the root") << "//etc/hosts"
                                                  << "/etc/hosts";
        QTest::newRow("blank and percent") << "/tmp/a b%20c"
                                           << "/tmp/a b%20c";
        QTest::newRow("leading dash") << "-x"
                                      << "./-x";
    }

    void launcherHandsOverLocalPaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, handed);
        RecordingOpener opener;
        AM_LauncherClient::openDocument(path, QString(), true);
        QCOMPARE(opener.launcherCalls(), QStringList{ path });
        QTRY_COMPARE(opener.opened(), QStringList{ handed });
    }

    void listKeys()
    {
        std::unique_ptr<ZListBox> list(filledList("%I%M", 3));
        QSignalSpy selected(list.get(), &ZListBox::selected);
        QCOMPARE(list->currentItem(), 0);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QCOMPARE(list->currentItem(), 2);
        QTest::keyClick(list.get(), Qt::Key_Up);
        QTest::keyClick(list.get(), Qt::Key_Return);
        QTest::keyClick(list.get(), Qt::Key_Enter);
        QCOMPARE(selected.size(), 2);
        QCOMPARE(selected[0][0].toInt(), 1);
        QTest::keyClick(list.get(), Qt::Key_Space);
        QVERIFY(list->itemsChecked().empty()); // no check boxes here
    }

    void checkBoxKeys()
    {
        std::unique_ptr<ZListBox> list(filledList("%C%I%M", 4));
        QSignalSpy selected(list.get(), &ZListBox::selected);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QTest::keyClick(list.get(), Qt::Key_Space);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QTest::keyClick(list.get(), Qt::Key_Return);
        QCOMPARE(list->itemsChecked(), std::vector<int>({ 1, 3 }));
        QTest::keyClick(list.get(), Qt::Key_Space);
        QCOMPARE(list->itemsChecked(), std::vector<int>{ 1 });
        QCOMPARE(selected.size(), 1);
        QCOMPARE(list->model()->data(list->model()->index(1, 0), Qt::CheckStateRole).toInt(),
                 int(Qt::Checked));
    }

    // Typing finds a row by the beginning of its name; a keypad's digit stands for its letters.
    void typeToFind_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("typed"); // "|": a pause of more than a second
        QTest::addColumn<int>("found");
        // Rows: 0 "..", 1 Alpha, 2 apple, 3 Beta, 4 banana, 5 cherry, 6 Delta
        QTest::newRow("any case") << 0 << "a" << 1;
        QTest::newRow("upper case typed") << 0 << "B" << 3;
        QTest::newRow("the next after the current") << 1 << "a" << 2;
        QTest::newRow("wraps around") << 2 << "a" << 1;
        QTest::newRow("a longer prefix may stay") << 0 << "al" << 1;
        QTest::newRow("a longer prefix moves on") << 0 << "ap" << 2;
        QTest::newRow("within a second: one prefix") << 0 << "bc" << 3;
        QTest::newRow("after a second: a new one") << 0 << "b|c" << 5;
        QTest::newRow("nothing found: stays") << 2 << "x" << 2;
        QTest::newRow("keypad 2: a b c") << 0 << "2" << 1;
        QTest::newRow("keypad 22: ba") << 0 << "22" << 4;
        QTest::newRow("keypad 3: d e f") << 0 << "3" << 6;
        QTest::newRow("keypad 24: ch") << 0 << "24" << 5;
    }

    void typeToFind()
    {
        QFETCH(int, from);
        QFETCH(QString, typed);
        QFETCH(int, found);
        for (const char *type : { "%I%M", "%C%I%M" }) {
            ZListBox list(type);
            const int column = list.hasCheckBoxes() ? 2 : 1;
            for (const char *name :
                 { "..", "Alpha", "apple", "Beta", "banana", "cherry", "Delta" }) {
                auto *item = new ZListBoxItem(&list);
                item->appendSubItem(column, name);
                list.insertItem(item);
            }
            list.setCurrentItem(from);
            QSignalSpy selected(&list, &ZListBox::selected);
            for (const QChar c : typed) {
                if (c == u'|')
                    QTest::qWait(1100);
                else
                    QTest::keyClick(&list, c.toLatin1());
            }
            QCOMPARE(list.currentItem(), found);
            QVERIFY(selected.isEmpty() && list.itemsChecked().empty());
        }
    }

    // A finger on the list: a tap highlights a row, a second tap selects it, once however fast
    // the taps come; a drag scrolls and does nothing else; a press held says so and selects
    // nothing; with check boxes a tap checks.
    void touch_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("tap") << "%I%M"
                             << "tap" << QList<int>() << QList<int>() << 2 << QList<int>();
        QTest::newRow("tap twice")
                << "%I%M"
                << "tap tap tap" << QList<int>{ 2 } << QList<int>() << 2 << QList<int>();
        QTest::newRow("drag") << "%I%M"
                              << "drag" << QList<int>() << QList<int>() << 0 << QList<int>();
        QTest::newRow("hold") << "%I%M"
                              << "hold" << QList<int>() << QList<int>{ 2 } << 0 << QList<int>();
        QTest::newRow("tap, check boxes")
                << "%C%I%M"
                << "tap" << QList<int>() << QList<int>() << 2 << QList<int>{ 2 };
        QTest::newRow("drag, check boxes")
                << "%C%I%M"
                << "drag" << QList<int>() << QList<int>() << 0 << QList<int>();
    }

    void touch()
    {
        QFETCH(QString, type);
        QFETCH(QString, gesture);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, held);
        QFETCH(int, current);
        QFETCH(QList<int>, checked);
        std::unique_ptr<ZListBox> list(filledList(type, 200));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QSignalSpy selections(list.get(), &ZListBox::selected), holds(list.get(), &ZListBox::held);
        const QPoint row = list->rowRect(2).center();
        QWidget *viewport = list->viewport();
        for (const QString &step : gesture.split(u' ')) {
            if (step == "tap") {
                QTest::mouseClick(viewport, Qt::LeftButton, {}, row);
            } else if (step == "hold") {
                QTest::mousePress(viewport, Qt::LeftButton, {}, row);
                QTest::qWait(700);
                QTest::mouseRelease(viewport, Qt::LeftButton, {}, row);
            } else {
                QTest::mousePress(viewport, Qt::LeftButton, {}, row + QPoint(0, 250));
                for (int y = 240; y >= 0; y -= 10) {
                    QTest::qWait(5);
                    QTest::mouseMove(viewport, row + QPoint(0, y));
                }
                QTest::mouseRelease(viewport, Qt::LeftButton, {}, row);
            }
        }
        const auto rows = [](const QSignalSpy &spy) {
            QList<int> all;
            for (const QList<QVariant> &arguments : spy)
                all << arguments.value(0).toInt();
            return all;
        };
        QCOMPARE(rows(selections), selected);
        QCOMPARE(rows(holds), held);
        QCOMPARE(list->currentItem(), current);
        const std::vector<int> checks = list->itemsChecked();
        QCOMPARE(QList<int>(checks.begin(), checks.end()), checked);
        QCOMPARE(list->scrollPosition() > 0, gesture == "drag");
    }

    // A change in a list of a million rows reads a few rows, not all of them: it is told to what
    // reads the rows (the model; a screen reader the same way) as the rows that went and came,
    // and the current row, the checks and the rows on screen stay with their rows.
    void changeInAMillionRows()
    {
        class Counted : public ZListBoxRows
        {
        public:
            int rows = 1000000;
            mutable int reads = 0;
            int count() const override { return rows; }
            QString text(int row) const override
            {
                ++reads;
                return QString::number(row);
            }
            QPixmap pixmap(int) const override { return QPixmap(); }
        };
        ZListBox list;
        auto owned = std::make_unique<Counted>();
        Counted *rows = owned.get();
        list.setBulkRows(std::move(owned));
        list.resize(200, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.setScrollPosition(500000 * list.rowHeight());
        list.setCurrentItem(500010);
        list.checkItem(500020, true);
        QSignalSpy reset(list.model(), &QAbstractItemModel::modelReset),
                removed(list.model(), &QAbstractItemModel::rowsRemoved),
                inserted(list.model(), &QAbstractItemModel::rowsInserted);
        QCoreApplication::processEvents();
        const int top = list.firstVisibleRow();
        rows->reads = 0;
        // Two rows above the view go, three come below it.
        rows->rows += 1;
        list.bulkRowsChanged({ { 10, 2 } }, { { 700000, 3 } });
        QCoreApplication::processEvents();
        QVERIFY2(rows->reads < 100, qPrintable(QString::number(rows->reads)));
        QCOMPARE(QList<qsizetype>({ reset.size(), removed.size(), inserted.size() }),
                 QList<qsizetype>({ 0, 1, 1 }));
        QCOMPARE(list.currentItem(), 500008);
        QCOMPARE(list.itemsChecked(), std::vector<int>{ 500018 });
        QCOMPARE(list.firstVisibleRow(), top - 2);
    }

    void softKeysOfTheMainWindow()
    {
        auto *window = new ZPopup(0);
        Receiver receiver;
        window->getSoftKey()->setClickedSlot(1, &receiver, SLOT(right()));
        window->show();
        for (Qt::Key key : { Qt::Key_Escape, Qt::Key_F2, Qt::Key_Back })
            press(window, key);
        QCOMPARE(receiver.calls, QStringList({ "right", "right", "right" }));
        QVERIFY(window->isVisible()); // Escape does not close the main window
        QVERIFY(!window->isModal());
        delete window;
    }

    void popupExec_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("F1 accepts") << Qt::Key_F1 << 1;
        QTest::newRow("keypad left key accepts") << Qt::Key_Context1 << 1;
        QTest::newRow("F2 rejects") << Qt::Key_F2 << 0;
        QTest::newRow("Escape rejects") << Qt::Key_Escape << 0;
    }

    void popupExec()
    {
        QFETCH(Qt::Key, key);
        QFETCH(int, result);
        auto *popup = new ZPopup(1);
        popup->setTitle("A title");
        QCOMPARE(popup->windowTitle(), QStringLiteral("A title"));
        QCOMPARE(runWithKey(popup, key), result);
        delete popup;
    }

    void hideEndsExec()
    {
        auto *popup = new ZPopup(1);
        QTimer::singleShot(10, popup, &QWidget::hide);
        QCOMPARE(popup->exec(), 0);
        delete popup;
    }

    // Every way of pressing a key or tapping, on every kind of widget the user meets, and what
    // it must do there: the keyboard, the device keypad and touch alike.
    void input_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("input"); // a key's name, or "tap ..."
        QTest::addColumn<QString>("effect");
        const auto rows = [](const char *widget, const QStringList &inputs, const char *effect) {
            for (const QString &input : inputs)
                QTest::addRow("%s, %s", widget, qPrintable(input)) << widget << input << effect;
        };
        rows("question", { "F1", "Context1", "tap left" }, "accepts");
        rows("question", { "F2", "Escape", "Back", "Context2", "tap right" }, "rejects");
        // Return was meant for the list or the menu: it must not answer a question unread.
        rows("question", { "Return", "Enter", "Select", "Space" }, "nothing");
        rows("notice", { "F1", "Context1", "Return", "Enter", "Select", "tap left" }, "accepts");
        rows("notice", { "F2", "Escape", "Back", "Context2" }, "rejects");
        rows("entry", { "Return", "Enter", "F1", "Context1", "tap left" }, "accepts");
        rows("entry", { "F2", "Escape", "Back", "Context2", "tap right" }, "rejects");
        rows("window", { "F1", "Context1", "tap left" }, "opens the menu");
        rows("window", { "F2", "Escape", "Back", "Context2", "tap right" }, "goes back");
        rows("window", { "Return", "Select" }, "nothing");
        rows("menu", { "F1", "Context1", "Return", "tap entry" }, "chooses");
        rows("menu", { "F2", "Escape", "Back", "Context2" }, "closes");
        rows("list", { "Return", "Enter", "Select", "tap row" }, "selects");
        rows("list", { "Space", "double tap" }, "selects once");
        rows("check list", { "Space", "Return", "Select", "tap check box" }, "toggles");
        // One slip must not take a choice: a tap highlights, only Select or a second tap takes.
        rows("choice", { "F1", "Return", "Select", "tap left" }, "takes the first");
        rows("choice", { "tap option" }, "highlights the second");
        rows("choice", { "tap option twice", "double tap option" }, "takes the second");
        rows("choice", { "F2", "Escape", "tap right" }, "rejects");
    }

    void input()
    {
        QFETCH(QString, widget);
        QFETCH(QString, input);
        QFETCH(QString, effect);
        if (widget == "question" || widget == "notice" || widget == "entry" || widget == "choice") {
            ZPopup *popup = widget == "choice" ? new ZSingleSelectDlg(
                                    "Title", "Text", { "Replace all", "Skip", "Keep both" })
                            : widget == "entry" ? static_cast<ZPopup *>(new ZSingleCaptureDlg(
                                      "Title", "Text", 0, nullptr, "ZSingleCaptureDlg", true, 0, 0))
                                                : new ZMessageDlg("Title", "Text",
                                                                  widget == "question" ? 1 : 2, 0,
                                                                  nullptr, nullptr, true, 0);
            bool timedOut = false;
            QTimer::singleShot(0, popup, [popup, input] { sendInput(popup, input); });
            QTimer::singleShot(300, popup, [popup, &timedOut] {
                timedOut = true;
                popup->hide();
            });
            const int result = popup->exec();
            const auto *choice = qobject_cast<ZSingleSelectDlg *>(popup);
            const int row = choice ? choice->selectedIndex() : -1;
            delete popup;
            if (widget == "choice")
                QCOMPARE(QString(timedOut ? "highlights the "
                                 : result ? "takes the "
                                          : "rejects")
                                 + (result || timedOut ? row ? "second" : "first" : ""),
                         effect);
            else
                QCOMPARE(timedOut      ? QString("nothing")
                         : result == 1 ? "accepts"
                                       : "rejects",
                         effect);
            return;
        }
        if (widget == "window" || widget == "menu") {
            auto *window = new ZPopup(0);
            Receiver receiver;
            auto *menu = new ZOptionsMenu(QRect(), window, nullptr, 0, 55);
            menu->insertItem("First", nullptr, &receiver, SLOT(first()));
            window->getSoftKey()->setText(0, "Options");
            window->getSoftKey()->setText(1, "Back");
            window->getSoftKey()->setOptMenu(0, menu);
            window->getSoftKey()->setClickedSlot(1, &receiver, SLOT(right()));
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            if (widget == "menu") {
                QTest::keyClick(window, Qt::Key_F1);
                QTRY_VERIFY(menu->activeAction());
                sendInput(menu, input);
            } else {
                sendInput(window, input);
            }
            QTest::qWait(50);
            QString seen = receiver.calls.join(u',');
            if (menu->isVisible())
                seen += "menu open";
            delete window;
            const QMap<QString, QString> expected = { { "opens the menu", "menu open" },
                                                      { "goes back", "right" },
                                                      { "nothing", "" },
                                                      { "chooses", "first" },
                                                      { "closes", "" } };
            QCOMPARE(seen, expected.value(effect));
            return;
        }
        std::unique_ptr<ZListBox> list(filledList(widget == "list" ? "%I%M" : "%C%I%M", 3));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        list->setCurrentItem(1);
        QSignalSpy selected(list.get(), &ZListBox::selected);
        sendInput(list.get(), input);
        if (effect == "toggles") {
            QCOMPARE(list->itemsChecked(), std::vector<int>{ 1 });
            QCOMPARE(list->model()->data(list->model()->index(1, 0), Qt::CheckStateRole).toInt(),
                     int(Qt::Checked));
        } else {
            QVERIFY(list->itemsChecked().empty());
            QCOMPARE(selected.size(), effect == "selects" || input == "double tap" ? 1 : 0);
            if (!selected.isEmpty())
                QCOMPARE(selected[0][0].toInt(), 1);
        }
    }

    void textEntry_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Return is OK") << Qt::Key_Return << 1;
        QTest::newRow("F1 is OK") << Qt::Key_F1 << 1;
        QTest::newRow("Escape cancels") << Qt::Key_Escape << 0;
        QTest::newRow("F2 cancels") << Qt::Key_F2 << 0;
    }

    void textEntry()
    {
        QFETCH(Qt::Key, key);
        QFETCH(int, result);
        auto *entry = new ZSingleCaptureDlg("Title", "Text", 0, nullptr, "ZSingleCaptureDlg", true,
                                            0, 0);
        entry->getLineEdit()->selectAll();
        // Once the entry window is active, the keyboard focus must be in the entry field.
        bool focused = false;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, entry, [&] {
            if (QApplication::focusWidget() != entry->getLineEdit())
                return;
            poll.stop();
            focused = true;
            QTest::keyClicks(QApplication::focusWidget(), "typed name");
            press(QApplication::focusWidget(), key);
        });
        poll.start();
        QTimer::singleShot(3000, entry, [&] {
            if (!focused)
                entry->hide();
        });
        QCOMPARE(entry->exec(), result);
        QVERIFY(focused);
        QCOMPARE(entry->getResultText(), QStringLiteral("typed name"));
        delete entry;
    }

    void optionsMenu()
    {
        auto *window = new ZPopup(0);
        Receiver receiver;
        auto *menu = new ZOptionsMenu(QRect(), window, nullptr, 0, 55);
        auto *submenu = new ZOptionsMenu(QRect(), window, nullptr, 0, 55);
        submenu->insertItem("Inner", nullptr, &receiver, SLOT(inner()));
        menu->insertItem("Sub", submenu);
        menu->insertItem("First", nullptr, &receiver, SLOT(first()));
        menu->insertItem("Second", nullptr, &receiver, SLOT(second()));
        ZSoftKey *keys = window->getSoftKey();
        keys->setText(0, "Options");
        keys->setText(1, "Back");
        keys->setTextForOptMenuHide("Options");
        keys->setTextForOptMenuShow("Select", "Cancel");
        keys->setOptMenu(0, menu);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // F1 opens it with the first entry highlighted, and the submenu stays closed.
        QTest::keyClick(window, Qt::Key_F1);
        QTRY_VERIFY(menu->isVisible());
        QTRY_COMPARE(menu->activeAction(), submenu->menuAction());
        QTest::qWait(50);
        QVERIFY(!submenu->isVisible());
        QCOMPARE(keys->text(0), QStringLiteral("Select"));
        QCOMPARE(keys->text(1), QStringLiteral("Cancel"));
        QTest::keyClick(menu, Qt::Key_F2);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(keys->text(0), QStringLiteral("Options"));
        QCOMPARE(keys->text(1), QStringLiteral("Back"));

        // Down and Return choose; the slot runs after the menu has closed.
        QTest::keyClick(window, Qt::Key_F1);
        QTRY_COMPARE(menu->activeAction(), submenu->menuAction());
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY(receiver.calls.isEmpty());
        QTRY_COMPARE(receiver.calls, QStringList{ "first" });
        QVERIFY(!menu->isVisible());

        // Right enters the submenu on its first entry; F1 chooses it.
        QTest::keyClick(window, Qt::Key_F1);
        QTRY_COMPARE(menu->activeAction(), submenu->menuAction());
        QTest::keyClick(menu, Qt::Key_Right);
        QTRY_VERIFY(submenu->isVisible());
        QTRY_VERIFY(submenu->activeAction());
        QTest::keyClick(submenu, Qt::Key_F1);
        QTRY_COMPARE(receiver.calls, QStringList({ "first", "inner" }));

        // Rebuilding the menu from one of its own slots is safe.
        menu->clear();
        QVERIFY(menu->actions().isEmpty());
        delete window;
    }
};

FM_TEST_MAIN(tst_Platform)
#include "tst_platform.moc"

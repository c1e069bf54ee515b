// The phone toolkit on Qt: keys, soft keys, menus, dialogs, icons, translation and the launcher.
#include "am_launcherclient.h"
#include "res_icon_reader.h"
#include "testmain.h"
#include "zlistbox.h"
#include "zmessagedlg.h"
#include "zoptionsmenu.h"
#include "zpopup.h"
#include "zsinglecapturedlg.h"
#include "zsoftkey.h"

#include <QKeyEvent>
#include <QSignalSpy>

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

    void tapSelectsARow()
    {
        std::unique_ptr<ZListBox> list(filledList("%I%M", 5));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QSignalSpy selected(list.get(), &ZListBox::selected);
        const QRect second = list->visualRect(list->model()->index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0][0].toInt(), 2);
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
        QCOMPARE(window->size(), QSize(240, 320) * (window->width() / 240));
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

    void messageKeys_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("question, Return is yes") << 1 << Qt::Key_Return << 1;
        QTest::newRow("question, F1 is yes") << 1 << Qt::Key_F1 << 1;
        QTest::newRow("question, F2 is no") << 1 << Qt::Key_F2 << 0;
        QTest::newRow("question, Escape is no") << 1 << Qt::Key_Escape << 0;
        QTest::newRow("notice, Return is OK") << 2 << Qt::Key_Return << 1;
        QTest::newRow("notice, Escape closes") << 2 << Qt::Key_Escape << 0;
    }

    void messageKeys()
    {
        QFETCH(int, type);
        QFETCH(Qt::Key, key);
        QFETCH(int, result);
        auto *message = new ZMessageDlg("Title", "Text", type, 0, nullptr, nullptr, true, 0);
        QCOMPARE(message->getSoftKey()->text(0),
                 type == 1 ? QStringLiteral("Yes") : QStringLiteral("OK"));
        QCOMPARE(runWithKey(message, key), result);
        delete message;
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

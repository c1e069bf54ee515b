// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue at the byte level: which file the configuration selects, what a lookup returns,
// and what it says on standard error.
#include "lang/formats.h"
#include "lang/languagecatalog.h"
#include "support/testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class tst_LanguageCatalog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_base;
    QByteArray m_config;

    void writeConfig(const QByteArray &content) { QVERIFY(makeFile(m_config, content)); }
    void writeCatalogue(const QByteArray &language, const QByteArray &content)
    {
        QVERIFY(makeFile(m_base + '_' + language + ".lng", content));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_base = QFile::encodeName(m_dir.path()) + "/fm";
        m_config = QFile::encodeName(m_dir.path()) + "/ezx_system.cfg";
        QFile::remove(m_config);
        for (const QString &name : QDir(m_dir.path()).entryList({ "*.lng" }, QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

    void selectsCatalogue_data()
    {
        QTest::addColumn<bool>("haveConfig");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QByteArray>("language"); // of the file that must be read

        QTest::newRow("line with break")
                << true << QByteArray("LanguageType = zh-cn\n") << QByteArray("zh-cn");
        QTest::newRow("last line, no break")
                << true << QByteArray("A = 1\nLanguageType = zh-cn") << QByteArray("zh-cn");
        QTest::newRow("among other lines")
                << true << QByteArray("Foo = 1\n\nLanguageType = de-de\nBar = 2\n")
                << QByteArray("de-de");
        QTest::newRow("first line wins")
                << true << QByteArray("LanguageType = de-de\nLanguageType = zh-cn\n")
                << QByteArray("de-de");
        QTest::newRow("Windows line end")
                << true << QByteArray("LanguageType = de-de\r\n") << QByteArray("de-de");
        QTest::newRow("trailing blank kept")
                << true << QByteArray("LanguageType = de-de \n") << QByteArray("de-de ");
        QTest::newRow("no blank before =")
                << true << QByteArray("LanguageType= de-de\n") << QByteArray("en-us");
        QTest::newRow("two blanks")
                << true << QByteArray("LanguageType  = de-de\n") << QByteArray("en-us");
        QTest::newRow("blank before word")
                << true << QByteArray(" LanguageType = de-de\n") << QByteArray("en-us");
        QTest::newRow("other case")
                << true << QByteArray("languagetype = de-de\n") << QByteArray("en-us");
        QTest::newRow("no language line")
                << true << QByteArray("Something = else\n") << QByteArray("en-us");
        QTest::newRow("empty configuration") << true << QByteArray() << QByteArray("en-us");
        QTest::newRow("no configuration") << false << QByteArray() << QByteArray("en-us");
        // A line longer than one read arrives in pieces, and each piece counts as a line.
        QTest::newRow("second piece of a long line")
                << true << QByteArray(511, 'x') + "LanguageType = de-de\n"
                << QByteArray("de-de");
        QTest::newRow("long line, language cut from the first piece")
                << true << QByteArray(511, 'y') + "\nLanguageType = zh-cn\n"
                << QByteArray("zh-cn");
    }

    void selectsCatalogue()
    {
        QFETCH(bool, haveConfig);
        QFETCH(QByteArray, config);
        QFETCH(QByteArray, language);
        if (haveConfig)
            writeConfig(config);
        writeCatalogue(language, "BR_X = found\n");

        OutputCapture errors(2);
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_X"), QStringLiteral("found"));
        QCOMPARE(errors.finish(),
                 "vandr --debug--: read lngfile '" + m_base + '_' + language + ".lng'\n");
    }

    void lookup_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("reportedMissing");

        QTest::newRow("plain") << QByteArray("BR_A = Alpha\n") << QByteArray("BR_A") << "Alpha"
                               << false;
        QTest::newRow("last line without break")
                << QByteArray("BR_B = x\nBR_A = Alpha") << QByteArray("BR_A") << "Alpha" << false;
        QTest::newRow("first entry wins")
                << QByteArray("BR_A = one\nBR_A = two\n") << QByteArray("BR_A") << "one" << false;
        QTest::newRow("first empty entry wins, counts as missing")
                << QByteArray("BR_A = \nBR_A = two\n") << QByteArray("BR_A") << "BR_A" << true;
        QTest::newRow("no blanks around =")
                << QByteArray("BR_A=Alpha\n") << QByteArray("BR_A") << "BR_A" << true;
        QTest::newRow("missing key")
                << QByteArray("BR_A = Alpha\n") << QByteArray("BR_B") << "BR_B" << true;
        QTest::newRow("longer key is not this key")
                << QByteArray("BR_COPY_HERE = Here\nBR_COPY = Copy\n") << QByteArray("BR_COPY")
                << "Copy" << false;
        QTest::newRow("shorter key is not this key")
                << QByteArray("BR_COPY = Copy\n") << QByteArray("BR_COPY_HERE") << "BR_COPY_HERE"
                << true;
        QTest::newRow("trailing blank kept")
                << QByteArray("BR_A = Delete \n") << QByteArray("BR_A") << "Delete " << false;
        QTest::newRow("Windows line ends") << QByteArray("BR_A = Alpha\r\nBR_B = Beta\r\n")
                                           << QByteArray("BR_B") << "Beta" << false;
        QTest::newRow("Windows line end, last line")
                << QByteArray("BR_A = Alpha \r") << QByteArray("BR_A") << "Alpha " << false;
        QTest::newRow("a CR alone is no value")
                << QByteArray("BR_A = \r\n") << QByteArray("BR_A") << "BR_A" << true;
        QTest::newRow("blank lines and short lines before")
                << QByteArray("\n\n#\nab\n\r\nBR_A = Alpha\n") << QByteArray("BR_A") << "Alpha"
                << false;
        QTest::newRow("comment line that mentions the key")
                << QByteArray("# BR_A = no\nBR_A = yes\n") << QByteArray("BR_A") << "yes" << false;
        QTest::newRow("key must start the line")
                << QByteArray(" BR_A = no\n") << QByteArray("BR_A") << "BR_A" << true;
        QTest::newRow("value with =")
                << QByteArray("BR_A = a = b\n") << QByteArray("BR_A") << "a = b" << false;
        QTest::newRow("non-ASCII")
                << QByteArray("BR_A = L\xc3\xb6schen \xe2\x80\xa6 \xe4\xb8\xad\n")
                << QByteArray("BR_A")
                << QString::fromUtf8("L\xc3\xb6schen \xe2\x80\xa6 \xe4\xb8\xad") << false;
        QTest::newRow("NUL ends the usable text") << QByteArray("BR_B = b\n\0BR_A = hidden\n", 25)
                                                  << QByteArray("BR_A") << "BR_A" << true;
        QTest::newRow("value of 255 bytes whole")
                << "BR_A = " + QByteArray(255, 'v') + "\n"
                << QByteArray("BR_A") << QString(255, u'v') << false;
        QTest::newRow("value over 255 bytes cut to 255")
                << "BR_A = " + QByteArray(300, 'v') + "\n"
                << QByteArray("BR_A") << QString(255, u'v') << false;
        // 254 ASCII bytes and a two-byte character across the limit: the character is dropped.
        QTest::newRow("cut never splits a character")
                << "BR_A = " + QByteArray(254, 'v') + "\xc3\xa4tail\n"
                << QByteArray("BR_A") << QString(254, u'v') << false;
        QTest::newRow("key of 60 bytes") << QByteArray(60, 'K') + " = long key\n"
                                         << QByteArray(60, 'K') << "long key" << false;
        QTest::newRow("key over 60 bytes is missing")
                << QByteArray(61, 'K') + " = long key\n"
                << QByteArray(61, 'K') << QString(61, u'K') << true;
    }

    void lookup()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QByteArray, key);
        QFETCH(QString, expected);
        QFETCH(bool, reportedMissing);
        writeCatalogue("en-us", catalogue);

        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        catalog.lookup("BR_LOAD_FIRST"); // the loading message is not this test's business
        OutputCapture errors(2);
        QCOMPARE(catalog.lookup(key.constData()), expected);
        QCOMPARE(errors.finish(),
                 reportedMissing ? "vandr --debug--: error get key '" + key + "'\n" : QByteArray());
    }

    void emptyCatalogueReportsOnlyTheRead()
    {
        writeCatalogue("en-us", QByteArray());
        OutputCapture errors(2);
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("BR_A"));
        QCOMPARE(catalog.lookup("BR_B"), QStringLiteral("BR_B"));
        QCOMPARE(errors.finish(), "vandr --debug--: read lngfile '" + m_base + "_en-us.lng'\n");
    }

    void missingCatalogueReportedOnce()
    {
        writeConfig("LanguageType = fr-fr\n");
        OutputCapture errors(2);
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("BR_A"));
        QCOMPARE(catalog.lookup("BR_B"), QStringLiteral("BR_B"));
        QCOMPARE(errors.finish(),
                 "vandr --debug--: error get lngfile '" + m_base + "_fr-fr.lng'\n");
    }

    void noBaseNameGivesEmptyTexts()
    {
        writeCatalogue("en-us", "BR_A = Alpha\n");
        OutputCapture errors(2);
        LanguageCatalog catalog(nullptr, m_config.constData());
        const QString text = catalog.lookup("BR_A");
        QVERIFY(text.isEmpty());
        QVERIFY(!text.isNull());
        QCOMPARE(errors.finish(), QByteArray());
    }

    void readOnlyOnce()
    {
        writeCatalogue("en-us", "BR_A = before\n");
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("before"));
        writeCatalogue("en-us", "BR_A = after\n");
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("before"));
    }

    void nothingReadBeforeTheFirstLookup()
    {
        OutputCapture errors(2);
        {
            LanguageCatalog catalog(m_base.constData(), m_config.constData());
        }
        QCOMPARE(errors.finish(), QByteArray());
    }

    void overlongFileNameCountsAsMissing()
    {
        // 500 bytes of language code make the name longer than the platform's 511 bytes.
        writeConfig("LanguageType = " + QByteArray(500, 'l') + "\n");
        OutputCapture errors(2);
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("BR_A"));
        QVERIFY(errors.finish().startsWith("vandr --debug--: error get lngfile '" + m_base
                                           + "_lll"));
    }

    void noLineFeedAtAll()
    {
        writeCatalogue("en-us", "BR_A = only line");
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_A"), QStringLiteral("only line"));
    }

    // Random bytes around a planted entry: the entry is found, nothing is overrun.
    void randomBytes_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : { 1u, 7u, 42u, 1234u, 99999u })
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomBytes()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        for (char &c : noise) {
            c = char(random.bounded(256));
            if (c == '\0' || c == 'P')
                c = '\n'; // no NUL before the entry, and no accidental "BR_PLANTED = "
        }
        QByteArray content = noise + "\nBR_PLANTED = here\n" + noise;
        content[content.size() - 100] = '\0';
        writeCatalogue("en-us", content);
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_PLANTED"), QStringLiteral("here"));
        OutputCapture errors(2);
        QCOMPARE(catalog.lookup("BR_ABSENT"), QStringLiteral("BR_ABSENT"));
        errors.finish();
    }

    void hundredMegabytes()
    {
        QByteArray content(100 * 1024 * 1024, 'x');
        for (qsizetype i = 1000; i < content.size(); i += 1000)
            content[i] = '\n';
        content += "\nBR_END = at the end\n";
        writeCatalogue("en-us", content);
        content.clear();
        LanguageCatalog catalog(m_base.constData(), m_config.constData());
        QCOMPARE(catalog.lookup("BR_END"), QStringLiteral("at the end"));
    }

    // Every text the program asks for is in every shipped catalogue, and the texts that a path or
    // a name follows end in their own blank. Sizes and dates are written as the language writes
    // them: its decimal separator, its units, its month names.
    void shippedCatalogues_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("size"); // of 1,363,149 bytes
        QTest::addColumn<QString>("date"); // 2026-12-07 22:31
        QTest::newRow("en-us") << QByteArray("en-us") << "1.3 MB"
                               << QString::fromUtf8("December 7, 2026 10:31\u00a0PM");
        QTest::newRow("de-de") << QByteArray("de-de") << "1,3 MB"
                               << "7. Dezember 2026 22:31";
        QTest::newRow("fr-fr") << QByteArray("fr-fr") << "1,3 Mo"
                               << "7 décembre 2026 22:31";
        QTest::newRow("es-es") << QByteArray("es-es") << "1,3 MB"
                               << "7 de diciembre de 2026 22:31";
        QTest::newRow("it-it") << QByteArray("it-it") << "1,3 MB"
                               << "7 dicembre 2026 22:31";
        QTest::newRow("pt-br") << QByteArray("pt-br") << "1,3 MB"
                               << "7 de dezembro de 2026 22:31";
        QTest::newRow("pl-pl") << QByteArray("pl-pl") << "1,3 MB"
                               << "7 grudnia 2026 22:31";
    }

    void shippedCatalogues()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, size);
        QFETCH(QString, date);
        writeConfig("LanguageType = " + language + "\n");
        const QByteArray base = programPath();
        OutputCapture errors(2);
        LanguageCatalog catalog(base.constData(), m_config.constData());
        // clang-format off
        const QByteArrayList followedByText = {
            "BR_CUR_DIR", "BR_CUR_NAME", "BR_CONFIRM_DELETE", "BR_CONFIRM_COPY", "BR_CONFIRM_MOVE",
            "BR_CONFIRM_COPY_MULTI", "BR_CONFIRM_MOVE_MULTI", "BR_COPYING", "BR_MOVING",
            "BR_DELETING", "BR_CONFIRM_REPLACE", "BR_ENTRIES", "BR_SPACE_NEEDED", "BR_SPACE_FREE",
            "BR_NAMES_CANNOT_BE_STORED", "BR_EXIST_THERE", "BR_TYPE", "BR_LINK_TYPE",
            "BR_SIZE", "BR_CHANGED", "BR_RIGHTS", "BR_SPACE", "BR_CHECKED", "BR_COPY_TO",
            "BR_MOVE_TO", "BR_DONE", "BR_NOT_DONE", "BR_UNDO_MOVE", "BR_UNDO_COPY",
            "BR_UNDO_RENAME", "BR_UNDO_MKDIR", "BR_COME_BACK", "BR_REPLACE_FOR_GOOD", "BR_UNDO_FAILED",
            "BR_UNDO_GONE", "BR_UNDO_CHANGED", "BR_UNDO_ONLY_COPY", "BR_UNDO_NAME_TAKEN", "BR_UNDO_NOT_EMPTY",
            "BR_UNDO_TOO_LONG", "BR_UNFINISHED_MOVE", "BR_UNFINISHED_COPY", "BR_UNFINISHED_RENAME",
            "BR_UNFINISHED_MKDIR", "BR_KEEP_LINK_APART", "BR_LINKS_KEPT_APART",
            "BR_CASE_KEPT_APART", "BR_AT_LEAST", "BR_PUT_BACK", "BR_LEFT_THE_TRASH",
            "BR_UNDO_NOT_IN_TRASH", "BR_UNDO_STAYS_IN_TRASH", "BR_NO_TRASH_BECAUSE",
            "BR_TRASH_HOLDS", "BR_TRASHING", "BR_RESTORING", "BR_UNDO_TRASH", "BR_UNDO_RESTORE",
            "BR_UNFINISHED_TRASH", "BR_UNFINISHED_RESTORE", "BR_UNDO_NO_TRASH", "BR_ORIGIN",
            "BR_TRASHED_ON", "BR_MOUNTED_AT", "BR_DEVICE" };
        const QByteArrayList standalone = {
            "BR_FILEMANAGER", "BR_MKDIR", "BR_MANAGE", "BR_RENAME", "BR_DELETE", "BR_COPY",
            "BR_MOVE", "BR_MULTI_SEL", "BR_ABOUT", "BR_QUIT", "BR_COPY_HERE", "BR_CANCEL_COPY",
            "BR_MOVE_HERE", "BR_CANCEL_MOVE", "BR_SEL_ALL", "BR_SEL_NON", "BR_CONFIRM_QUIT",
            "BR_CONFIRM_DELETE_MULTI", "BR_ERROR", "BR_INVALID_NAME", "BR_MKDIR_ERROR",
            "BR_PLEASEWAIT", "BR_NAME_EXISTS", "BR_TOO_LONG", "BR_INTO_ITSELF", "BR_CONFIRM_STOP",
            "BR_STOP_MOVE", "BR_MOVE_COPIES", "BR_NOT_ENOUGH_SPACE", "BR_GO_ON_ANYWAY",
            "BR_NAMES_NOT_STORED", "BR_REPLACE_ALL", "BR_SKIP_EXISTING", "BR_KEEP_BOTH",
            "BR_DECIDE_EACH", "BR_DETAILS", "BR_FOLDER_TYPE", "BR_FILE_TYPE", "BR_OTHER_TYPE",
            "BR_QUESTION_END", "BR_BYTE_UNITS", "BR_UNDO", "BR_NOT_TAKEN_BACK", "BR_INTERRUPTED",
            "BR_TAKE_BACK_DONE", "BR_HOLDS_SOURCE", "BR_STILL_RUNNING", "BR_STOP_COPY",
            "BR_STOP_DELETE", "BR_LOCALE", "BR_WRITING", "BR_STORE_MAPPED", "BR_LEAVE_OUT",
            "BR_STOP_WRITING", "BR_STILL_WRITING", "BR_CONFIRM_DELETE_ONE", "BR_NOT_CHOSEN",
            "BR_NOT_COPIED", "BR_NOT_MOVED", "BR_MOVE_TO_TRASH", "BR_GO_TO", "BR_TRASH", "BR_RESTORE",
            "BR_EMPTY_TRASH", "BR_CONFIRM_EMPTY_TRASH", "BR_CANNOT_RESTORE", "BR_EMPTY_CARD_TRASH",
            "BR_GO_ON", "BR_ORIGIN_UNKNOWN", "BR_ORIGIN_OUTSIDE", "BR_ORIGIN_CLIMBS",
            "BR_ORIGIN_EMPTY", "BR_ORIGIN_UNDECODABLE", "BR_ORIGIN_NO_INFO", "BR_PLACES", "BR_HOME",
            "BR_EJECT", "BR_SAFE_TO_REMOVE", "BR_TOO_LARGE_FOR_CARD", "BR_TOO_LARGE_FILES",
            "BR_LEAVE_OUT_REST", "BR_PLACE_SPACE", "BR_READ_ONLY", "BR_EJECT_BUSY",
            "BR_NOT_EJECTABLE", "BR_PLACE_REMOVED", "BR_SEARCH", "BR_GO_TO_FOLDER",
            "BR_SEARCH_BELOW", "BR_SEARCH_LINE", "BR_UNREADABLE", "BR_FOUND_IN", "BR_STOP_EJECT" };
        // clang-format on
        QStringList seen;
        for (const QByteArray &key : followedByText + standalone) {
            const QString text = catalog.lookup(key.constData());
            QVERIFY2(text != QString::fromLatin1(key), key.constData());
            QVERIFY2(!text.contains(u'\r'), key.constData());
            QCOMPARE(text.endsWith(u' '), followedByText.contains(key));
            // Whole: a value longer than 255 bytes would be cut.
            QVERIFY2(text.toUtf8().size() < 255, key.constData());
            seen << text;
        }
        // How many are to be deleted is in the question.
        QVERIFY(catalog.lookup("BR_CONFIRM_DELETE_MULTI").contains(QLatin1String("%1")));
        QVERIFY(catalog.lookup("BR_CONFIRM_EMPTY_TRASH").contains(QLatin1String("%2")));
        QCOMPARE(errors.finish(),
                 "vandr --debug--: read lngfile '" + base + '_' + language + ".lng'\n");
        Formats::useCatalogue(catalog);
        QCOMPARE(Formats::bytes(1363149), size);
        QCOMPARE(Formats::dateTime(QDateTime(QDate(2026, 12, 7), QTime(22, 31))), date);
        // Each menu entry of one menu is told apart from the others.
        QCOMPARE(QSet<QString>(seen.cbegin(), seen.cend()).size(), seen.size());
    }

    void decodeUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("/tmp/a b") << QStringLiteral("/tmp/a b");
        QTest::newRow("umlaut") << QByteArray("/tmp/\xc3\xa4") << QStringLiteral("/tmp/\u00e4");
        QTest::newRow("astral") << QByteArray("\xf0\x9f\x93\x81") << QStringLiteral("\U0001F4C1");
        QTest::newRow("invalid byte replaced") << QByteArray("a\xff") << QStringLiteral("a\ufffd");
    }

    void decodeUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(::decodeUtf8(bytes.constData()), text);
    }
};

QTEST_GUILESS_MAIN(tst_LanguageCatalog)
#include "tst_languagecatalog.moc"

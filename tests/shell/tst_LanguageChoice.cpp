// The language file that the settings choose, Qt's own texts in that language, and the
// texts of the editor and the window in both of the station's language files.

#include "shell/TestFiles.h"
#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// A program folder with the station's two language files and the settings given.
struct Folder {
    QTemporaryDir Dir;
    bool Make(const QByteArray& settings) {
        for (const char* file : {"Language.ini", "Language.zh-TW.ini"}) {
            if (!QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/data/") + file,
                             Dir.filePath(file))) {
                return false;
            }
        }
        return settings.isNull() || WriteFile(Dir.filePath("vendrel.ini"), settings);
    }
};

// The codes the station added for the editor, the search dialog and the main window.
QList<LanguageCode> AddedCodes() {
    using namespace modKeys;
    QList<LanguageCode> codes(Poi::Buttons.begin(), Poi::Buttons.end());
    codes << Poi::Caption << Poi::NameLabel << Poi::LongitudeLabel << Poi::LongitudeHint
          << Poi::LatitudeLabel << Poi::LatitudeHint << Poi::SearchCaption << Poi::SearchPrompt
          << Poi::SearchOk << Poi::SearchCancel << Poi::PrintHeading << Poi::NumberColumn
          << Poi::NameColumn << Poi::LongitudeColumn << Poi::LatitudeColumn << Poi::KindColumn
          << Poi::NotPrinted << Messages::RealTimePosition << Messages::LastLocation
          << Messages::DirectionLabel << Messages::SpeedLabel << Messages::NoDate << Messages::Total
          << Messages::LanguageFileMissing << Messages::LanguageAtNextStart
          << Messages::LanguageMenu << Messages::HelpMenu << Messages::GuideEntry
          << Messages::AboutEntry << Messages::AboutVersion << Messages::AboutFolder
          << Messages::AboutCredits << Messages::GuideMissing << Messages::AboutLicences
          << Messages::ExportTitle;
    return codes;
}

} // namespace

class tst_LanguageChoice : public QObject {
    Q_OBJECT

private slots:
    // The setting names the file; a file that is missing, or a value that is no language
    // name (it would reach beyond the program folder), reads Language.ini and is named.
    void chosenFile_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("deleteChinese");
        QTest::addColumn<QString>("expected"); // setting|file|missing file|title
        const QString english = "|GPS Tracking Station";
        QTest::newRow("no settings file") << QByteArray() << false << "|Language.ini|" + english;
        QTest::newRow("empty value")
            << QByteArray("[Settings]\nLanguage=\n") << false << "|Language.ini|" + english;
        QTest::newRow("Traditional Chinese") << QByteArray("[settings]\r\nlanguage = zh-TW \r\n")
                                             << false << "zh-TW|Language.zh-TW.ini||GPS 車輛追蹤站";
        QTest::newRow("its file missing") << QByteArray("[Settings]\nLanguage=zh-TW\n") << true
                                          << "zh-TW|Language.ini|Language.zh-TW.ini" + english;
        QTest::newRow("a language without a file")
            << QByteArray("[Settings]\nLanguage=fr\n") << false
            << "fr|Language.ini|Language.fr.ini" + english;
        QTest::newRow("no language name")
            << QByteArray("[Settings]\nLanguage=../zh-TW\n") << false
            << "../zh-TW|Language.ini|Language.../zh-TW.ini" + english;
    }

    void chosenFile() {
        QFETCH(QByteArray, settings);
        QFETCH(bool, deleteChinese);
        QFETCH(QString, expected);
        Folder folder;
        QVERIFY(folder.Make(settings));
        if (deleteChinese) {
            QVERIFY(QFile::remove(folder.Dir.filePath("Language.zh-TW.ini")));
        }
        const QString path = folder.Dir.path();
        const modPrivate::LanguageChoice choice = modPrivate::ChosenLanguage(path);
        QCOMPARE(QStringList({choice.Setting, choice.FileName, choice.MissingFile,
                              modPrivate::ReadLanguage(path, modKeys::Track::Title)})
                     .join('|'),
                 expected);
        // The whole run keeps the file chosen at its first read.
        QVERIFY(modPrivate::WriteSetting(path, modKeys::Setting::Language, "zh-TW"));
        QCOMPARE(modPrivate::ChosenLanguage(path).FileName, choice.FileName);
        QCOMPARE(modPrivate::ReadLanguage(modPrivate::LoadLanguage(path), modKeys::Track::Title),
                 expected.section('|', 3));
    }

    // Qt's own dialogs speak the chosen language when Qt has its translation; English
    // loads none.
    void qtTranslation_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("expected"); // "" when nothing is loaded
        QTest::newRow("English") << QByteArray() << "";
        QTest::newRow("Traditional Chinese")
            << QByteArray("[Settings]\nLanguage=zh-TW\n") << "取消";
    }

    void qtTranslation() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, expected);
        Folder folder;
        QVERIFY(folder.Make(settings));
        const QLocale before;
        QTranslator translator;
        const bool loaded = modApplication::LoadQtTranslation(translator, folder.Dir.path());
        QCOMPARE(loaded, !expected.isEmpty());
        QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), expected);
        QCOMPARE(QLocale().name(), loaded ? "zh_TW" : before.name());
        QLocale::setDefault(before);
    }

    // Every text the station added has its English text in Language.ini, as its fallback,
    // and a translation in Language.zh-TW.ini; a leading blank is kept.
    void addedTextsInBothFiles() {
        const clsProfileText english(ReadFile(STATION_SOURCE_DIR "/data/Language.ini"));
        const clsProfileText chinese(ReadFile(STATION_SOURCE_DIR "/data/Language.zh-TW.ini"));
        for (const LanguageCode& code : AddedCodes()) {
            const QString name = code.Section + "/" + code.Code;
            QCOMPARE(english.Value(code.Section, code.Code) + " " + name,
                     QString::fromUtf8(code.Fallback) + " " + name);
            const QString translated = chinese.Value(code.Section, code.Code);
            QVERIFY2(!translated.isEmpty() && translated != QString::fromUtf8(code.Fallback),
                     qPrintable(name));
        }
        QCOMPARE(english.Value("Messages", "0061"), " Real time position");
    }
};

QTEST_GUILESS_MAIN(tst_LanguageChoice)
#include "tst_LanguageChoice.moc"

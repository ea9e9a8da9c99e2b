#pragma once

#include "shell/clsProfileText.h"
#include "shell/modKeys.h"

#include <QDateTime>
#include <QString>

// Shared procedures: settings and language access, the text forms in which dates,
// coordinates, speeds and courses are shown and stored, and small utilities.
// Every function that touches a file takes the program folder.
namespace modPrivate {

// Value of key in section of "vendrel.ini" in the program folder, or "".
QString ReadSetting(const QString& programFolder, const QString& section, const QString& key);
// Stores a value in "vendrel.ini", creating file, section and key as needed.
bool WriteSetting(const QString& programFolder, const QString& section, const QString& key,
                  const QString& value);
// Text under code in section of the chosen language file (by default "Language.ini") in
// the program folder, or "".
QString ReadLanguage(const QString& programFolder, const QString& section, const QString& code);

// The same for a named key or code. A code with an English fallback gives the fallback
// when the language file lacks it.
QString ReadSetting(const QString& programFolder, const SettingKey& key);
bool WriteSetting(const QString& programFolder, const SettingKey& key, const QString& value);
QString ReadLanguage(const QString& programFolder, const LanguageCode& code);

// The language file of the program folder, chosen by the setting Language (modKeys) at the
// first language read of the process and kept until it ends, so that every text of a run
// comes from one file. FileName lies in the program folder; MissingFile is the file the
// setting names when it does not exist (or the value is no language name), and then
// FileName is "Language.ini". Reads the settings file once per folder; changes nothing.
struct LanguageChoice {
    QString Setting; // the value chosen: "" for Language.ini, "zh-TW", ...
    QString FileName;
    QString MissingFile;
};
LanguageChoice ChosenLanguage(const QString& programFolder);

// "vendrel.ini" and the chosen language file ("Language.ini" unless chosen) read once, for a run of reads that belong together:
// start-up reads each file once and hands the text to its steps. The reads below give
// what the reads of the file above give; a read at any other time goes to the file.
clsProfileText LoadSettings(const QString& programFolder);
clsProfileText LoadLanguage(const QString& programFolder);
QString ReadSetting(const clsProfileText& settings, const SettingKey& key);
QString ReadLanguage(const clsProfileText& language, const LanguageCode& code);

// A path beneath the program folder; relative uses "/" and each existing folder or
// file is matched without regard to case, so "Export" reaches "export".
QString ProgramPath(const QString& programFolder, const QString& relative);
// The settings file of the program folder.
QString SettingsPath(const QString& programFolder);

// The leading decimal number of a text ("." as the point); 0 when there is none.
double Val(const QString& text);
// Whole number nearest to v, exact halves to the even number.
long long RoundHalfEven(double v);
// Shortest decimal text of v with at most significantDigits digits, "." as the
// point, no exponent, no trailing zeros: 121.57613, 0.5, 0.
QString NumberText(double v, int significantDigits);
// A field of a CSV line, UTF-8: quoted when it holds a comma, a quote or a line end, its
// quotes then doubled.
QByteArray CsvField(const QString& text);

// The parts of a non-negative value in decimal degrees: whole degrees, whole minutes, and
// seconds rounded half-even, carried into the minutes and degrees (59.5 seconds and more
// give the next minute), so minutes and seconds are always 0 to 59.
struct DegreeParts {
    double Degrees;
    int Minutes;
    long long Seconds;
};
DegreeParts SplitDegrees(double degrees);

// "yyyy/mm/dd hh:mm:ss", 24-hour clock.
QString FormatLogTime(const QDateTime& when);
// "yyyy/mm/dd hh:mm:ss" to "DD-MON-YY hh:mm:ss" (18-FEB-09 13:45:10); "" when unreadable.
QString ConvertLogTime(const QString& logTime);
// Hemisphere letter and degrees (non-negative) as N 25° 02' 07" ; "" for 0.
QString FormatDegrees(const QString& hemisphere, double degrees);
// Knots with thousands separators and one decimal, ".0" shown as two blanks, then unit;
// "" for a value that is not a finite number.
QString FormatSpeed(float knots, const QString& unit);
// The compass point nearest to a course in degrees: 0 north, 1 north-east ... 7 north-west.
int DirectionPoint(float degrees);
// Language code ("0002" north .. "0009" north-west) of the compass point nearest to a
// course in degrees.
QString DirectionCode(float degrees);
// Compass name of a course in degrees, from section "Private" of the language file.
QString DirectionName(const QString& programFolder, float degrees);
// Every apostrophe doubled, nothing else changed.
QString QuoteSql(const QString& text);
// Writes bytes as the whole file at path; the file under that name is replaced only once
// every byte has been written. False, and the platform's description in error, when it
// could not be; an earlier file of that name then stays as it was.
bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString& error);
// Deletes the file; false when it could not be deleted (missing included).
bool KillFile(const QString& path);

} // namespace modPrivate

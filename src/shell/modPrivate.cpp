#include "shell/modPrivate.h"

#include "shell/clsProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

// Appends v in decimal, its digits padded with zeros in front to at least minDigits.
void AppendNumber(QString& text, long long v, int minDigits) {
    std::array<char16_t, 24> chars{};
    std::size_t first = chars.size();
    unsigned long long magnitude =
        v < 0 ? 0 - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
        chars[--first] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (chars.size() - first < static_cast<std::size_t>(minDigits)) {
        chars[--first] = u'0';
    }
    if (v < 0) {
        chars[--first] = u'-';
    }
    text.append(QStringView(chars.data() + first, chars.size() - first));
}

} // namespace

namespace modPrivate {

namespace {

QString settingsPath(const QString& programFolder) {
    return ProgramPath(programFolder, QStringLiteral("vendrel.ini"));
}

const QString DefaultLanguageFile = QStringLiteral("Language.ini");

QString languagePath(const QString& programFolder) {
    return ProgramPath(programFolder, ChosenLanguage(programFolder).FileName);
}

// A language name of letters, digits, "-" and "_" only: the setting names a file beside
// the program's, never one elsewhere.
bool IsLanguageName(const QString& value) {
    return std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'_');
    });
}

LanguageChoice ReadLanguageChoice(const QString& programFolder) {
    LanguageChoice choice{ReadSetting(programFolder, modKeys::Setting::Language).trimmed(),
                          DefaultLanguageFile, QString()};
    if (choice.Setting.isEmpty()) {
        return choice;
    }
    const QString named = QStringLiteral("Language.%1.ini").arg(choice.Setting);
    if (IsLanguageName(choice.Setting) &&
        QFileInfo(ProgramPath(programFolder, named)).isFile()) {
        choice.FileName = named;
    } else {
        choice.MissingFile = named;
    }
    return choice;
}

} // namespace

LanguageChoice ChosenLanguage(const QString& programFolder) {
    static QHash<QString, LanguageChoice> chosen;
    const QString folder = QDir(programFolder).absolutePath();
    auto found = chosen.find(folder);
    if (found == chosen.end()) {
        found = chosen.insert(folder, ReadLanguageChoice(programFolder));
    }
    return *found;
}

QString ReadSetting(const QString& programFolder, const QString& section, const QString& key) {
    return clsProfileFile::Read(settingsPath(programFolder), section, key);
}

bool WriteSetting(const QString& programFolder, const QString& section, const QString& key,
                  const QString& value) {
    return clsProfileFile::Write(settingsPath(programFolder), section, key, value);
}

QString ReadLanguage(const QString& programFolder, const QString& section, const QString& code) {
    return clsProfileFile::Read(languagePath(programFolder), section, code);
}

QString ReadSetting(const QString& programFolder, const SettingKey& key) {
    return ReadSetting(programFolder, key.Section, key.Key);
}

bool WriteSetting(const QString& programFolder, const SettingKey& key, const QString& value) {
    return WriteSetting(programFolder, key.Section, key.Key, value);
}

QString ReadLanguage(const QString& programFolder, const LanguageCode& code) {
    return ReadLanguage(LoadLanguage(programFolder), code);
}

clsProfileText LoadSettings(const QString& programFolder) {
    return clsProfileFile::Load(settingsPath(programFolder));
}

clsProfileText LoadLanguage(const QString& programFolder) {
    return clsProfileFile::Load(languagePath(programFolder));
}

QString ReadSetting(const clsProfileText& settings, const SettingKey& key) {
    return settings.Value(key.Section, key.Key);
}

QString ReadLanguage(const clsProfileText& language, const LanguageCode& code) {
    const QString text = language.Value(code.Section, code.Code);
    return text.isEmpty() && code.Fallback ? QString::fromUtf8(code.Fallback) : text;
}

QString ProgramPath(const QString& programFolder, const QString& relative) {
    QString path = programFolder;
    bool exists = true;
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QString name = part;
        if (exists) {
            const QDir dir(path);
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot);
            exists = false;
            for (const QString& entry : entries) {
                if (entry == part) {
                    exists = true;
                    break;
                }
                if (!exists && entry.compare(part, Qt::CaseInsensitive) == 0) {
                    name = entry;
                    exists = true;
                }
            }
        }
        path += QLatin1Char('/') + name;
    }
    return path;
}

double Val(const QString& text) {
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) {
        ++i;
    }
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        ++i;
    }
    auto digits = [&] {
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
        }
    };
    digits();
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        digits();
    }
    const int mantissaEnd = i;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            ++i;
        }
        const int expStart = i;
        digits();
        if (i == expStart) {
            i = mantissaEnd;
        }
    }
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

long long RoundHalfEven(double v) {
    // Beyond +-2^62 (and for NaN) there is no sensible whole number; clamp instead of
    // letting the conversion overflow.
    constexpr double limit = 4611686018427387904.0;
    if (!(std::fabs(v) < limit)) {
        return std::isnan(v)
                   ? 0
                   : (v < 0 ? -static_cast<long long>(limit) : static_cast<long long>(limit));
    }
    return static_cast<long long>(std::nearbyint(v)); // to nearest, ties even: the default mode
}

QString NumberText(double v, int significantDigits) {
    if (!std::isfinite(v)) {
        return QStringLiteral("0");
    }
    QString text = QString::number(v, 'g', significantDigits);
    if (text.contains(QLatin1Char('e'))) {
        // Re-write without exponent at the precision 'g' kept.
        const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
        const int decimals = std::max(0, significantDigits - 1 - exponent);
        text = QString::number(v, 'f', decimals);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0'))) {
                text.chop(1);
            }
            if (text.endsWith(QLatin1Char('.'))) {
                text.chop(1);
            }
        }
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    // Unbuffered: Qt 6.4 commits a save file whose buffered bytes failed to reach the
    // disk when it is closed, which would put a cut file under the chosen name.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString SettingsPath(const QString& programFolder) {
    return settingsPath(programFolder);
}

QByteArray CsvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') ||
        field.contains('\r')) {
        field = '"' + field.replace("\"", "\"\"") + '"';
    }
    return field;
}

QString FormatLogTime(const QDateTime& when) {
    const QDate date = when.date();
    if (!when.isValid() || date.year() < 0 || date.year() > 9999) {
        return when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    }
    // Every recorded fix is stamped, and the platform's date formatting costs as much as
    // decoding the sentence.
    const QTime time = when.time();
    QString text;
    text.reserve(19);
    AppendNumber(text, date.year(), 4);
    text += QLatin1Char('/');
    AppendNumber(text, date.month(), 2);
    text += QLatin1Char('/');
    AppendNumber(text, date.day(), 2);
    text += QLatin1Char(' ');
    AppendNumber(text, time.hour(), 2);
    text += QLatin1Char(':');
    AppendNumber(text, time.minute(), 2);
    text += QLatin1Char(':');
    AppendNumber(text, time.second(), 2);
    return text;
}

QString ConvertLogTime(const QString& logTime) {
    static const std::array<const char*, 12> months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    // A text of another shape can read as a number that no int holds ("9e99"): unreadable.
    bool readable = true;
    auto part = [&](int from, int length) {
        const double value = Val(logTime.mid(from, length));
        readable = readable && std::fabs(value) < 1e6;
        return readable ? static_cast<int>(value) : 0;
    };
    const QDate date(part(0, 4), part(5, 2), part(8, 2));
    const QTime time(part(11, 2), part(14, 2), part(17, 2));
    if (!readable || !date.isValid() || !time.isValid()) {
        return {};
    }
    return QStringLiteral("%1-%2-%3 %4")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(months[date.month() - 1]))
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(time.toString(QStringLiteral("HH:mm:ss")));
}

DegreeParts SplitDegrees(double degrees) {
    const double whole = std::floor(degrees);
    const double minutes = (degrees - whole) * 60;
    const double wholeMinutes = std::floor(minutes);
    DegreeParts parts{whole, static_cast<int>(wholeMinutes),
                      RoundHalfEven((minutes - wholeMinutes) * 60)};
    // Rounding can reach a whole minute, and that minute a whole degree.
    if (parts.Seconds == 60) {
        parts.Seconds = 0;
        ++parts.Minutes;
    }
    if (parts.Minutes == 60) {
        parts.Minutes = 0;
        ++parts.Degrees;
    }
    return parts;
}

QString FormatDegrees(const QString& hemisphere, double degrees) {
    if (!(degrees > 0) || !std::isfinite(degrees)) {
        return {};
    }
    const DegreeParts parts = SplitDegrees(degrees);
    // Built by appending: every fixed position is formatted, and arg() chains cost
    // several times the arithmetic.
    QString text;
    text.reserve(hemisphere.size() + 32);
    text += hemisphere;
    text += QLatin1Char(' ');
    // A damaged record can hold degrees beyond any whole-number count: those are written
    // from the double itself, which holds whole degrees only there.
    if (parts.Degrees < 1e18) {
        AppendNumber(text, static_cast<long long>(parts.Degrees), 1);
    } else {
        text += QString::number(parts.Degrees, 'f', 0);
    }
    text += QStringView(u"\u00B0 ");
    AppendNumber(text, parts.Minutes, 2);
    text += QLatin1String("' ");
    AppendNumber(text, parts.Seconds, 2);
    text += QLatin1String("\" ");
    return text;
}

QString FormatSpeed(float knots, const QString& unit) {
    if (!std::isfinite(knots)) {
        return {}; // no number to show
    }
    const double v = knots;
    // Tenths are counted in a whole number while they fit one; a float that large is a
    // whole number already, and its digits are written out exactly.
    QString whole;
    long long tenth = 0;
    if (std::fabs(v) < 1e17) {
        const long long tenths = std::llround(std::fabs(v) * 10);
        whole = QString::number(tenths / 10);
        tenth = tenths % 10;
    } else {
        std::array<char, 64> digits{};
        const auto result = std::to_chars(digits.data(), digits.data() + digits.size(),
                                          std::fabs(v), std::chars_format::fixed, 0);
        whole = QString::fromLatin1(digits.data(), result.ptr - digits.data());
    }
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) {
        whole.insert(i, QLatin1Char(','));
    }
    QString text;
    text.reserve(whole.size() + unit.size() + 4);
    if (v < 0 && (tenth != 0 || whole != QLatin1String("0"))) {
        text += QLatin1Char('-');
    }
    text += whole;
    // The decimal point is the only "." in the number, so the only ".0" is a decimal 0.
    if (tenth == 0) {
        text += QLatin1String("  ");
    } else {
        text += QLatin1Char('.');
        AppendNumber(text, tenth, 1);
    }
    return text + unit;
}

int DirectionPoint(float degrees) {
    const double course = std::isfinite(degrees) ? static_cast<double>(degrees) : 0.0;
    const long long r = RoundHalfEven(course / 45);
    return static_cast<int>(((r % 8) + 8) % 8);
}

QString DirectionCode(float degrees) {
    return QStringLiteral("%1").arg(DirectionPoint(degrees) + 2, 4, 10, QLatin1Char('0'));
}

QString DirectionName(const QString& programFolder, float degrees) {
    return ReadLanguage(programFolder, modKeys::Private::Section, DirectionCode(degrees));
}

QString QuoteSql(const QString& text) {
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

bool KillFile(const QString& path) {
    return QFile::remove(path);
}

} // namespace modPrivate

// A profile file of any bytes (settings or language file, edited by hand or by another
// program): read, and written one key, on disk. The write must change only the key's
// place: every other line keeps its bytes and its line end, and the key reads back.

#include "FuzzSupport.h"

#include "shell/clsProfileFile.h"
#include "shell/clsProfileText.h"

#include <QList>

namespace {

// A name or value of letters, digits and "_", "." as the station's own keys are.
QString Word(FuzzedDataProvider& input, size_t maxLength) {
    static const char Allowed[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.";
    QString word;
    const size_t length = input.ConsumeIntegralInRange<size_t>(1, maxLength);
    for (size_t i = 0; i < length; ++i) {
        word += QLatin1Char(Allowed[input.ConsumeIntegralInRange<size_t>(0, sizeof Allowed - 2)]);
    }
    return word;
}

// The lines of text, each with its line end (a last line may have none).
QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines;
    for (qsizetype begin = 0; begin < text.size();) {
        const qsizetype feed = text.indexOf('\n', begin);
        const qsizetype next = feed < 0 ? text.size() : feed + 1;
        lines << text.mid(begin, next - begin);
        begin = next;
    }
    return lines;
}

// Where before and after differ, as the lines of each between their common first and last
// lines.
struct Change {
    QList<QByteArray> Removed;
    QList<QByteArray> Added;
};

Change Difference(const QList<QByteArray>& before, const QList<QByteArray>& after) {
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    return {before.mid(head, before.size() - head - tail), after.mid(head, after.size() - head - tail)};
}

// Mostly a name the seeds hold, so that writes land in sections and keys that exist.
QString Name(FuzzedDataProvider& input, const QStringList& known) {
    const auto pick = input.ConsumeIntegralInRange<qsizetype>(0, known.size());
    return pick < known.size() ? known[pick] : Word(input, 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QString section =
        Name(input, {QStringLiteral("Ports"), QStringLiteral("settings"), QStringLiteral("Private")});
    const QString key = Name(input, {QStringLiteral("COM1"), QStringLiteral("PortIndex"),
                                     QStringLiteral("SpeedUnit"), QStringLiteral("Name")});
    const QString value = Word(input, 40);
    const QByteArray before = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());

    const clsProfileText text(before);
    const QString old = text.Value(section, key);
    FUZZ_CHECK(old.size() <= clsProfileText::MaxValueLength);
    const QByteArray after = text.WithValue(section, key, value);
    FUZZ_CHECK(clsProfileText(after).Value(section, key) == value);

    // One line of before at most is replaced (the key's, or the last line before the new
    // one, which gains a line end); at most a blank line, a section line and the key's
    // line are added.
    const Change change = Difference(Lines(before), Lines(after));
    FUZZ_CHECK(change.Removed.size() <= 1);
    FUZZ_CHECK(change.Added.size() <= 3 + change.Removed.size());
    if (!change.Removed.isEmpty()) {
        const QByteArray& removed = change.Removed.first();
        const bool gainedLineEnd = !removed.endsWith('\n') && change.Added.first().startsWith(removed);
        const bool keyLine = removed.trimmed().toLower().startsWith(key.toLower().toUtf8());
        FUZZ_CHECK(gainedLineEnd || keyLine);
    }

    // The same on disk: the file holds what the text says.
    const QString path = FuzzSupport::ProgramFolder() + QStringLiteral("/fuzz.ini");
    FUZZ_CHECK(FuzzSupport::WriteFile(path, before));
    FUZZ_CHECK(clsProfileFile::Read(path, section, key) == old);
    FUZZ_CHECK(clsProfileFile::Write(path, section, key, value));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == after);
    return 0;
}

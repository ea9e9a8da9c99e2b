#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QString>
#include <vector>

// The bytes of a sectioned profile file ("[section]" lines, "key=value" lines), read the
// way classic desktop programs read them: names match without regard to case, the first
// section and the first key of a name win, a section line may carry text after its "]",
// values come back trimmed, unquoted and cut to 255 characters. Lines end in LF or CR LF;
// values are UTF-8. One text answers any number of reads without going back to the file.
class clsProfileText {
public:
    static constexpr int MaxValueLength = 255; // characters

    clsProfileText() = default;
    explicit clsProfileText(QByteArray bytes);

    // The value, or the empty text when the section or key is missing.
    QString Value(QAnyStringView section, QAnyStringView key) const;

    // The bytes with key in section set to value: the key's line replaced, or a line added
    // at the end of its section, or the section added at the end. Every other line keeps
    // its bytes and its line end; the new line is UTF-8 and ends as most lines of the text
    // do, except that a text without a final line end keeps it so. The names and the value
    // must not hold a line break.
    QByteArray WithValue(QAnyStringView section, QAnyStringView key, QAnyStringView value) const;

private:
    // A line: its text [Begin, End) and its line end [End, Next).
    struct Line {
        qsizetype Begin = 0;
        qsizetype End = 0;
        qsizetype Next = 0;
    };
    // A section line: the name [NameBegin, NameEnd), the section line itself at Header
    // and the section's lines up to End, where the next section line or the text ends.
    struct Section {
        qsizetype NameBegin = 0;
        qsizetype NameEnd = 0;
        qsizetype Header = 0;
        qsizetype End = 0;
    };
    // Where a key is, or would go: the key's line when found, otherwise the last line of
    // the section that is not blank (its section line when there is none).
    struct KeyPlace {
        bool Found = false;
        Line At;
    };

    Line LineAt(qsizetype begin) const;
    Line LastLine() const;
    const Section* FindSection(QAnyStringView name) const;
    KeyPlace FindKey(const Section& section, QAnyStringView key) const;
    QByteArray DominantLineEnd() const;
    QByteArray Inserted(const Line& after, const QByteArray& lines, const QByteArray& end) const;

    QByteArray m_bytes;
    qsizetype m_textStart = 0; // after a UTF-8 byte-order mark
    std::vector<Section> m_sections;
};

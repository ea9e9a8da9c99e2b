#include "poi/clsPoiEditor.h"

#include "poi/clsDBLib.h"
#include "poi/modDms.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace {

constexpr qsizetype LongestExplanation = 50;
// Significant digits of a printed coordinate: the stored value, at most a 64-bit float's.
constexpr int CoordinateDigits = 15;

// The keys of the toolbar buttons.
namespace Key {
const QString NewRec = QStringLiteral("NewRec");
const QString AmendmentRec = QStringLiteral("AmendmentRec");
const QString DelRec = QStringLiteral("DelRec");
const QString CancelRec = QStringLiteral("CancelRec");
const QString WriteRec = QStringLiteral("WriteRec");
const QString Search = QStringLiteral("Search");
const QString FirstRec = QStringLiteral("FirstRec");
const QString ReplyRec = QStringLiteral("ReplyRec");
const QString NextRec = QStringLiteral("NextRec");
const QString LastRec = QStringLiteral("LastRec");
const QString Refresh = QStringLiteral("Refresh");
const QString Print = QStringLiteral("Print");
const QString Exit = QStringLiteral("Exit");
} // namespace Key

DmsText Trimmed(const DmsText& boxes) {
    return {boxes.Degrees.trimmed(), boxes.Minutes.trimmed(), boxes.Seconds.trimmed()};
}

// The option of a stored kind: 1 to 5, or 0 when the text is no such number (the table
// can be filled by other programs).
int KindOption(const QString& kind) {
    const double v = modPrivate::Val(kind);
    return v >= 1 && v <= 5 && v == std::floor(v) ? static_cast<int>(v) : 0;
}

} // namespace

const QStringList& clsPoiEditor::Keys() {
    static const QStringList keys{Key::NewRec,   Key::AmendmentRec, Key::DelRec,   Key::CancelRec,
                                  Key::WriteRec, Key::Search,       Key::FirstRec, Key::ReplyRec,
                                  Key::NextRec,  Key::LastRec,      Key::Refresh,  Key::Print,
                                  Key::Exit};
    return keys;
}

clsPoiEditor::clsPoiEditor(const QString& programFolder, clsDBLib& db)
    : m_programFolder(programFolder), m_db(db) {}

std::optional<clsPoiEditor::Notice> clsPoiEditor::Load() {
    m_resultFlag = false;
    m_mode = EditMode::Browsing;
    m_currentIndex = 0;
    return Reload();
}

void clsPoiEditor::SetFields(const Fields& fields) {
    m_fields = fields;
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::ButtonClick(const QString& key,
                                                              const Prompts& prompts) {
    if (!IsEnabled(key)) {
        return std::nullopt;
    }
    const int last = static_cast<int>(m_records.size()) - 1;
    if (key == Key::NewRec) {
        ClearFields();
        m_fields.Kind = 1;
        m_mode = EditMode::Adding;
    } else if (key == Key::AmendmentRec) {
        m_mode = EditMode::Amending;
    } else if (key == Key::DelRec) {
        return DeleteRecord(prompts);
    } else if (key == Key::CancelRec) {
        m_mode = EditMode::Browsing;
    } else if (key == Key::WriteRec) {
        return SaveRecord();
    } else if (key == Key::Search) {
        return Search(prompts);
    } else if (key == Key::FirstRec) {
        m_currentIndex = 0;
    } else if (key == Key::ReplyRec) {
        m_currentIndex = std::max(0, m_currentIndex - 1);
    } else if (key == Key::NextRec) {
        m_currentIndex = std::min(last, m_currentIndex + 1);
    } else if (key == Key::LastRec) {
        m_currentIndex = last;
    } else if (key == Key::Refresh) {
        return Refresh();
    } else if (key == Key::Print) {
        return Print(prompts);
    }
    return std::nullopt;
}

bool clsPoiEditor::IsEnabled(const QString& key) const {
    const int count = static_cast<int>(m_records.size());
    if (m_mode != EditMode::Browsing) {
        return key == Key::CancelRec || key == Key::WriteRec || !Keys().contains(key);
    }
    if (key == Key::AmendmentRec || key == Key::DelRec || key == Key::Search ||
        key == Key::Print) {
        return count >= 1;
    }
    if (key == Key::CancelRec || key == Key::WriteRec) {
        return false;
    }
    if (key == Key::FirstRec || key == Key::ReplyRec) {
        return count > 0 && m_currentIndex + 1 > 1;
    }
    if (key == Key::NextRec || key == Key::LastRec) {
        return count >= 1 && m_currentIndex + 1 < count;
    }
    return true;
}

clsPoiEditor::View clsPoiEditor::ShowRecord() {
    const int count = static_cast<int>(m_records.size());
    View view;
    view.Counter = Text(modKeys::Search::RecordCounter) +
                   (count > 0 ? QStringLiteral("%1/%2").arg(m_currentIndex + 1).arg(count)
                              : QStringLiteral("0/0"));
    switch (m_mode) {
    case EditMode::Amending:
        view.State = Text(modKeys::Search::Amending);
        break;
    case EditMode::Adding:
        view.State = Text(modKeys::Search::Adding);
        break;
    case EditMode::Browsing:
        view.State = count > 0 ? QString() : Text(modKeys::Search::EmptyTable);
        break;
    }
    for (const QString& key : Keys()) {
        if (IsEnabled(key)) {
            view.EnabledKeys << key;
        }
    }
    view.FramesEnabled = m_mode != EditMode::Browsing;
    // While editing the fields keep what the operator typed, also when a save is refused.
    if (count > 0 && m_mode == EditMode::Browsing) {
        const CoordinateRecord& record = m_records.at(m_currentIndex);
        m_fields.Explanation = record.Explanation;
        m_fields.Kind = KindOption(record.Kind);
        m_fields.Longitude = modDms::DegreesToDms(record.X);
        m_fields.Latitude = modDms::DegreesToDms(record.Y);
    }
    view.Shown = m_fields;
    return view;
}

void clsPoiEditor::LoadRecords() {
    m_records = m_db.ListCoordinates();
}

// The editor cannot go on without its records: a failure closes it, and only it, unless
// the records it shows are still those loaded before.
std::optional<clsPoiEditor::Notice> clsPoiEditor::Reload(bool closeOnFailure) {
    try {
        LoadRecords();
    } catch (const clsStationError& error) {
        return Failure(error.Message(), closeOnFailure);
    }
    // Another program may have removed rows since the last load.
    m_currentIndex =
        std::clamp(m_currentIndex, 0, std::max(0, static_cast<int>(m_records.size()) - 1));
    return std::nullopt;
}

// The table read again, for rows that other programs or the map's pick-up changed; the
// record shown stays the one shown when it is still there. A failed read keeps the
// records shown before.
std::optional<clsPoiEditor::Notice> clsPoiEditor::Refresh() {
    const QString shown = m_records.isEmpty() ? QString() : m_records.at(m_currentIndex).SeqNo;
    if (std::optional<Notice> failure = Reload(false)) {
        return failure;
    }
    for (int i = 0; i < m_records.size(); ++i) {
        if (m_records.at(i).SeqNo == shown) {
            m_currentIndex = i;
        }
    }
    return std::nullopt;
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::Print(const Prompts& prompts) const {
    if (prompts.Print(PrintTable(), Text(modKeys::Poi::PrintHeading))) {
        return std::nullopt;
    }
    return Failure(Text(modKeys::Poi::NotPrinted), false);
}

QString clsPoiEditor::PrintTable() const {
    const auto cell = [](const char* tag, const QString& text) {
        return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), text.toHtmlEscaped());
    };
    QString html = QStringLiteral("<h2>%1</h2>\n<table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"4\">\n<tr>")
                       .arg(Text(modKeys::Poi::PrintHeading).toHtmlEscaped());
    for (const LanguageCode& column :
         {modKeys::Poi::NumberColumn, modKeys::Poi::NameColumn, modKeys::Poi::LongitudeColumn,
          modKeys::Poi::LatitudeColumn, modKeys::Poi::KindColumn}) {
        html += cell("th", Text(column));
    }
    html += QStringLiteral("</tr>\n");
    for (int i = 0; i < m_records.size(); ++i) {
        const CoordinateRecord& record = m_records.at(i);
        html += QStringLiteral("<tr>") + cell("td", QString::number(i + 1)) +
                cell("td", record.Explanation) +
                cell("td", modPrivate::NumberText(record.X, CoordinateDigits)) +
                cell("td", modPrivate::NumberText(record.Y, CoordinateDigits)) +
                cell("td", record.Kind) + QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::SaveRecord() {
    // The name first: an empty form is missing its name before anything else.
    const QString explanation = m_fields.Explanation.trimmed();
    if (explanation.isEmpty()) {
        return Warning(modKeys::Search::EmptyName, Text(modKeys::Search::NameTitle));
    }
    // A line break would split the point's line in the map's files, and the database ends
    // a statement at a NUL: such a name is refused, never stored otherwise than typed.
    if (std::any_of(explanation.cbegin(), explanation.cend(), modPrivate::IsControlCharacter)) {
        return Warning(modKeys::Messages::NameHoldsControl, Text(modKeys::Search::NameTitle));
    }
    if (explanation.size() > LongestExplanation) {
        return Warning(modKeys::Search::NameTooLong, Text(modKeys::Search::NameTitle));
    }
    std::optional<double> x = modDms::DmsToDegrees(m_fields.Longitude);
    std::optional<double> y = modDms::DmsToDegrees(m_fields.Latitude);
    if (!x || !y) {
        return Failure(Text(modKeys::Messages::CoordinateNotNumber), false);
    }
    if (std::optional<Notice> refused = RefuseSixtyOrMore()) {
        return refused;
    }
    QString kind =
        m_fields.Kind >= 1 && m_fields.Kind <= 5 ? QString::number(m_fields.Kind) : QString();
    const bool adding = m_mode == EditMode::Adding;
    QSet<QString> keysBefore;
    try {
        if (adding) {
            for (const CoordinateRecord& record : m_records) {
                keysBefore.insert(record.SeqNo);
            }
            m_db.InsertCoordinate(*x, *y, kind, explanation);
        } else {
            const CoordinateRecord& current = m_records.at(m_currentIndex);
            // Boxes that still hold what was shown keep the stored value: it is finer than
            // whole seconds, and amending the name or the kind must not move the point.
            if (Trimmed(m_fields.Longitude) == modDms::DegreesToDms(current.X)) {
                x = current.X;
            }
            if (Trimmed(m_fields.Latitude) == modDms::DegreesToDms(current.Y)) {
                y = current.Y;
            }
            // A stored kind that no option stands for stays unless another is chosen.
            if (kind.isEmpty()) {
                kind = current.Kind;
            }
            m_db.UpdateCoordinate(current.SeqNo.toLongLong(), *x, *y, kind, explanation);
        }
    } catch (const clsStationError& error) {
        return Failure(error.Message(), false);
    }
    m_resultFlag = true;
    m_mode = EditMode::Browsing;
    if (std::optional<Notice> failure = Reload()) {
        return failure;
    }
    if (adding) {
        // The new row is the one with the highest key not listed before; its position is
        // not the count of keys running 1, 2, 3 once a deletion has left a gap.
        double highest = -1;
        for (int i = 0; i < m_records.size(); ++i) {
            const double key = modPrivate::Val(m_records.at(i).SeqNo);
            if (!keysBefore.contains(m_records.at(i).SeqNo) && key > highest) {
                highest = key;
                m_currentIndex = i;
            }
        }
    }
    return std::nullopt;
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::DeleteRecord(const Prompts& prompts) {
    if (!prompts.ConfirmDelete(Text(modKeys::Search::DeleteQuestion),
                               Text(modKeys::Search::DeleteTitle))) {
        return std::nullopt;
    }
    try {
        m_db.DeleteCoordinate(m_records.at(m_currentIndex).Explanation);
    } catch (const clsStationError& error) {
        return Failure(error.Message(), false);
    }
    m_resultFlag = true;
    // The record before; a deletion can remove several rows of the same explanation.
    const int before = m_currentIndex - 1;
    if (std::optional<Notice> failure = Reload()) {
        return failure;
    }
    if (m_records.isEmpty()) {
        ClearFields();
    } else {
        m_currentIndex = std::clamp(before, 0, static_cast<int>(m_records.size()) - 1);
    }
    return std::nullopt;
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::Search(const Prompts& prompts) {
    const std::optional<QString> searchText = prompts.ShowSearch();
    return searchText ? FindRecord(*searchText) : std::nullopt;
}

std::optional<clsPoiEditor::Notice> clsPoiEditor::FindRecord(const QString& searchText) {
    const QString needle = searchText.toUpper().trimmed();
    for (int i = 0; i < m_records.size(); ++i) {
        const QString& explanation = m_records.at(i).Explanation;
        if (!explanation.isEmpty() && explanation.toUpper().contains(needle)) {
            m_currentIndex = i;
            return std::nullopt;
        }
    }
    return Warning(modKeys::Search::NoMatch, modApplication::ApplicationTitle(m_programFolder));
}

void clsPoiEditor::ClearFields() {
    m_fields.Explanation.clear();
    m_fields.Longitude = {};
    m_fields.Latitude = {};
}

// Minutes or seconds of 60 or more would move the point elsewhere than typed.
std::optional<clsPoiEditor::Notice> clsPoiEditor::RefuseSixtyOrMore() const {
    const struct {
        const DmsText& Boxes;
        const LanguageCode& Minutes;
        const LanguageCode& Seconds;
    } rows[] = {{m_fields.Longitude, modKeys::Messages::LongitudeMinutesTooLarge,
                 modKeys::Messages::LongitudeSecondsTooLarge},
                {m_fields.Latitude, modKeys::Messages::LatitudeMinutesTooLarge,
                 modKeys::Messages::LatitudeSecondsTooLarge}};
    for (const auto& row : rows) {
        switch (modDms::SixtyOrMore(row.Boxes)) {
        case modDms::Box::Minutes:
            return Notice{false, Text(row.Minutes).arg(row.Boxes.Minutes.trimmed()),
                          Text(modKeys::Search::NameTitle), false};
        case modDms::Box::Seconds:
            return Notice{false, Text(row.Seconds).arg(row.Boxes.Seconds.trimmed()),
                          Text(modKeys::Search::NameTitle), false};
        case modDms::Box::None:
            break;
        }
    }
    return std::nullopt;
}

clsPoiEditor::Notice clsPoiEditor::Warning(const LanguageCode& text, const QString& title) const {
    return {false, Text(text), title, false};
}

clsPoiEditor::Notice clsPoiEditor::Failure(const QString& message, bool closeEditor) const {
    return {true, message, modApplication::ApplicationTitle(m_programFolder), closeEditor};
}

QString clsPoiEditor::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}

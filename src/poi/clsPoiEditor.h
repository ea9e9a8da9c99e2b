#pragma once

#include "poi/CoordinateRecord.h"
#include "poi/DmsText.h"
#include "shell/modKeys.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class clsDBLib;

// The record logic of the POI editor: the records loaded from the POI table, the one
// shown, the edit mode, and what every toolbar button does to them. The window hands in
// what its fields hold before each button and shows the returned view afterwards.
class clsPoiEditor {
public:
    enum class EditMode { Browsing, Adding, Amending };

    // What the editor's fields hold; Kind is the selected option 1 to 5, or 0 for none.
    struct Fields {
        QString Explanation;
        DmsText Longitude;
        DmsText Latitude;
        int Kind = 0;
    };

    // Everything the window shows of the editor's state.
    struct View {
        QString Counter;         // status panel 1
        QString State;           // status panel 2
        QStringList EnabledKeys; // the keyed toolbar buttons that are enabled, in toolbar order
        bool FramesEnabled = false;
        Fields Shown;
    };

    // A message for the operator: critical (with the application title) or exclamation.
    // CloseEditor when the editor cannot go on without its records.
    struct Notice {
        bool Critical = false;
        QString Text;
        QString Title;
        bool CloseEditor = false;
    };

    // What a button needs from the operator: the answer to the delete question, and the
    // search dialog, shown modally, with the text it confirmed (none when cancelled).
    struct Prompts {
        std::function<bool(const QString& text, const QString& title)> ConfirmDelete;
        std::function<std::optional<QString>()> ShowSearch;
    };

    // The keys of the toolbar buttons that have one, in toolbar order.
    static const QStringList& Keys();

    clsPoiEditor(const QString& programFolder, clsDBLib& db);

    // Window load: ResultFlag false, the records loaded, the first one current.
    std::optional<Notice> Load();
    // Takes what the window's fields hold now.
    void SetFields(const Fields& fields);
    // The click of the button with key ("" for the keyless ones). A key whose button is
    // disabled in the present state does nothing.
    std::optional<Notice> ButtonClick(const QString& key, const Prompts& prompts);
    // The state to show; while browsing, the fields show the current record.
    View ShowRecord();
    // Makes the first record whose explanation contains searchText (trimmed, any case)
    // current.
    std::optional<Notice> FindRecord(const QString& searchText);
    // True when a record was saved or deleted since Load: the window that opened the
    // editor reloads its copy of the table.
    bool ResultFlag() const { return m_resultFlag; }

    const QList<CoordinateRecord>& Records() const { return m_records; }
    int CurrentIndex() const { return m_currentIndex; }
    EditMode Mode() const { return m_mode; }

private:
    bool IsEnabled(const QString& key) const;
    void LoadRecords();
    std::optional<Notice> Reload();
    std::optional<Notice> SaveRecord();
    std::optional<Notice> DeleteRecord(const Prompts& prompts);
    std::optional<Notice> Search(const Prompts& prompts);
    void ClearFields();
    std::optional<Notice> RefuseSixtyOrMore() const;
    Notice Warning(const LanguageCode& text, const QString& title) const;
    Notice Failure(const QString& message, bool closeEditor) const;
    QString Text(const LanguageCode& code) const;

    QString m_programFolder;
    clsDBLib& m_db;
    QList<CoordinateRecord> m_records;
    int m_currentIndex = 0;
    EditMode m_mode = EditMode::Browsing;
    Fields m_fields;
    bool m_resultFlag = false;
};

#pragma once

#include "poi/clsPoiEditor.h"
#include "shell/clsProfileText.h"

#include <QDialog>
#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStatusBar;
class QToolBar;
class clsDBLib;

// The POI editor "MYPOI": browses, adds, amends, deletes, finds and prints points of
// interest one at a time; its captions come from section "POI" of the language file. It only wires its controls to clsPoiEditor; ResultFlag tells, once it has
// closed, whether the table changed.
class frmPOI : public QDialog {
    Q_OBJECT

public:
    frmPOI(const QString& programFolder, clsDBLib& db, QWidget* owner);
    ~frmPOI() override;

    // Loads the records and shows the window modally. When they cannot be loaded the
    // message is shown and the window does not open.
    int exec() override;
    // True when the POI table was changed since the window opened.
    bool ResultFlag() const { return m_editor.ResultFlag(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildToolbar();
    void BuildRecordFrame();
    void BuildHouseFrame();
    void BuildStatusBar();

    void tbrTool_ButtonClick(QAction* button);
    void ShowRecord();
    clsPoiEditor::Fields ReadFields() const;
    // Shows the notice, if any; true when the editor has to close.
    bool Report(const std::optional<clsPoiEditor::Notice>& notice);
    bool ConfirmDelete(const QString& text, const QString& title);
    std::optional<QString> ShowSearch();
    QString Text(const LanguageCode& code) const;

    QString m_programFolder;
    clsProfileText m_language; // the captions, read once as the window is built
    clsPoiEditor m_editor;

    QToolBar* tbrTool;
    QGroupBox* FraRec;
    QLineEdit* txtExplanation;
    std::array<QLineEdit*, 6> VehicleTxt; // (3) to (8): longitude d, m, s; latitude d, m, s
    QGroupBox* fraHouse;
    std::array<QRadioButton*, 5> Option; // Option1 to Option5
    std::array<QLabel*, 5> Image;        // Image1 to Image5
    QStatusBar* stbTool;
    QLabel* stbPanel1;
    QLabel* stbPanel2;
};

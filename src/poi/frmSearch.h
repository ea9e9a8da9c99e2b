#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The POI search dialog: the operator types part of a point's name. Confirming gives the
// trimmed text as SearchText and remembers it in the settings file; cancelling gives none.
class frmSearch : public QDialog {
    Q_OBJECT

public:
    frmSearch(const QString& programFolder, QWidget* owner);

    // The text confirmed, trimmed; nothing while the dialog was not confirmed.
    const std::optional<QString>& SearchText() const { return m_searchText; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOK_Click();

    QString m_programFolder;
    std::optional<QString> m_searchText;
    QLabel* Label1;
    QLineEdit* txtSearch;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};

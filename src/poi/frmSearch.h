#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The POI search dialog: the operator types part of a point's name. Confirming sets
// ResultFlag to 1, SearchText to the trimmed text and remembers it in the settings file;
// cancelling leaves ResultFlag at 0.
class frmSearch : public QDialog {
    Q_OBJECT

public:
    frmSearch(const QString& programFolder, QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOK_Click();

    QString m_programFolder;
    QLabel* Label1;
    QLineEdit* txtSearch;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};

#pragma once

#include "shell/modKeys.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The ports dialog: lists the serial devices the platform finds and assigns one of them,
// or a network address, to an entry COM1 to COM15 of section "Ports". Errors are shown
// through the platform; the dialog stays open after each assignment.
class frmPorts : public QDialog {
    Q_OBJECT

public:
    // portIndex: the entry shown first (counted from 0; -1 for COM1).
    frmPorts(const QString& programFolder, int portIndex, QWidget* owner);

signals:
    // Entry portNumber (1-based) opens something else now.
    void Assigned(int portNumber);

private:
    void FillDevices();
    void ShowAssignment();
    void cmdAssign_Click();
    QString Text(const LanguageCode& code) const;

    QString m_programFolder;
    QTableWidget* lstDevices;
    QLabel* lblEntry;
    QComboBox* cboEntry;
    QLabel* lblTarget;
    QComboBox* cboTarget;
    QLabel* lblHint;
    QLabel* lblOutcome;
    QPushButton* cmdAssign;
    QPushButton* cmdClose;
};

#include "tracking/frmPorts.h"

#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsPortAssignments.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

template <class T> T* namedIn(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

} // namespace

frmPorts::frmPorts(const QString& programFolder, int portIndex, QWidget* owner)
    : QDialog(owner), m_programFolder(programFolder),
      lstDevices(namedIn<QTableWidget>(this, "lstDevices")),
      lblEntry(namedIn<QLabel>(this, "lblEntry")), cboEntry(namedIn<QComboBox>(this, "cboEntry")),
      lblTarget(namedIn<QLabel>(this, "lblTarget")),
      cboTarget(namedIn<QComboBox>(this, "cboTarget")), lblHint(namedIn<QLabel>(this, "lblHint")),
      lblOutcome(namedIn<QLabel>(this, "lblOutcome")),
      cmdAssign(namedIn<QPushButton>(this, "cmdAssign")),
      cmdClose(namedIn<QPushButton>(this, "cmdClose")) {
    setObjectName(QStringLiteral("frmPorts"));
    setWindowTitle(Text(modKeys::Ports::Title));
    lstDevices->setColumnCount(4);
    lstDevices->setHorizontalHeaderLabels(
        {Text(modKeys::Ports::DeviceHeader), Text(modKeys::Ports::DescriptionHeader),
         Text(modKeys::Ports::VendorHeader), Text(modKeys::Ports::ProductHeader)});
    lstDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDevices->horizontalHeader()->setStretchLastSection(true);
    lstDevices->verticalHeader()->hide();
    lblEntry->setText(Text(modKeys::Ports::EntryLabel));
    lblTarget->setText(Text(modKeys::Ports::TargetLabel));
    lblHint->setText(Text(modKeys::Ports::AddressHint));
    lblHint->setWordWrap(true);
    cmdAssign->setText(Text(modKeys::Ports::AssignButton));
    cmdClose->setText(Text(modKeys::Ports::CloseButton));
    cboTarget->setEditable(true);
    cboTarget->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= clsPortAssignments::PortCount; ++n) {
        cboEntry->addItem(QStringLiteral("COM%1").arg(n));
    }

    auto* grid = new QGridLayout(this);
    grid->addWidget(lstDevices, 0, 0, 1, 3);
    grid->addWidget(lblEntry, 1, 0);
    grid->addWidget(cboEntry, 1, 1, 1, 2);
    grid->addWidget(lblTarget, 2, 0);
    grid->addWidget(cboTarget, 2, 1, 1, 2);
    grid->addWidget(lblHint, 3, 0, 1, 3);
    grid->addWidget(lblOutcome, 4, 0, 1, 3);
    grid->addWidget(cmdAssign, 5, 1);
    grid->addWidget(cmdClose, 5, 2);
    grid->setColumnStretch(1, 1);
    resize(620, 380);

    FillDevices();
    cboEntry->setCurrentIndex(qMax(portIndex, 0));
    ShowAssignment();
    connect(cboEntry, &QComboBox::currentIndexChanged, this, &frmPorts::ShowAssignment);
    connect(lstDevices, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> chosen = lstDevices->selectedItems();
        if (!chosen.isEmpty()) {
            cboTarget->setEditText(lstDevices->item(chosen.first()->row(), 0)->text());
        }
    });
    connect(cmdAssign, &QPushButton::clicked, this, &frmPorts::cmdAssign_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void frmPorts::FillDevices() {
    const QList<clsPortAssignments::FoundDevice> devices = clsPortAssignments::FindDevices();
    lstDevices->setRowCount(static_cast<int>(devices.size()));
    for (int row = 0; row < devices.size(); ++row) {
        const clsPortAssignments::FoundDevice& d = devices.at(row);
        const QStringList cells = {d.Device, d.Description, d.Vendor, d.Product};
        for (int column = 0; column < cells.size(); ++column) {
            lstDevices->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        }
        cboTarget->addItem(d.Device);
    }
    lstDevices->resizeColumnsToContents();
}

void frmPorts::ShowAssignment() {
    cboTarget->setEditText(clsPortAssignments::Assignment(m_programFolder, cboEntry->currentIndex() + 1));
    lblOutcome->clear();
}

void frmPorts::cmdAssign_Click() {
    const int portNumber = cboEntry->currentIndex() + 1;
    try {
        clsPortAssignments::Assign(m_programFolder, portNumber, cboTarget->currentText());
    } catch (const clsStationError& error) {
        IPlatform::Current().MessageBox(this, error.Message(), windowTitle(),
                                        IPlatform::Icon::Exclamation);
        return;
    }
    const QString target = clsPortAssignments::Assignment(m_programFolder, portNumber);
    lblOutcome->setText(Text(modKeys::Ports::Assigned)
                            .arg(cboEntry->currentText(),
                                 target.isEmpty() ? QStringLiteral("-") : target));
    emit Assigned(portNumber);
}

QString frmPorts::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}

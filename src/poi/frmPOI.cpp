#include "poi/frmPOI.h"

#include "poi/frmSearch.h"
#include "shell/IPlatform.h"
#include "shell/modPrivate.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QLabel* labelIn(QWidget* parent, const QString& text) {
    return new QLabel(text, parent);
}

} // namespace

frmPOI::frmPOI(const QString& programFolder, clsDBLib& db, QWidget* owner)
    : QDialog(owner), m_programFolder(programFolder),
      m_language(modPrivate::LoadLanguage(programFolder)), m_editor(programFolder, db) {
    setObjectName(QStringLiteral("frmPOI"));
    setWindowTitle(Text(modKeys::Poi::Caption));
    BuildToolbar();
    BuildRecordFrame();
    BuildHouseFrame();
    BuildStatusBar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tbrTool);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(9, 6, 9, 6);
    body->addWidget(FraRec);
    body->addWidget(fraHouse);
    layout->addLayout(body);
    layout->addStretch();
    layout->addWidget(stbTool);
}

frmPOI::~frmPOI() = default;

void frmPOI::BuildToolbar() {
    tbrTool = new QToolBar(this);
    tbrTool->setObjectName(QStringLiteral("tbrTool"));
    tbrTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbrTool->setIconSize(QSize(24, 24));
    // Each button's picture in images/Tool is named after its key.
    const QStringList& keys = clsPoiEditor::Keys();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString picture =
            modPrivate::ProgramPath(m_programFolder, QStringLiteral("images/Tool/%1.png").arg(keys[i]));
        QAction* action =
            tbrTool->addAction(QIcon(picture), Text(modKeys::Poi::Buttons.at(std::size_t(i))));
        action->setData(keys[i]);
        action->setObjectName(keys[i]);
        connect(action, &QAction::triggered, this, [this, action] { tbrTool_ButtonClick(action); });
    }
    // Every button stays on the bar; none goes into an overflow menu.
    tbrTool->setMinimumWidth(tbrTool->sizeHint().width());
}

void frmPOI::BuildRecordFrame() {
    FraRec = new QGroupBox(this);
    FraRec->setObjectName(QStringLiteral("FraRec"));
    txtExplanation = new QLineEdit(FraRec);
    txtExplanation->setObjectName(QStringLiteral("txtExplanation"));
    auto* grid = new QGridLayout(FraRec);
    grid->addWidget(labelIn(FraRec, Text(modKeys::Poi::NameLabel)), 0, 0);
    grid->addWidget(txtExplanation, 0, 1, 1, 7);
    const struct {
        LanguageCode Caption;
        LanguageCode Hint;
    } rows[] = {{modKeys::Poi::LongitudeLabel, modKeys::Poi::LongitudeHint},
                {modKeys::Poi::LatitudeLabel, modKeys::Poi::LatitudeHint}};
    const QString units[] = {QStringLiteral("°"), QStringLiteral("'"), QStringLiteral("\"")};
    for (int row = 0; row < 2; ++row) {
        grid->addWidget(labelIn(FraRec, Text(rows[row].Caption)), row + 1, 0);
        for (int part = 0; part < 3; ++part) {
            QLineEdit*& box = VehicleTxt[row * 3 + part];
            box = new QLineEdit(FraRec);
            box->setObjectName(QStringLiteral("VehicleTxt%1").arg(row * 3 + part + 3));
            box->setMaximumWidth(part == 0 ? 56 : 40);
            grid->addWidget(box, row + 1, 1 + part * 2);
            grid->addWidget(labelIn(FraRec, units[part]), row + 1, 2 + part * 2);
        }
        QLabel* hint = labelIn(FraRec, Text(rows[row].Hint));
        hint->setEnabled(false);
        grid->addWidget(hint, row + 1, 7);
    }
    grid->setColumnStretch(7, 1);
}

void frmPOI::BuildHouseFrame() {
    fraHouse = new QGroupBox(this);
    fraHouse->setObjectName(QStringLiteral("fraHouse"));
    auto* row = new QHBoxLayout(fraHouse);
    auto* group = new QButtonGroup(fraHouse);
    for (int kind = 1; kind <= 5; ++kind) {
        QRadioButton*& option = Option[kind - 1];
        option = new QRadioButton(fraHouse);
        option->setObjectName(QStringLiteral("Option%1").arg(kind));
        group->addButton(option, kind);
        QLabel*& image = Image[kind - 1];
        image = new QLabel(fraHouse);
        image->setObjectName(QStringLiteral("Image%1").arg(kind));
        // The map's own icon of the kind; a missing picture shows nothing.
        image->setPixmap(QPixmap(modPrivate::ProgramPath(
            m_programFolder, QStringLiteral("carimage/House/House%1.gif").arg(kind))));
        row->addWidget(option);
        row->addWidget(image);
        row->addSpacing(12);
    }
    row->addStretch();
}

void frmPOI::BuildStatusBar() {
    stbTool = new QStatusBar(this);
    stbTool->setObjectName(QStringLiteral("stbTool"));
    stbTool->setSizeGripEnabled(false);
    stbPanel1 = new QLabel(stbTool);
    stbPanel1->setObjectName(QStringLiteral("Panel1"));
    stbPanel2 = new QLabel(stbTool);
    stbPanel2->setObjectName(QStringLiteral("Panel2"));
    stbTool->addWidget(stbPanel1, 1);
    stbTool->addWidget(stbPanel2, 2);
}

int frmPOI::exec() {
    if (Report(m_editor.Load())) {
        return Rejected;
    }
    ShowRecord();
    return QDialog::exec();
}

// Escape would close the editor and drop what is being typed; it closes only by "Exit"
// or the close box.
void frmPOI::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
    }
}

void frmPOI::tbrTool_ButtonClick(QAction* button) {
    const QString key = button->data().toString();
    if (key == QLatin1String("Exit")) {
        reject();
        return;
    }
    m_editor.SetFields(ReadFields());
    const clsPoiEditor::Prompts prompts{
        [this](const QString& text, const QString& title) { return ConfirmDelete(text, title); },
        [this] { return ShowSearch(); },
        [this](const QString& html, const QString& title) {
            return IPlatform::Current().PrintDocument(this, html, title);
        }};
    if (Report(m_editor.ButtonClick(key, prompts))) {
        reject();
        return;
    }
    ShowRecord();
}

void frmPOI::ShowRecord() {
    const clsPoiEditor::View view = m_editor.ShowRecord();
    stbPanel1->setText(view.Counter);
    stbPanel2->setText(view.State);
    for (QAction* action : tbrTool->actions()) {
        const QString key = action->data().toString();
        if (!key.isEmpty()) {
            action->setEnabled(view.EnabledKeys.contains(key));
        }
    }
    FraRec->setEnabled(view.FramesEnabled);
    fraHouse->setEnabled(view.FramesEnabled);

    const clsPoiEditor::Fields& shown = view.Shown;
    txtExplanation->setText(shown.Explanation);
    const QString boxes[] = {shown.Longitude.Degrees, shown.Longitude.Minutes,
                             shown.Longitude.Seconds, shown.Latitude.Degrees,
                             shown.Latitude.Minutes,  shown.Latitude.Seconds};
    for (int i = 0; i < 6; ++i) {
        VehicleTxt[i]->setText(boxes[i]);
    }
    // No option stands for a kind outside 1 to 5: the group shows none checked.
    QButtonGroup* group = Option[0]->group();
    group->setExclusive(false);
    for (int kind = 1; kind <= 5; ++kind) {
        Option[kind - 1]->setChecked(kind == shown.Kind);
    }
    group->setExclusive(true);
}

clsPoiEditor::Fields frmPOI::ReadFields() const {
    clsPoiEditor::Fields fields;
    fields.Explanation = txtExplanation->text();
    fields.Longitude = {VehicleTxt[0]->text(), VehicleTxt[1]->text(), VehicleTxt[2]->text()};
    fields.Latitude = {VehicleTxt[3]->text(), VehicleTxt[4]->text(), VehicleTxt[5]->text()};
    fields.Kind = std::max(0, Option[0]->group()->checkedId());
    return fields;
}

bool frmPOI::Report(const std::optional<clsPoiEditor::Notice>& notice) {
    if (!notice) {
        return false;
    }
    IPlatform::Current().MessageBox(this, notice->Text, notice->Title,
                                    notice->Critical ? IPlatform::Icon::Critical
                                                     : IPlatform::Icon::Exclamation);
    return notice->CloseEditor;
}

bool frmPOI::ConfirmDelete(const QString& text, const QString& title) {
    return IPlatform::Current().MessageBox(this, text, title, IPlatform::Icon::Question) ==
           IPlatform::Answer::Yes;
}

std::optional<QString> frmPOI::ShowSearch() {
    frmSearch dialog(m_programFolder, this);
    dialog.exec();
    return dialog.SearchText();
}

QString frmPOI::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_language, code);
}

#include "shell/modPrivateWidgets.h"

#include <QLineEdit>

namespace modPrivate {

void SelectAllText(QLineEdit* box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}

} // namespace modPrivate

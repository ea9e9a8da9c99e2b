#pragma once

class QLineEdit;

// The shared procedures of modPrivate that work on controls; they live with the windows
// because the core library has no widgets.
namespace modPrivate {

// Selects the whole text of the box: selection start 0, length the text's length.
void SelectAllText(QLineEdit* box);

} // namespace modPrivate

// What the operation dialogs share: how a numbered control is named, the
// digits-only edits, the percent text of the level sliders and the dialog
// buttons, which take their texts from the language file.
#pragma once

#include <QDialogButtonBox>
#include <QString>

class QBoxLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace app {

/** Language key of every dialog's caption. */
inline constexpr const char* kCaptionKey = "00000000";
/** Numbers of the OK and Cancel buttons where a dialog does not number them. */
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

/** Names a numbered control "id<number>", the name tests and helpers find it by. */
void SetControlId(QWidget* control, int id);

/** Lets edit take only the digits 0 to 9, at most maxDigits of them. */
void AcceptDigitsOnly(QLineEdit* edit, int maxDigits);

/** A slider position p of a 1/10 scale as a percentage: "%d%s" with p * 100 / 10
 *  and "%", so 5 shows "50%". */
QString PercentText(int position);

/** Adds a push button of the given role, number and text to box. */
QPushButton* AddDialogButton(QDialogButtonBox* box, QDialogButtonBox::ButtonRole role, int id,
                             const QString& text);

/** Puts the dialog's button row at the bottom of layout, a little apart from
 *  the controls above it. */
void AddButtonRow(QBoxLayout* layout, QWidget* buttons);
void AddButtonRow(QBoxLayout* layout, QLayout* buttons);

/** The usual OK (number 1) and Cancel (number 2) buttons, texts from section
 *  under okKey and cancelKey; OK accepts and Cancel rejects dialog unless
 *  the dialog connects them otherwise. */
QDialogButtonBox* OkCancelButtons(QDialog* dialog, const char* section, const char* okKey,
                                  const char* cancelKey);

/** A word-wrapped label, hidden until ShowProblem, that tells in the dialog
 *  why what was entered cannot be taken; named name. */
QLabel* MakeProblemLabel(const QString& name);
/** Shows text in a label made by MakeProblemLabel. */
void ShowProblem(QLabel* label, const QString& text);

/** A menu caption as a dialog title: without its "&" mnemonic and without
 *  the "…" (or "...") that tells in a menu that a dialog follows. */
QString DialogTitle(const QString& caption);

} // namespace app

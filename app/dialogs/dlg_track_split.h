// Split: how many files to cut the current track into, and where to put them.
#pragma once

#include <QDialog>

class CUpDown;
class QLabel;
class QLineEdit;

/**
 * Opening sets app::Values().splitCount to 2. Edit 1022 (digits only) holds
 * the number of files; the arrows 1023 step it within 1 to 100, and a
 * non-zero number typed moves them to it. Browse 1025 asks for a folder,
 * shows it in edit 1024 and makes it app::Values().splitFolder (a cancelled
 * browser empties both); a folder typed into edit 1024 becomes it as well.
 * The folder of an earlier split is kept, although edit 1024 opens empty.
 * Split 1026 without a folder warns "Please set the output path!" and stays
 * open; a folder that is missing, not a folder or not writable is refused
 * with the reason in "folderProblem" below the edit. Otherwise the number
 * is taken as typed (0 and more than 100 included) and the dialog accepts.
 * Cancel 1019 rejects.
 */
class CDlgTrackSplit : public QDialog {
    Q_OBJECT
public:
    explicit CDlgTrackSplit(QWidget* parent = nullptr);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnBrowse();

    QLineEdit* m_count;
    CUpDown* m_upDown;
    QLineEdit* m_folder;
    QLabel* m_problem;
};

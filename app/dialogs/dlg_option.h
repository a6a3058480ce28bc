// Options: the folder the editor keeps its session files in (Config.ini
// [Option] "TmpPath", used from the next project on).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

/**
 * Edit 1039 shows the stored temporary path; Browse 1025 replaces it with a
 * folder chosen in the folder browser (a cancelled browser empties it).
 * Below it, "folderInUse" names the folder in force (the default one when
 * none is stored or the stored one cannot be used) and "whenApplied" says
 * that a change applies from the next project. OK refuses an empty path
 * ("The temporary path is empty!"), a path too long to be read back whole,
 * and a failed write, each with an error box, and a folder that is missing,
 * not a folder or not writable with the reason in "folderProblem"; it then
 * stays open. Otherwise it writes the path to Config.ini and accepts.
 */
class CDlgOption : public QDialog {
    Q_OBJECT
public:
    explicit CDlgOption(QWidget* parent = nullptr);

    void accept() override;

private:
    void OnBrowse();

    QLineEdit* m_path;
    QLabel* m_problem;
};

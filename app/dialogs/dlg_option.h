// Options: the folder the editor keeps its session files in (Config.ini
// [Option] "TmpPath", read by the next editor session).
#pragma once

#include <QDialog>

class QLineEdit;

/**
 * Edit 1039 shows the stored temporary path; Browse 1025 replaces it with a
 * folder chosen in the folder browser (a cancelled browser empties it). OK
 * refuses an empty path ("The temporary path is empty!"), a path too long to
 * be read back whole, and a failed write, each with an error box, and stays
 * open; otherwise it writes the path to Config.ini and accepts.
 */
class CDlgOption : public QDialog {
    Q_OBJECT
public:
    explicit CDlgOption(QWidget* parent = nullptr);

    void accept() override;

private:
    void OnBrowse();

    QLineEdit* m_path;
};

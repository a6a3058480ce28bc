// The Tag command: edits the six descriptive texts of a track's tag record.
#pragma once

#include "vorlain/records.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

/**
 * Works on copies of the track's tag record and base information. Opening
 * and Default (1062) fill edits 1053 Title, 1054 Artist, 1055 Album,
 * 1056 Year, 1057 Genre and 1060 Comment from the tag copy, and static 1063
 * with the track's name. The year takes digits only, at most four: while
 * edit 1056 holds anything else, "yearProblem" beside it says so, and OK
 * is refused with the year selected. Otherwise OK writes the six texts into the copy as UTF-8,
 * each cut on a character boundary to its field's width less the
 * terminator and padded with zeros (the reserved field is carried along
 * unchanged), makes it app::Values().tag and accepts. Cancel changes
 * nothing.
 */
class CDlgTAG : public QDialog {
    Q_OBJECT
public:
    CDlgTAG(const TagInfo& tag, const TrackBaseInfo& track, QWidget* parent = nullptr);

    /** The record to hand to Kestrum_SetTrackTagInfo after OK: the tag copy
     *  given at construction with the edited texts. */
    TagInfo Result() const { return m_result; }

    void accept() override;

private:
    void FillFromCopies();
    /** Shows or hides the year's problem; true when the year can be taken. */
    bool CheckYear();

    TagInfo m_tag;
    TrackBaseInfo m_track;
    TagInfo m_result;
    QLineEdit* m_title;
    QLineEdit* m_artist;
    QLineEdit* m_album;
    QLineEdit* m_year;
    QLineEdit* m_genre;
    QPlainTextEdit* m_comment;
    QLabel* m_trackName;
    QLabel* m_yearProblem;
};

// Export options: the choices of one format before an export (bits, FLAC
// level, MP3 bitrate or VBR quality, AAC and Opus bitrate, Vorbis quality,
// the output rate), opened with the choices last made for that format and
// kept in Config.ini [Export] when accepted.
#pragma once

#include <QDialog>

#include <cstdint>

class QComboBox;
class QSpinBox;

class CDlgExportOptions : public QDialog {
    Q_OBJECT
public:
    /** format: the destination's lower-case extension ("wav", "flac", "mp3",
     *  "m4a", "ogg", "opus"); trackRate: the track's own rate. */
    CDlgExportOptions(const QString& format, uint32_t trackRate, QWidget* parent = nullptr);

    /** The choices as Kestrum_SetExportOptions takes them ("bits=24;level=8"). */
    QString Options() const;
    /** Whether the format has choices to make. */
    static bool HasChoices(const QString& format);

    void accept() override;

private:
    QString m_format;
    QComboBox* m_bits = nullptr;
    QSpinBox* m_level = nullptr;
    QComboBox* m_mode = nullptr;
    QComboBox* m_bitrate = nullptr;
    QSpinBox* m_vbr = nullptr;
    QSpinBox* m_quality = nullptr;
    QComboBox* m_rate = nullptr;
};

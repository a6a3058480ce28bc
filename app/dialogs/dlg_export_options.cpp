#include "dialogs/dlg_export_options.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dialog_support.h"

#include <QComboBox>
#include <QFormLayout>
#include <QMap>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr const char* kSection = "pl10";

// The last choices of a format, as "key=value;..." pairs.
QMap<QString, int> Remembered(const QString& format)
{
    QMap<QString, int> values;
    for (const QString& item : app::ExportChoices(format).split(';', Qt::SkipEmptyParts)) {
        const QStringList pair = item.split('=');
        bool ok = false;
        const int v = pair.size() == 2 ? pair[1].toInt(&ok) : 0;
        if (ok)
            values.insert(pair[0], v);
    }
    return values;
}

QComboBox* Choices(const char* name, const QList<QPair<QString, int>>& items, int current)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (const auto& [text, value] : items)
        box->addItem(text, value);
    const int at = box->findData(current);
    box->setCurrentIndex(at >= 0 ? at : 0);
    return box;
}

QSpinBox* Number(const char* name, int low, int high, int current)
{
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setValue(current);
    return spin;
}

QList<QPair<QString, int>> Bitrates(const QList<int>& rates)
{
    QList<QPair<QString, int>> items;
    for (int r : rates)
        items.append({app::LanguageText(kSection, "00000008").arg(r), r});
    return items;
}

} // namespace

bool CDlgExportOptions::HasChoices(const QString& format)
{
    static const QStringList formats{"wav", "flac", "mp3", "m4a", "ogg", "opus"};
    return formats.contains(format);
}

CDlgExportOptions::CDlgExportOptions(const QString& format, uint32_t trackRate, QWidget* parent)
    : QDialog(parent), m_format(format)
{
    setObjectName(QStringLiteral("CDlgExportOptions"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey).arg(format.toUpper()));
    const QMap<QString, int> last = Remembered(format);
    auto* form = new QFormLayout;
    auto label = [](const char* key) { return app::LanguageText(kSection, key); };

    if (format == "wav" || format == "flac") {
        m_bits = Choices("bits", {{label("00000002"), 16}, {label("00000003"), 24}},
                         last.value("bits", 16));
        form->addRow(label("00000001"), m_bits);
    }
    if (format == "flac") {
        m_level = Number("level", 0, 8, last.value("level", 5));
        form->addRow(label("00000004"), m_level);
    }
    if (format == "mp3") {
        m_mode = Choices("mode", {{label("00000006"), 0}, {label("00000007"), 1}},
                         last.contains("vbr") ? 1 : 0);
        form->addRow(label("00000005"), m_mode);
    }
    if (format == "mp3" || format == "m4a") {
        m_bitrate = Choices("bitrate", Bitrates({96, 128, 160, 192, 224, 256, 320}),
                            last.value("bitrate", 128));
        form->addRow(label("00000009"), m_bitrate);
    }
    if (format == "opus") {
        m_bitrate = Choices("bitrate", Bitrates({32, 48, 64, 96, 128, 160, 192, 256}),
                            last.value("bitrate", 96));
        form->addRow(label("00000009"), m_bitrate);
    }
    if (format == "mp3") {
        m_vbr = Number("vbr", 0, 9, last.value("vbr", 2));
        form->addRow(label("0000000A"), m_vbr);
        auto follow = [this] {
            const bool vbr = m_mode->currentData().toInt() == 1;
            m_bitrate->setEnabled(!vbr);
            m_vbr->setEnabled(vbr);
        };
        connect(m_mode, &QComboBox::currentIndexChanged, this, follow);
        follow();
    }
    if (format == "ogg") {
        m_quality = Number("quality", -1, 10, last.value("quality", 5));
        form->addRow(label("0000000B"), m_quality);
    }
    if (format != "opus") { // Opus is always 48 kHz inside
        QList<QPair<QString, int>> rates{{label("0000000D").arg(trackRate), 0}};
        for (int r : {22050, 32000, 44100, 48000, 88200, 96000})
            rates.append({label("0000000E").arg(r), r});
        m_rate = Choices("rate", rates, last.value("rate", 0));
        form->addRow(label("0000000C"), m_rate);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "0000000F", "00000010"));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CDlgExportOptions::Options() const
{
    QStringList items;
    if (m_bits)
        items << QStringLiteral("bits=%1").arg(m_bits->currentData().toInt());
    if (m_level)
        items << QStringLiteral("level=%1").arg(m_level->value());
    const bool vbr = m_mode && m_mode->currentData().toInt() == 1;
    if (vbr)
        items << QStringLiteral("vbr=%1").arg(m_vbr->value());
    else if (m_bitrate)
        items << QStringLiteral("bitrate=%1").arg(m_bitrate->currentData().toInt());
    if (m_quality)
        items << QStringLiteral("quality=%1").arg(m_quality->value());
    if (m_rate)
        items << QStringLiteral("rate=%1").arg(m_rate->currentData().toInt());
    return items.join(';');
}

void CDlgExportOptions::accept()
{
    app::RememberExportChoices(m_format, Options());
    QDialog::accept();
}

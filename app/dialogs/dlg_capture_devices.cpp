#include "dialogs/dlg_capture_devices.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "main/prompts.h"

#include "vorlain/capturo.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace {
constexpr const char* kSection = "pl08";
// Device names are at most 255 bytes; the library refuses to cut one.
constexpr int kNameBytes = 1024;

QString SelectedDevice(int option)
{
    std::vector<char> name(kNameBytes, '\0');
    if (!crxGetSelectedDevice(option, name.data(), kNameBytes))
        return {};
    return QString::fromUtf8(name.data());
}

QComboBox* DeviceList(int option)
{
    auto* list = new QComboBox;
    list->setObjectName(option == CRX_OPTION_MICROPHONE ? QStringLiteral("microphoneDevices")
                                                        : QStringLiteral("computerSoundDevices"));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    list->setMinimumContentsLength(28);
    const int count = crxGetDeviceCount(option);
    std::vector<char> name(kNameBytes, '\0');
    for (int i = 0; i < count; ++i)
        if (crxGetDeviceName(option, i, name.data(), kNameBytes))
            list->addItem(QString::fromUtf8(name.data()));
    const QString selected = SelectedDevice(option);
    const int at = list->findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0)
        list->setCurrentIndex(at);
    else
        list->setEditText(selected);
    return list;
}

} // namespace

CDlgCaptureDevices::CDlgCaptureDevices(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgCaptureDevices"));
    setWindowTitle(app::LanguageText(kSection, "00000008"));

    auto* hint = new QLabel(app::LanguageText(kSection, "0000000E"));
    hint->setObjectName(QStringLiteral("devicesHint"));
    hint->setWordWrap(true);
    m_microphone = DeviceList(CRX_OPTION_MICROPHONE);
    m_computerSound = DeviceList(CRX_OPTION_COMPUTER_SOUND);

    auto* microphoneLabel = new QLabel(app::LanguageText(kSection, "00000009"));
    microphoneLabel->setObjectName(QStringLiteral("microphoneLabel"));
    microphoneLabel->setBuddy(m_microphone);
    auto* computerSoundLabel = new QLabel(app::LanguageText(kSection, "0000000A"));
    computerSoundLabel->setObjectName(QStringLiteral("computerSoundLabel"));
    computerSoundLabel->setBuddy(m_computerSound);

    auto* form = new QFormLayout;
    form->addRow(microphoneLabel, m_microphone);
    form->addRow(computerSoundLabel, m_computerSound);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "0000000B", "0000000C"));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgCaptureDevices::accept()
{
    for (auto [option, list] : {std::pair{CRX_OPTION_MICROPHONE, m_microphone},
                                std::pair{CRX_OPTION_COMPUTER_SOUND, m_computerSound}}) {
        const QString name = list->currentText();
        if (name == SelectedDevice(option))
            continue;
        if (!crxSelectDevice(option, name.toUtf8().constData())) {
            app::ShowMessage(this, QString(), app::LanguageText(kSection, "0000000D"),
                             QMessageBox::Critical);
            list->setFocus();
            return;
        }
    }
    QDialog::accept();
}

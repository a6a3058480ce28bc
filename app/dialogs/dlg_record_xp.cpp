#include "dialogs/dlg_record_xp.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dlg_capture_devices.h"
#include "main/prompts.h"

#include "vorlain/capturo.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr const char* kSection = "pl08";

// The library's option each button chooses: 1084 input 1 (the microphone),
// 1085 input 2 (what the computer plays), as the capture library numbers
// them; the language file labels the buttons so.
constexpr int kBoth = 3;
constexpr int kButton1084Option = 1;
constexpr int kButton1085Option = 2;
// The rates a recording can be made at.
constexpr int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 192000};
constexpr int kDefaultRate = 44100;
} // namespace

CDlgRecordXp::CDlgRecordXp(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgRecordXp"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* group = new QGroupBox(app::LanguageText(kSection, "00000001"));
    app::SetControlId(group, 1077);
    m_both = new QRadioButton(app::LanguageText(kSection, "00000002"));
    app::SetControlId(m_both, 1083);
    m_option1 = new QRadioButton(app::LanguageText(kSection, "00000003"));
    app::SetControlId(m_option1, 1084);
    m_option2 = new QRadioButton(app::LanguageText(kSection, "00000004"));
    app::SetControlId(m_option2, 1085);
    // One group so that showing "none" can uncheck all three.
    auto* buttons = new QButtonGroup(this);
    for (QRadioButton* button : {m_both, m_option1, m_option2})
        buttons->addButton(button);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_both);
    groupLayout->addWidget(m_option1);
    groupLayout->addWidget(m_option2);

    // The device list sits apart from OK and Cancel, which close the dialog.
    auto* devices = new QPushButton(app::LanguageText(kSection, "00000007"));
    app::SetControlId(devices, 1086);
    devices->setAutoDefault(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(devices);
    buttonRow->addSpacing(devices->fontMetrics().averageCharWidth() * 4);
    buttonRow->addStretch(1);
    buttonRow->addWidget(app::OkCancelButtons(this, kSection, "00000005", "00000006"));

    // The rate: the one kept before, or the device's own, marked as such.
    auto* rateLabel = new QLabel(app::LanguageText(kSection, "00000011"));
    m_rate = new QComboBox;
    m_rate->setObjectName(QStringLiteral("recordRate"));
    app::SetControlId(m_rate, 1087);
    rateLabel->setBuddy(m_rate);
    const int deviceRate = crxGetDeviceRate();
    for (int rate : kRates)
        m_rate->addItem(
            app::LanguageText(kSection, rate == deviceRate ? "00000013" : "00000012").arg(rate),
            rate);
    if (deviceRate > 0 && m_rate->findData(deviceRate) < 0)
        m_rate->addItem(app::LanguageText(kSection, "00000013").arg(deviceRate), deviceRate);
    m_rate->setCurrentIndex(std::max(m_rate->findData(RateInForce()), 0));
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(rateLabel);
    rateRow->addWidget(m_rate, 1);

    m_problem = app::MakeProblemLabel(QStringLiteral("recordProblem"));
    // As wide as the choices, so that the reason wraps below them.
    m_problem->setMaximumWidth(std::max(group->sizeHint().width(), buttonRow->sizeHint().width()));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(rateRow);
    layout->addWidget(m_problem);
    app::AddButtonRow(layout, buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_both, &QRadioButton::clicked, this, [this] { OnOption(kBoth); });
    connect(m_option1, &QRadioButton::clicked, this, [this] { OnOption(kButton1084Option); });
    connect(m_option2, &QRadioButton::clicked, this, [this] { OnOption(kButton1085Option); });
    connect(devices, &QPushButton::clicked, this, &CDlgRecordXp::OnDevices);

    // Without a settings file no choice could outlive this dialog: the
    // recorder loads the same file before every recording.
    m_settingsLoaded = crxInitSetting(app::CapturoIniPath().toUtf8().constData()) != 0;
    if (m_settingsLoaded && crxGetOption() == CRX_OPTION_NONE) {
        if (!crxSetOption(kBoth) && !crxSetOption(1))
            crxSetOption(2);
    }
    m_openingOption = m_settingsLoaded ? crxGetOption() : CRX_OPTION_NONE;
    devices->setEnabled(m_settingsLoaded);
    ShowOption(m_openingOption);
}

void CDlgRecordXp::ShowOption(int option)
{
    QRadioButton* checked = option == kBoth               ? m_both
                            : option == kButton1084Option ? m_option1
                            : option == kButton1085Option ? m_option2
                                                          : nullptr;
    for (QRadioButton* button : {m_both, m_option1, m_option2})
        button->setEnabled(checked != nullptr);
    if (!m_settingsLoaded)
        app::ShowProblem(m_problem, app::LanguageText(kSection, "00000010"));
    else if (!checked)
        app::ShowProblem(m_problem, app::LanguageText(kSection, "0000000F"));
    else
        m_problem->hide();
    if (checked) {
        checked->setChecked(true);
    } else {
        auto* group = m_both->group();
        group->setExclusive(false);
        for (QRadioButton* button : {m_both, m_option1, m_option2})
            button->setChecked(false);
        group->setExclusive(true);
    }
}

void CDlgRecordXp::OnOption(int option)
{
    // A refused choice (its device does not open) leaves the one in force.
    if (crxSetOption(option) && !crxSaveSetting())
        app::ShowMessage(this, QString(), app::LanguageText(kSection, "0000000D"),
                         QMessageBox::Critical);
    ShowOption(crxGetOption());
}

void CDlgRecordXp::OnDevices()
{
    CDlgCaptureDevices dialog(this);
    dialog.exec();
}

int CDlgRecordXp::RateInForce()
{
    if (const int kept = app::RecordRate())
        return kept;
    const int device = crxGetDeviceRate();
    return device >= 8000 && device <= 192000 ? device : kDefaultRate;
}

void CDlgRecordXp::accept()
{
    const int rate = m_rate->currentData().toInt();
    if (rate != RateInForce() && !app::RememberRecordRate(rate))
        app::ShowMessage(this, QString(), app::LanguageText(kSection, "0000000D"),
                         QMessageBox::Critical);
    QDialog::accept();
}

void CDlgRecordXp::reject()
{
    if (m_settingsLoaded && m_openingOption > 0) {
        crxSetOption(m_openingOption);
        crxSaveSetting();
    }
    QDialog::reject();
}

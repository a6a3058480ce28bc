#include "dialogs/dlg_plugin_params.h"

#include "config/language.h"
#include "config/plugin_presets.h"
#include "dialogs/dialog_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr const char* kSection = "pl16";
constexpr int kSteps = 1000; // slider positions of a continuous control
} // namespace

// One control and the widgets that show it.
struct CDlgPluginParams::Row {
    app::PluginControl control;
    QCheckBox* toggle = nullptr;
    QComboBox* choices = nullptr;
    QSlider* slider = nullptr;
    QDoubleSpinBox* spin = nullptr;

    bool logScale() const { return control.logarithmic && control.minimum > 0; }

    double value() const
    {
        if (toggle)
            return toggle->isChecked() ? control.maximum : control.minimum;
        if (choices)
            return choices->currentData().toDouble();
        return spin->value();
    }

    int position(double v) const
    {
        const double lo = control.minimum, hi = control.maximum;
        if (control.integer && hi - lo <= kSteps)
            return static_cast<int>(std::lround(v));
        if (hi <= lo)
            return 0;
        const double t = logScale() ? std::log(v / lo) / std::log(hi / lo) : (v - lo) / (hi - lo);
        return static_cast<int>(std::lround(std::clamp(t, 0.0, 1.0) * kSteps));
    }

    double valueAt(int p) const
    {
        const double lo = control.minimum, hi = control.maximum;
        if (control.integer && hi - lo <= kSteps)
            return p;
        const double t = static_cast<double>(p) / kSteps;
        const double v = logScale() ? lo * std::pow(hi / lo, t) : lo + t * (hi - lo);
        return control.integer ? std::round(v) : v;
    }

    void setValue(double v)
    {
        v = std::clamp(v, control.minimum, control.maximum);
        if (toggle) {
            toggle->setChecked(v > (control.minimum + control.maximum) / 2);
        } else if (choices) {
            int best = 0;
            for (int i = 1; i < choices->count(); ++i)
                if (std::fabs(choices->itemData(i).toDouble() - v) <
                    std::fabs(choices->itemData(best).toDouble() - v))
                    best = i;
            choices->setCurrentIndex(best);
        } else {
            spin->setValue(v);
        }
    }
};

CDlgPluginParams::CDlgPluginParams(const QString& uri, const QString& name,
                                   const QList<app::PluginControl>& controls,
                                   const QList<QPair<QString, QString>>& presets,
                                   PluginPreviewHooks hooks, QWidget* parent)
    : QDialog(parent), m_uri(uri), m_presets(presets), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("CDlgPluginParams"));
    setWindowTitle(name);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const app::PluginControl& c : controls) {
        auto* row = new Row{c};
        const QString objectName = QStringLiteral("control_") + c.symbol;
        QWidget* field = nullptr;
        if (c.toggled) {
            row->toggle = new QCheckBox;
            row->toggle->setObjectName(objectName);
            connect(row->toggle, &QCheckBox::toggled, this, &CDlgPluginParams::controlChanged);
            field = row->toggle;
        } else if (c.enumeration && !c.scalePoints.isEmpty()) {
            row->choices = new QComboBox;
            row->choices->setObjectName(objectName);
            for (const auto& [value, label] : c.scalePoints)
                row->choices->addItem(label, value);
            connect(row->choices, &QComboBox::currentIndexChanged, this,
                    &CDlgPluginParams::controlChanged);
            field = row->choices;
        } else {
            row->slider = new QSlider(Qt::Horizontal);
            row->slider->setObjectName(objectName);
            const bool steps = c.integer && c.maximum - c.minimum <= kSteps;
            row->slider->setRange(steps ? static_cast<int>(c.minimum) : 0,
                                  steps ? static_cast<int>(c.maximum) : kSteps);
            row->slider->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
            row->spin = new QDoubleSpinBox;
            row->spin->setObjectName(objectName + QStringLiteral("_value"));
            row->spin->setRange(c.minimum, c.maximum);
            const double span = c.maximum - c.minimum;
            // Enough digits for a typed value such as 6.02 dB on a port of -90 to 24.
            row->spin->setDecimals(c.integer ? 0 : span >= 100 ? 2 : span >= 1 ? 3 : 4);
            row->spin->setSingleStep(c.integer ? 1 : span / 100);
            row->spin->setKeyboardTracking(false);
            connect(row->slider, &QSlider::valueChanged, this, [this, row](int p) {
                if (m_setting)
                    return;
                const QSignalBlocker block(row->spin);
                row->spin->setValue(row->valueAt(p));
                controlChanged();
            });
            connect(row->spin, &QDoubleSpinBox::valueChanged, this, [this, row](double v) {
                const QSignalBlocker block(row->slider);
                row->slider->setValue(row->position(v));
                if (!m_setting)
                    controlChanged();
            });
            auto* box = new QWidget;
            auto* h = new QHBoxLayout(box);
            h->setContentsMargins(0, 0, 0, 0);
            h->addWidget(row->slider, 1);
            h->addWidget(row->spin);
            field = box;
        }
        row->setValue(c.defaultValue);
        if (row->slider) {
            // The slider shows the default as near as its steps go; the value
            // stays the default itself.
            const QSignalBlocker block(row->slider);
            row->slider->setValue(row->position(c.defaultValue));
        }
        auto* label = new QLabel(c.name + QLatin1Char(':'));
        label->setToolTip(c.symbol);
        form->addRow(label, field);
        m_rows.append(row);
    }
    if (controls.isEmpty())
        form->addRow(new QLabel(app::LanguageText(kSection, "0000000C")));

    // Many controls scroll inside the dialog rather than grow it past the screen.
    auto* formWidget = new QWidget;
    formWidget->setLayout(form);
    auto* scroll = new QScrollArea;
    scroll->setWidget(formWidget);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumHeight(
        std::min(formWidget->sizeHint().height() + 4, fontMetrics().height() * 24));
    scroll->setMinimumWidth(formWidget->sizeHint().width() + 24);

    auto* presetLabel = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(presetLabel, 1600);
    m_presetBox = new QComboBox;
    app::SetControlId(m_presetBox, 1601);
    presetLabel->setBuddy(m_presetBox);
    auto* save = new QPushButton(app::LanguageText(kSection, "00000003"));
    app::SetControlId(save, 1602);
    fillPresets();
    connect(m_presetBox, &QComboBox::activated, this, &CDlgPluginParams::choosePreset);
    connect(save, &QPushButton::clicked, this, &CDlgPluginParams::savePreset);
    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(presetLabel);
    presetRow->addWidget(m_presetBox, 1);
    presetRow->addWidget(save);

    auto* buttons = app::OkCancelButtons(this, kSection, "00000006", "00000007");
    m_preview = app::AddDialogButton(buttons, QDialogButtonBox::ActionRole, 1603,
                                     app::LanguageText(kSection, "00000004"));
    m_preview->setEnabled(static_cast<bool>(m_hooks.start));
    connect(m_preview, &QPushButton::clicked, this, &CDlgPluginParams::togglePreview);

    m_watch = new QTimer(this);
    m_watch->setInterval(200);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (m_previewing && m_hooks.playing && !m_hooks.playing())
            stopPreview();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(presetRow);
    layout->addWidget(scroll, 1);
    app::AddButtonRow(layout, buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CDlgPluginParams::~CDlgPluginParams()
{
    stopPreview();
    qDeleteAll(m_rows);
}

void CDlgPluginParams::done(int result)
{
    // Apply runs over the track: the preview ends first, as it does on Cancel.
    stopPreview();
    QDialog::done(result);
}

QString CDlgPluginParams::Controls() const
{
    QStringList parts;
    for (const Row* row : m_rows)
        parts.append(row->control.symbol + QLatin1Char('=') +
                     QString::number(row->value(), 'g', 9));
    return parts.join(QLatin1Char(';'));
}

void CDlgPluginParams::SetControls(const QString& controls)
{
    m_setting = true;
    for (const auto& [symbol, value] : app::ParseControlValues(controls))
        for (Row* row : m_rows)
            if (row->control.symbol == symbol)
                row->setValue(value);
    m_setting = false;
    controlChanged();
}

void CDlgPluginParams::controlChanged()
{
    if (m_setting)
        return;
    if (m_previewing && m_hooks.change)
        m_hooks.change(Controls());
}

void CDlgPluginParams::togglePreview()
{
    if (m_previewing) {
        stopPreview();
        return;
    }
    if (!m_hooks.start || !m_hooks.start(Controls()))
        return;
    m_previewing = true;
    m_preview->setText(app::LanguageText(kSection, "00000005"));
    m_watch->start();
}

void CDlgPluginParams::stopPreview()
{
    if (!m_previewing)
        return;
    m_previewing = false;
    m_watch->stop();
    if (m_hooks.stop)
        m_hooks.stop();
    m_preview->setText(app::LanguageText(kSection, "00000004"));
}

void CDlgPluginParams::fillPresets()
{
    m_presetBox->clear();
    m_presetBox->addItem(app::LanguageText(kSection, "00000002"), QString());
    for (const auto& [name, controls] : m_presets)
        m_presetBox->addItem(name, controls);
    const auto own = app::UserPresets(m_uri);
    if (!own.isEmpty())
        m_presetBox->insertSeparator(m_presetBox->count());
    for (const auto& [name, controls] : own)
        m_presetBox->addItem(app::LanguageText(kSection, "0000000B").arg(name), controls);
}

void CDlgPluginParams::choosePreset(int index)
{
    if (index == 0) {
        QStringList defaults;
        for (const Row* row : m_rows)
            defaults.append(row->control.symbol + QLatin1Char('=') +
                            QString::number(row->control.defaultValue, 'g', 9));
        SetControls(defaults.join(QLatin1Char(';')));
        return;
    }
    SetControls(m_presetBox->itemData(index).toString());
}

void CDlgPluginParams::savePreset()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, app::LanguageText(kSection, "00000008"),
                                               app::LanguageText(kSection, "00000009"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    app::SaveUserPreset(m_uri, name, Controls());
    fillPresets();
    m_presetBox->setCurrentIndex(
        m_presetBox->findText(app::LanguageText(kSection, "0000000B").arg(name)));
}

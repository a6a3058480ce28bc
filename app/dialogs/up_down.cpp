#include "dialogs/up_down.h"

#include <QEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton* Arrow(Qt::ArrowType type)
{
    auto* button = new QToolButton;
    button->setArrowType(type);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

CUpDown::CUpDown(QWidget* parent) : QWidget(parent)
{
    m_up = Arrow(Qt::UpArrow);
    m_up->setObjectName(QStringLiteral("up"));
    m_down = Arrow(Qt::DownArrow);
    m_down->setObjectName(QStringLiteral("down"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void CUpDown::SetRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    SetValue(m_value);
}

void CUpDown::SetValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
}

void CUpDown::StepBy(int steps)
{
    SetValue(static_cast<int>(
        std::clamp<long long>(static_cast<long long>(m_value) + steps, m_minimum, m_maximum)));
    emit Stepped(m_value);
}

QSize CUpDown::sizeHint() const
{
    // As wide as a scroll bar; as tall as the row it sits in allows.
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2;
    return {std::max(width, fontMetrics().height()), fontMetrics().height()};
}

QSize CUpDown::minimumSizeHint() const
{
    return sizeHint();
}

void CUpDown::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

// widget_contact_sheet PATH.png: draws every toolbar icon in its three
// looks, the window icon at all its sizes, real Fusion toolbars holding the
// icons, and the program's widgets, onto one picture to inspect by eye.
// Run it on a real display (xvfb-run -a) so the toolbars are real windows.
#include "widgets/exit_button_art.h"
#include "widgets/hot_btn.h"
#include "widgets/label_ex.h"
#include "widgets/mini_timer.h"
#include "widgets/static360.h"
#include "widgets/tool_icons.h"
#include "widgets/transparent_static.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QEnterEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QToolBar>

#include <cstdio>

namespace {

const int kMain[] = {32793, 32816, 0, 36896, 36897, 36898, 0, 36912, 36913, 0, 36944, 36945};
const int kPlay[] = {36880, 36881, 36882, 36883, 36884};
const int kRecord[] = {36928, 36929, 36930};

template <size_t N> QToolBar* Toolbar(const int (&ids)[N], bool enabled)
{
    auto* bar = new QToolBar;
    bar->setIconSize(QSize(32, 32));
    for (int id : ids) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* action = bar->addAction(app::ToolIcon(id), QString::number(id));
        action->setEnabled(enabled);
    }
    return bar;
}

QImage Section(QWidget& window)
{
    window.show();
    QApplication::processEvents();
    return window.grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc < 2) {
        std::fprintf(stderr, "usage: widget_contact_sheet OUT.png\n");
        return 2;
    }

    // Real toolbars, enabled and disabled.
    QWidget bars;
    auto* barRows = new QVBoxLayout(&bars);
    for (bool enabled : {true, false}) {
        auto* row = new QHBoxLayout;
        row->addWidget(Toolbar(kMain, enabled));
        row->addWidget(Toolbar(kPlay, enabled));
        row->addWidget(Toolbar(kRecord, enabled));
        row->addStretch();
        barRows->addLayout(row);
    }
    const QImage toolbars = Section(bars);

    // The widgets of the main window's bottom strip and the About dialog.
    QWidget strip;
    strip.setAutoFillBackground(true);
    QPalette white = strip.palette();
    white.setColor(QPalette::Window, Qt::white);
    strip.setPalette(white);
    auto* stripRows = new QVBoxLayout(&strip);
    auto* timers = new QHBoxLayout;
    auto* start = new app::CMiniTimer;
    auto* end = new app::CMiniTimer;
    start->SetValue(3723456789LL);
    end->SetValue(59999000LL);
    timers->addWidget(start);
    timers->addWidget(end);
    QFont big = strip.font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    auto* large = new app::CMiniTimer;
    large->setFont(big);
    large->SetValue(754321000LL);
    timers->addWidget(large);
    timers->addStretch();
    stripRows->addLayout(timers);

    auto* buttons = new QHBoxLayout;
    const app::HotBtnBitmaps art = app::MakeExitButtonBitmaps(QSize(90, 25), 1.0);
    app::CHotBtn* exits[4];
    for (auto*& exit : exits) {
        exit = new app::CHotBtn;
        exit->setText(QStringLiteral("Exit"));
        exit->SetBitmaps(art.normal, art.pressed, art.hover, art.disabled);
        exit->setFixedSize(90, 25);
        buttons->addWidget(exit);
    }
    exits[1]->setDown(true);
    exits[3]->setEnabled(false);
    auto* link = new app::CLabelEx(QStringLiteral("www.example.org"));
    auto* about = new app::CStatic360(QStringLiteral("Vorlain 0.1"));
    about->SetBold(true);
    about->SetTextColor(QColor(0, 70, 140));
    auto* plain = new app::CTransparentStatic(QStringLiteral("Report a problem"));
    auto* hot = new app::CTransparentStatic(QStringLiteral("Home page (hover)"));
    hot->SetHoverHighlight(true);
    auto* grey = new app::CTransparentStatic(QStringLiteral("Disabled"));
    grey->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{link, about, plain, hot, grey})
        buttons->addWidget(w);
    buttons->addStretch();
    stripRows->addLayout(buttons);
    strip.show();
    QApplication::processEvents();
    {
        const QPointF at(3, 3);
        QEnterEvent enter(at, at, exits[2]->mapToGlobal(at));
        QApplication::sendEvent(exits[2], &enter);
        QEnterEvent enterHot(at, at, hot->mapToGlobal(at));
        QApplication::sendEvent(hot, &enterHot);
    }
    strip.activateWindow();
    QApplication::processEvents();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(start->FieldRect(1).center()),
                      start->mapToGlobal(QPointF(start->FieldRect(1).center())), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(start, &press);
    QApplication::processEvents();
    const QImage widgets = strip.grab().toImage();

    // The drawn looks, at 1x (also blown up 3x to judge the pixels) and 2x.
    const int count = int(std::size(kMain) + std::size(kPlay) + std::size(kRecord));
    std::vector<int> ids;
    for (int id : kMain)
        if (id)
            ids.push_back(id);
    ids.insert(ids.end(), std::begin(kPlay), std::end(kPlay));
    ids.insert(ids.end(), std::begin(kRecord), std::end(kRecord));
    (void)count;

    const int cell1 = 40, cell3 = 104, cell2 = 72;
    const int n = int(ids.size());
    const int width = std::max({n * cell3 + 20, toolbars.width() + 20, widgets.width() + 20});
    const int height = 20 + toolbars.height() + 10 + widgets.height() + 10 + 3 * (cell1 + 4) +
                       3 * (cell3 + 4) + 3 * (cell2 + 4) + 300;
    QImage sheet(width, height, QImage::Format_ARGB32);
    sheet.fill(QColor(239, 239, 239));
    QPainter p(&sheet);
    int y = 10;
    p.drawImage(10, y, toolbars);
    y += toolbars.height() + 10;
    p.drawImage(10, y, widgets);
    y += widgets.height() + 10;

    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Active, QIcon::Disabled};
    for (QIcon::Mode mode : modes) {
        for (int i = 0; i < n; ++i) {
            const QColor back = i % 2 ? QColor(255, 255, 255) : QColor(239, 239, 239);
            p.fillRect(10 + i * cell1, y, cell1, cell1, back);
            p.drawPixmap(10 + i * cell1 + 4, y + 4,
                         app::ToolIcon(ids[i]).pixmap(QSize(32, 32), 1.0, mode));
        }
        y += cell1 + 4;
    }
    for (QIcon::Mode mode : modes) {
        for (int i = 0; i < n; ++i) {
            const QImage one =
                app::ToolIcon(ids[i]).pixmap(QSize(32, 32), 1.0, mode).toImage().scaled(96, 96);
            p.fillRect(10 + i * cell3, y, cell3, cell3, QColor(239, 239, 239));
            p.drawImage(10 + i * cell3 + 4, y + 4, one);
        }
        y += cell3 + 4;
    }
    for (QIcon::Mode mode : modes) {
        for (int i = 0; i < n; ++i) {
            QImage two = app::ToolIcon(ids[i]).pixmap(QSize(32, 32), 2.0, mode).toImage();
            two.setDevicePixelRatio(1.0);
            p.fillRect(10 + i * cell2, y, cell2, cell2, QColor(255, 255, 255));
            p.drawImage(10 + i * cell2 + 4, y + 4, two);
        }
        y += cell2 + 4;
    }
    int x = 10;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        p.drawImage(x, y, app::RenderAppIcon(size));
        x += size + 10;
    }
    x += 10;
    for (int size : {16, 32}) {
        p.drawImage(x, y, app::RenderAppIcon(size).scaled(size * 4, size * 4));
        x += size * 4 + 10;
    }
    p.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

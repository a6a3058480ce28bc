// Draws the CSV of bench_scale as a PNG: time against track length, both on
// logarithmic scales, in five panels (edits, the display control, effects
// over ten minutes, whole-track jobs, the program as a whole), Vorlain in solid lines and ffmpeg
// and SoX doing the same job in dashed and dotted ones. A line that stays flat costs the same at
// every length.
//
// Usage: bench_plot RESULTS.csv OUT.png
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Series {
    QString tool;
    QString operation;
    std::map<int, double> seconds; // by length in minutes
};

struct Panel {
    QString title;
    std::vector<QString> operations; // "tool|operation"
};

QString Length(int minutes)
{
    return minutes < 60 ? QString("%1 min").arg(minutes) : QString("%1 h").arg(minutes / 60);
}

QString Seconds(double s)
{
    if (s < 1e-3)
        return QString("%1 µs").arg(s * 1e6, 0, 'g', 3);
    if (s < 1)
        return QString("%1 ms").arg(s * 1e3, 0, 'g', 3);
    return QString("%1 s").arg(s, 0, 'g', 3);
}

void DrawPanel(QPainter& p, const QRect& area, const Panel& panel,
               const std::map<QString, Series>& all, const std::vector<int>& lengths)
{
    const QRect plot = area.adjusted(70, 34, -230, -40);
    p.setPen(Qt::black);
    QFont title = p.font();
    title.setBold(true);
    p.setFont(title);
    p.drawText(area.adjusted(10, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop, panel.title);
    title.setBold(false);
    p.setFont(title);

    double lo = 1e9, hi = 0;
    for (const QString& key : panel.operations) {
        auto it = all.find(key);
        if (it == all.end())
            continue;
        for (const auto& [m, s] : it->second.seconds)
            if (s > 0) {
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
    }
    if (hi <= 0)
        return;
    const double top = std::pow(10.0, std::ceil(std::log10(hi)));
    const double bottom = std::pow(10.0, std::floor(std::log10(lo)));
    const double xMin = std::log10(lengths.front()), xMax = std::log10(lengths.back());
    auto X = [&](int minutes) {
        const double t = xMax > xMin ? (std::log10(minutes) - xMin) / (xMax - xMin) : 0.5;
        return plot.left() + t * plot.width();
    };
    auto Y = [&](double s) {
        const double t =
            (std::log10(s) - std::log10(bottom)) / (std::log10(top) - std::log10(bottom));
        return plot.bottom() - t * plot.height();
    };

    // Grid: a line per decade of time, one per length.
    p.setPen(QPen(QColor(220, 220, 220), 1));
    for (double d = bottom; d <= top * 1.001; d *= 10) {
        p.drawLine(QPointF(plot.left(), Y(d)), QPointF(plot.right(), Y(d)));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), Y(d) - 8, 64, 16), Qt::AlignRight | Qt::AlignVCenter,
                   Seconds(d));
        p.setPen(QPen(QColor(220, 220, 220), 1));
    }
    for (int m : lengths) {
        p.drawLine(QPointF(X(m), plot.top()), QPointF(X(m), plot.bottom()));
        p.setPen(Qt::black);
        p.drawText(QRectF(X(m) - 40, plot.bottom() + 4, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                   Length(m));
        p.setPen(QPen(QColor(220, 220, 220), 1));
    }
    p.setPen(Qt::black);
    p.drawRect(plot);

    static const QColor palette[] = {
        QColor(0, 114, 178), QColor(213, 94, 0),   QColor(0, 158, 115),   QColor(204, 121, 167),
        QColor(230, 159, 0), QColor(86, 180, 233), QColor(120, 120, 120), QColor(0, 0, 0)};
    int legend = 0;
    std::map<QString, int> colorOf;
    for (const QString& key : panel.operations) {
        auto it = all.find(key);
        if (it == all.end())
            continue;
        const Series& s = it->second;
        if (!colorOf.count(s.operation))
            colorOf[s.operation] = static_cast<int>(colorOf.size());
        QPen pen(palette[colorOf[s.operation] % 8], 2);
        if (s.tool == "ffmpeg")
            pen.setStyle(Qt::DashLine);
        else if (s.tool == "sox")
            pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        QPainterPath path;
        bool first = true;
        for (int m : lengths) {
            auto v = s.seconds.find(m);
            if (v == s.seconds.end() || v->second <= 0)
                continue;
            const QPointF point(X(m), Y(v->second));
            if (first)
                path.moveTo(point);
            else
                path.lineTo(point);
            first = false;
            p.drawEllipse(point, 2.5, 2.5);
        }
        p.drawPath(path);
        const double y = plot.top() + 8 + 16 * legend++;
        p.drawLine(QPointF(plot.right() + 10, y), QPointF(plot.right() + 34, y));
        p.setPen(Qt::black);
        p.drawText(QRectF(plot.right() + 40, y - 8, 190, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   s.tool == "vorlain" ? s.operation : s.operation + " (" + s.tool + ")");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_plot RESULTS.csv OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::map<QString, Series> all; // "tool|operation"
    std::vector<int> lengths;
    QTextStream in(&file);
    in.readLine(); // the header
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(',');
        if (f.size() != 4 || f[0] == "rss" || f[0] == "cpu")
            continue;
        const QString key = f[0] + "|" + f[1];
        Series& s = all[key];
        s.tool = f[0];
        s.operation = f[1];
        const int minutes = f[2].toInt();
        s.seconds[minutes] = f[3].toDouble();
        if (std::find(lengths.begin(), lengths.end(), minutes) == lengths.end())
            lengths.push_back(minutes);
    }
    std::sort(lengths.begin(), lengths.end());
    if (lengths.empty())
        return 1;

    auto vorlain = [](std::initializer_list<const char*> ops) {
        std::vector<QString> out;
        for (const char* op : ops)
            out.push_back(QString("vorlain|") + op);
        return out;
    };
    Panel edits{"Range edits, undo and redo",
                vorlain({"cut 1 s", "delete 1 s", "trim to 1 s", "paste 1 s",
                         "insert 1 s of silence", "undo", "redo"})};
    edits.operations.push_back("sox|cut 1 s");
    Panel view{"Display control",
               vorlain({"view: first draw", "view: redraw after cut (whole track)",
                        "view: redraw after cut (10 s)", "view: zoom in", "view: zoom out",
                        "view: scroll 3 screens"})};
    Panel effects{"Effects over 10 minutes",
                  vorlain({"fade in 10 min", "fade out 10 min", "echo 10 min", "silence 10 min",
                           "volume 10 min"})};
    effects.operations.push_back("sox|fade in 10 min");
    effects.operations.push_back("sox|volume 10 min");
    Panel whole{"Projects, import, export and playback",
                vorlain({"save project", "save project with copying", "open project", "import MP3",
                         "export WAV", "play 5 s from 90%", "playback start at 90%"})};
    for (const char* peer :
         {"ffmpeg|import MP3", "sox|import MP3", "ffmpeg|export WAV", "sox|export WAV"})
        whole.operations.push_back(peer);

    Panel program{"The program: its main window over the project",
                  vorlain({"program: start to wave painted", "program: Ctrl+X to row painted"})};

    const int w = 760, h = 420;
    QImage image(2 * w, 3 * h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    DrawPanel(p, QRect(0, 0, w, h), edits, all, lengths);
    DrawPanel(p, QRect(w, 0, w, h), view, all, lengths);
    DrawPanel(p, QRect(0, h, w, h), effects, all, lengths);
    DrawPanel(p, QRect(w, h, w, h), whole, all, lengths);
    DrawPanel(p, QRect(0, 2 * h, 2 * w, h), program, all, lengths);
    p.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

// The two pieces of the toolbar row that are not commands: the playing
// time at the end of the play toolbar, and the product's web pages at the
// right end of the row.
#pragma once

#include <QToolBar>
#include <QWidget>

#include <cstdint>

class QLabel;

/** "Playing Time:" and the time, stacked. */
class CPlayingTime : public QWidget {
    Q_OBJECT
public:
    explicit CPlayingTime(QWidget* parent);
    void LoadTexts();
    void Show(int64_t time);

private:
    QLabel* m_caption;
    QLabel* m_value;
};

/** The links to the product's pages; a click opens one in the browser. */
class CLinkBar : public QToolBar {
    Q_OBJECT
public:
    explicit CLinkBar(QWidget* parent);
    void LoadTexts();

private:
    QList<QLabel*> m_links;
};

// About: the product's name, version and two web links.
#pragma once

#include <QDialog>

/**
 * Texts and links come from section "about" of the language file; the
 * version shown is the build's. A link opens through the prompts seam. OK
 * (1018) closes.
 */
class CDlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* parent = nullptr);

    /** The version of this build, "major.minor.patch". */
    static QString Version();
};

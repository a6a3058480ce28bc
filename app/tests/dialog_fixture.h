// What the dialog tests share: an isolated home with a capture set-up that
// needs no sound card (ALSA's file plugin over null for both inputs),
// scripted prompts, fresh dialog values, and helpers that work the dialogs'
// real controls while their exec() runs.
#pragma once

#include "modal_driver.h"
#include "scripted_prompts.h"

#include "vorlain/test/temp_env.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QString>
#include <QTest>

#include <functional>
#include <optional>
#include <string>

namespace app::test {

/** exec() result of a dialog that the test's action left open. */
inline constexpr int kLeftOpen = 77;

/**
 * Arms a watcher for the next modal T and runs action on it; a dialog the
 * action leaves open is then ended with kLeftOpen, so a failed step never
 * leaves a test waiting.
 */
template <class T> void Work(std::function<void(T*)> action)
{
    WhenModal<T>([action](T* dialog) {
        action(dialog);
        if (dialog->isVisible())
            dialog->done(kLeftOpen);
    });
}

/** The control named "id<number>" of dialog, or null. */
template <class T> T* Control(QWidget* dialog, int id)
{
    return dialog->findChild<T*>(QStringLiteral("id%1").arg(id));
}

/** Replaces the text of edit by typing text, as a user would. */
void Type(QLineEdit* edit, const QString& text);
/** A left click on the button: for a check or radio button on its mark, for
 *  a push button in its middle. */
void Click(QAbstractButton* button);

class DialogTest : public vorlain::test::IsolatedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /** Capturo.ini in the configuration folder. */
    std::string CapturoIni() const { return m_capturoIni; }
    /** A value of the settings file, "<missing>" when it has none. */
    std::string CapturoSetting(const char* key) const;
    /** Writes a language file of the given text and makes the lookups read it. */
    void UseLanguageFile(const std::string& text);

    std::optional<ScriptedPrompts> m_prompts;

private:
    std::string m_capturoIni;
    std::optional<std::string> m_savedCapture;
};

} // namespace app::test

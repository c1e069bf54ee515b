// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>

#include <functional>

class QLabel;
class QTimer;
class QVBoxLayout;
class ZSoftKey;

// A phone popup: a title row (icon and title), an instruction line, the content, and the
// soft-key bar. Type 0 is an application's main window (phone-sized, never modal); other types
// are dialogs run with exec(), which returns 1 when accepted. hide() ends a running exec().
// The window system's title is the popup title, so task bars and test tools find it by name;
// it is also the popup's accessible name. A screen reader is told that the main window is a
// window (a frame, over AT-SPI) and any other popup a dialog, unless the popup says otherwise
// (setAccessibleRole). Nothing grows past the screen: the main window's instruction line (a
// path, perhaps after a lead-in) is cut in its middle, so that both the lead-in and the current
// folder's own name stay in sight; a dialog's wraps anywhere; a long title is cut in its middle
// (the main window's at its end). The two trailing integer arguments are accepted and ignored.
// A dialog opens at the bottom of the main window (hostArea()).
class ZPopup : public QDialog
{
    Q_OBJECT
public:
    enum Type { MainWindow = 0, Dialog = 1 };

    ZPopup(int type = 1, QWidget *parent = nullptr, const char *name = nullptr, bool modal = true,
           int = 0, int = 0);
    ~ZPopup() override;

    void setTitle(const QString &title);
    QString title() const;
    void setTitleIcon(const QPixmap &icon);
    void setTitleIcon(const QString &iconFileName);
    void setInstructText(const QString &text);
    QString instructText() const;
    void insertChild(QWidget *child, int index = -1);
    ZSoftKey *getSoftKey() const { return m_softKey; }
    // Where a dialog shows: the application's main window, whose bottom it covers, soft keys
    // over soft keys, so that one soft-key bar shows at a time; without one, the screen.
    QRect hostArea() const;
    // A window shown is not at once where the window system puts it: what opens over it waits
    // until it is (a few seconds at most), so that it is placed over the window and not where
    // the window was meant to be. At once for a window that is not shown.
    void whenOnScreen(const std::function<void()> &then, int patience = 40);
    // The text with places where a label may wrap it: after each "/" between folders, and
    // within long runs; and the blank of a question's end (" ?") made one that never breaks.
    static QString breakable(const QString &text);
    QAccessible::Role accessibleRole() const { return m_accessibleRole; }
    // Whether an event is the user's input: a key, a tap or click, a touch, the wheel.
    static bool isUserInput(QEvent::Type type);

protected:
    void setAccessibleRole(QAccessible::Role role) { m_accessibleRole = role; }
    // The label of the popup's message, as every popup with a text shows it: wrapped where the
    // text may break (breakable()), plain text, and the popup's description for a screen reader.
    QLabel *messageLabel(const QString &shown, QWidget *parent);
    // A text that changes many times a second (the entry at work, a count) is told to a screen
    // reader as the widget's accessible name at most once a second, its last change always:
    // each change told would be read over the one before. A widget not yet named is told at
    // once, and so is all of the main window, which changes only as the user moves. Called
    // before the label's own text changes, which then tells nothing more.
    void tellCalmly(QWidget *widget, const QString &name);
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    const ZPopup *mainWindow() const;
    // Turns a key into a press of the soft key that softKeyFor() names; other keys go unused.
    void keyPressEvent(QKeyEvent *event) override;
    // Which soft key a key stands for in this popup (0 left, 1 right, -1 none). The default is
    // ZSoftKey::softKeyFor(); a popup may take more keys (a text entry: Return is OK) or none.
    virtual int softKeyForKey(int key) const;
    // What the left and right keys do when no slot is set for them: accept and reject.
    virtual void leftKey();
    virtual void rightKey();

private:
    void placeAtTheBottom();
    void tellUntold();

    int m_type;
    QLabel *m_titleIcon;
    QLabel *m_title;
    QLabel *m_instruct;
    QString m_instructText;
    QVBoxLayout *m_content;
    ZSoftKey *m_softKey;
    QAccessible::Role m_accessibleRole;
    QElapsedTimer m_told;
    QTimer *m_tellLater;
    QHash<QWidget *, QString> m_untold;
};

#pragma once

#include <QString>

class QQuickItem;
class QQuickWindow;

// Works the Hub's window the way a user does: finds what is on screen by name or by the text
// it shows, clicks and types there, and photographs the result.
class HubDriver {
public:
    explicit HubDriver(QQuickWindow *window) : m_window(window) {}

    QQuickWindow *window() const { return m_window; }

    // The first visible item named `objectName`, anywhere in the window (menus and dialogs
    // included); null when none is on screen.
    QQuickItem *item(const QString &objectName) const;
    // The first text item under `within` (default: the whole window) showing `text`, fully
    // faded in.
    QQuickItem *text(const QString &text, QQuickItem *within = nullptr) const;
    // The card in the catalogue's grid for the app named `name`; null when the grid does not
    // show it. Asks the grid, which keeps hidden cards around for reuse.
    QQuickItem *card(const QString &name) const;
    // The text shown by the first visible text item under `within`.
    QString firstText(QQuickItem *within) const;

    // Clicks the middle of the item; false when there is none.
    bool click(QQuickItem *item) const;
    bool click(const QString &objectName) const { return click(item(objectName)); }
    // Brings the window to the front so keys reach it (another app's window may have taken
    // the focus); false when it did not become active.
    bool activate() const;
    void type(const QString &text) const;
    void press(int key, int modifiers = 0) const;

    // Saves the window as <artifacts>/<name>.png; the whole screen with `wholeScreen`, to show
    // other programs' windows too. False when nothing was written.
    bool shoot(const QString &name, bool wholeScreen = false) const;

private:
    QQuickWindow *m_window;
};

import QtQuick

// One command of the menu bar: its text, its keys and what it does. The bar owns the keys, so
// they work before the menus are made; the menus only spell them.
QtObject {
    property string text
    // A key sequence ("Ctrl+R") or a standard key; none when undefined.
    property var keys
    signal triggered
}

import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// A menu of the menu bar: its commands show their shortcuts, and it is as wide as its widest
// command, as texts run longer in some languages.
Menu {
    id: menu

    width: {
        let widest = 200
        for (let i = 0; i < menu.count; ++i)
            widest = Math.max(widest, menu.itemAt(i).implicitWidth)
        return widest + menu.leftPadding + menu.rightPadding
    }
}

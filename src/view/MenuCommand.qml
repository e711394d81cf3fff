import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// An item of the menu bar's menus: the command's text, and its keys at the trailing edge,
// as this platform writes them ("Ctrl+Q"), standard keys included.
MenuItem {
    id: item

    // A key sequence or a standard key, only to spell: the menu bar owns the shortcut.
    property var keys
    readonly property string shortcutText: spelled.nativeText

    implicitHeight: 30
    font: Theme.body
    Accessible.name: text
    // Nothing is checked and nothing opens a submenu: the style's images for them are not made.
    indicator: null
    arrow: null

    Shortcut {
        id: spelled
        enabled: false
        sequence: item.keys ?? ""
    }

    // The text and the keys side by side: the style takes the item's width from this one's.
    contentItem: Item {
        implicitWidth: 4 + children[0].implicitWidth + 32 + children[1].implicitWidth + 4
        Text {
            anchors { left: parent.left; leftMargin: 4; verticalCenter: parent.verticalCenter }
            text: item.text
            textFormat: Text.PlainText
            font: item.font
            color: item.highlighted ? "white" : item.enabled ? Theme.primaryText : Theme.tertiaryText
        }
        Text {
            objectName: "shortcutLabel"
            anchors { right: parent.right; rightMargin: 4; verticalCenter: parent.verticalCenter }
            text: item.shortcutText
            textFormat: Text.PlainText
            font: item.font
            color: item.highlighted ? "white" : Theme.secondaryText
        }
    }
    background: Rectangle {
        radius: 5
        color: item.highlighted ? Theme.accent : "transparent"
    }
}
